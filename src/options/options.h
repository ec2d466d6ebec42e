// The options record, its defaults, and the 52-byte options file ~/.ku.opt
// (big-endian, field by field).
#pragma once
#include <cstddef>
#include <cstdint>

struct Options {
  char version[4];  // version stamp (3 characters and a pad byte)
  int tabstop;
  int input_xlate;   // expand TABs on reading; TAB key moves to the next stop
  int output_xlate;  // compress blanks to TABs on writing
  int auto_indent;
  int text_wrapping;
  int reserved;
  int left_margin;
  int right_margin;
  int right_justify;
  short bg_color;
  short fg_color;
  char sol_match_char;
  char eol_match_char;
  int mouse_support;
};

extern Options options;  // the settings in force

inline constexpr size_t OPTIONS_IMAGE_SIZE = 52;
inline constexpr size_t OPT_PATH_SIZE = 272;

void set_default_options();
void options_to_image(const Options& o, unsigned char image[OPTIONS_IMAGE_SIZE]);
// Replaces the fields the first n bytes of the image cover.
void options_from_image(Options& o, const unsigned char* image, size_t n);
// Builds "$HOME/.ku.opt"; false when HOME is unset or too long for the buffer.
bool ku_opt_path(char path[OPT_PATH_SIZE]);
int save_ku_opt_file();  // 0 written; 3 HOME unset or the file cannot be opened/written
int load_ku_opt_file();  // 0 read; 3 HOME unset or the file cannot be opened
