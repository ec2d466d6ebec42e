// Small file-system helpers shared by unit and screen tests: whole-file read
// and write, the names in a directory, and the immutable attribute that stops
// even root from changing a file or directory.
#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <system_error>
#include <vector>

namespace kudisk {

// A new directory under $TMPDIR (or /tmp) named prefix plus a unique
// ending; empty when none could be made.
inline std::filesystem::path temp_dir(const std::string& prefix) {
  const char* base = std::getenv("TMPDIR");
  std::string t = std::string(base && *base ? base : "/tmp") + "/" + prefix + "XXXXXX";
  std::vector<char> buf(t.begin(), t.end());
  buf.push_back(0);
  if (!mkdtemp(buf.data())) return {};
  return buf.data();
}

inline std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes a new file rather than truncating the old one: ext4 flushes a file
// rewritten after truncation to disk at once, which makes tests slow.
inline void spill(const std::filesystem::path& p, const std::string& bytes) {
  std::error_code ec;
  std::filesystem::remove(p, ec);
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::set<std::string> entries(const std::filesystem::path& d) {
  std::set<std::string> s;
  for (const auto& e : std::filesystem::directory_iterator(d)) s.insert(e.path().filename().string());
  return s;
}

// Sets or clears the immutable attribute; false where the file system does
// not support it.
inline bool set_immutable(const std::filesystem::path& p, bool on) {
  int fd = open(p.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  close(fd);
  return ok;
}

}  // namespace kudisk
