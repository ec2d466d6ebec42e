#!/usr/bin/env python3
"""Writes the seed corpora of the libFuzzer targets in tests/fuzz.

    tests/fuzz/seeds.py OUTDIR

makes OUTDIR/read_file, OUTDIR/options_file and OUTDIR/macro_file, one seed
file each: sound inputs the fuzzer mutates from (text with Unix and DOS line
ends, long lines, TABs, high bytes; valid 52-byte options images; valid
2092-byte macro images), built the way the editor writes them: every integer
big-endian, the version stamp taken from the masthead "... v3.5g".
"""
import os
import struct
import sys

VERSION = b"35g\0"


def be32(v):
    return struct.pack(">i", v)


def be16(v):
    return struct.pack(">h", v)


# read_file: the first byte picks the reading options (bit 0: TAB expansion,
# the rest, as a signed byte shifted right once: the tab stop).
def text_seeds():
    long_line = b"x" * 400
    high = bytes(range(128, 255))
    return {
        "plain": b"\x01plain text\nsecond line\n",
        "dos": b"\x00dos line\r\nanother\r\n\r\nlast",
        "long_lines": b"\x03" + long_line + b"\n" + long_line * 2 + b"\nend\n",
        "very_long_line": b"\x09" + b"y" * 5000,
        "tabs": b"\x09\ttab\tstops\t\n" + b"\t" * 200 + b"x\n",
        "tabs_stop_big": b"\x7f" + b"\t" * 300 + b"\n\tq\n",
        "tabs_stop_negative": b"\xfd\ta\tb\n",
        "high_bytes": b"\x02" + high + b"\n" + high * 3 + b"\r\n",
        "control_bytes": b"\x01ok\nbad\x02byte\n",
        "nul_and_cr": b"\x01a\0b\rc\r\r\n\n",
        "empty": b"",
        "options_only": b"\x01",
    }


def options_image(tabstop=4, input_xlate=1, output_xlate=0, auto_indent=1, text_wrapping=0, reserved=0,
                  left_margin=-1, right_margin=72, right_justify=1, bg=-1, fg=-1, sol=b"^", eol=b"$", mouse=1):
    img = (VERSION + be32(tabstop) + be32(input_xlate) + be32(output_xlate) + be32(auto_indent) +
           be32(text_wrapping) + be32(reserved) + be32(left_margin) + be32(right_margin) + be32(right_justify) +
           be16(bg) + be16(fg) + sol + eol + b"\0\0" + be32(mouse))
    assert len(img) == 52
    return img


def options_seeds():
    default = options_image()
    return {
        "default": default,
        "tabstop_0": options_image(tabstop=0),
        "tabstop_negative": options_image(tabstop=-1),
        "tabstop_huge": options_image(tabstop=0x7FFFFFFF),
        "tabstop_line_max": options_image(tabstop=384),
        "margins_odd": options_image(left_margin=90, right_margin=-5, text_wrapping=1),
        "short": default[:10],
        "long": default + b"trailing bytes",
        "empty": b"",
    }


def macro_image(name, keys, check1=0x55AA, check2=0xAA55, count=None):
    keys = list(keys)
    if count is None:
        count = len(keys)
    raw_name = name.encode() + b"\0"
    img = (b"\0" * 8 + VERSION + be32(check1) + be32(check2) + be32(count) + raw_name.ljust(20, b"\0") +
           b"".join(be32(k) for k in (keys + [0] * (512 - len(keys)))))
    assert len(img) == 2092
    return img


def macro_seeds():
    # Escape sequences (cursor keys with and without modifiers, keypad),
    # function-key codes, a lone ESC, out-of-range codes.
    mixed = [27, ord("l"), ord("a"), ord("b"), 0x10D, ord("x"), ord("\n"), 27, ord("["), ord("1"), ord(";"),
             ord("2"), ord("A"), 27, ord("O"), ord("M"), 0x1B, 300, -1]
    return {
        "mixed": macro_image("seed", mixed),
        "empty": macro_image("", []),
        "full": macro_image("x" * 17, [ord("a") + i % 26 for i in range(511)]),
        "escapes": macro_image("esc", [27, ord("["), ord("2"), ord("~"), 27, ord("["), ord("1"), ord("5"),
                                       ord(";"), ord("5"), ord("~"), 27, 27, ord("["), ord("M"), 32, 33, 34]),
        "not_a_macro": macro_image("bad", [1, 2, 3], check1=0),
    }


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: seeds.py OUTDIR")
    for sub, seeds in (("read_file", text_seeds()), ("options_file", options_seeds()),
                       ("macro_file", macro_seeds())):
        d = os.path.join(sys.argv[1], sub)
        os.makedirs(d, exist_ok=True)
        for name, data in seeds.items():
            with open(os.path.join(d, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
