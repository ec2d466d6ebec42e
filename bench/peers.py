#!/usr/bin/env python3
"""Peer-editor benchmark: whole-process wall time and peak RSS of terminal
editors driven on an 80x24 pseudo-terminal.

Only the Python 3 standard library and GNU time (/usr/bin/time) are used.
Each run:
  * forks the editor on a fresh pty (80x24, TERM=xterm, empty $HOME), under
    /usr/bin/time -f %M for its peak RSS,
  * waits until the first screen is visible (marker text from lines 1 and 8
    of the file has been written to the terminal), then until the output has
    been quiet for 30 ms (that idle gap is not counted),
  * types the workload's keys (optionally waiting for prompts in between),
    answering the terminal queries the editor sends as a terminal would,
  * waits for the editor to exit and reaps it; wall = fork -> reap minus the
    idle gap.
Runs are interleaved round-robin over editors so that drift on a noisy
machine hits every editor alike; medians are reported.

Usage:
  peers.py gen [--big]                 make the test files in $KUBENCH_DIR (/tmp/kubench)
  peers.py run [options]               measure; see --help
  peers.py once EDITOR WORKLOAD FILE   one run, JSON on stdout (for use under
                                       hyperfine or /usr/bin/time -v)
  peers.py versions                    print the version line of each editor

Add an editor by adding an entry to EDITORS below.  Key scripts are lists of
steps: a bytes object is typed, a str is waited for (literal text in the
terminal output), a tuple of str waits for all of them, SCREEN waits for the
first screen, LAST for the last line of the file, ('sleep', s) pauses.
'{word}' and '{repl}' in a step are replaced by the replace workload's words.
"""

import argparse
import json
import os
import pty
import random
import select
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import termios
import fcntl
import tempfile
import time

BENCH_DIR = os.environ.get("KUBENCH_DIR", "/tmp/kubench")
ROWS, COLS = 24, 80

# Marker text: line 1, line 8 and the last line of every generated file start
# with these, so that the driver can see when a screen has been drawn.
M_FIRST = "KUBENCH-FIRST"
M_EIGHT = "KUBENCH-EIGHT"
M_LAST = "KUBENCH-LAST"
# (The first character may be drawn in cursor colours, so it is not matched.)
SCREEN = (M_FIRST[1:], M_EIGHT)  # wait step: first screen visible
LAST = (M_LAST[1:],)             # wait step: last line visible

# Replace workload: every occurrence of WORD becomes REPL, then save and quit.
# No other word of the vocabulary contains WORD, and the text is lower case.
WORD, REPL = "the", "THAT"

ESC = b"\x1b"
def ctl(c):
    return bytes([ord(c.upper()) & 0x1F])

# Keys as an xterm sends them.
PGDN, PGUP = b"\x1b[6~", b"\x1b[5~"
UP, DOWN, RIGHT, LEFT = b"\x1b[A", b"\x1b[B", b"\x1b[C", b"\x1b[D"

# pagedown: this many Page Down presses after the first screen.
PAGES = 1000
# type: 10,000 characters typed into the middle of the file (at line
# MID_LINE): 125 lines of 79 characters, each ended by Enter.
MID_LINE = 500_000
TYPED_LINE = ("now is the time for all good people to come to the aid of "
              "their party, quickly and without any fuss")[:79]
TYPED = (TYPED_LINE + "\r").encode() * 125
assert len(TYPED) == 10_000
# switch: SWITCH_FILES small files on the command line, then the next-file
# command SWITCH_FILES times (round the list back to the first file).
SWITCH_FILES = 256
LETTERS = [bytes([c]) for c in b"abcdefghijklmnopqrstuvwxyz"]
# latency: presses per key (each typed once the previous one is answered).
LAT_N = 20


def latency_steps(goto, keys, before=b""):
    """Steps of the latency workload: go to MID_LINE, then for each key
    (label, bytes, presses) a timed series."""
    out = [SCREEN] + goto[:-1] + [("keys", "goto line", goto[-1], 1)]
    if before:
        out.append(before)
    for label, k, n in keys:
        out.append(("keys", label, k, n))
    return out

# --------------------------------------------------------------------------
# The editor table.  argv: list, '{file}' is replaced by the file name.
# version: shell command printing one line.  Workloads: open, end, replace.
#   open    : open the file, first screen shown, quit
#   end     : open, go to the last line (wait until it is shown), quit
#   replace : replace all WORD by REPL, save, quit (verified afterwards)
# What is disabled for fairness is written next to each command line.
# --------------------------------------------------------------------------
EDITORS = {
    # -u NONE: no vimrc, no plugins; -N nocompatible; -n no swap file;
    # -i NONE no viminfo; nowritebackup: no backup copy on :w
    "vim": dict(
        version="dpkg-query -W -f '${Version}' vim-nox || vim --version | head -1",
        argv=["vim", "-u", "NONE", "-N", "-n", "-i", "NONE",
              "--cmd", "set nowritebackup nobackup", "{file}"],
        open=[SCREEN, b":q!\r"],
        end=[SCREEN, b"G", LAST, b":q!\r"],
        replace=[SCREEN, b":%s/{word}/{repl}/g\r", "substitutions", b":wq\r"],
        pagedown=[SCREEN, PGDN * PAGES, b":q!\r"],
        type=[SCREEN, b"%dGi" % MID_LINE, TYPED, ESC + b":q!\r"],
        switch=[SCREEN, b":bnext\r" * SWITCH_FILES, b":qa!\r"],
        argv_switch=["vim", "-u", "NONE", "-N", "-n", "-i", "NONE",
                     "--cmd", "set nowritebackup nobackup hidden", "{files}"],
        latency=latency_steps([b"%dG" % MID_LINE], [
            ("cursor down", b"j", LAT_N), ("cursor up", b"k", LAT_N),
            ("cursor right", b"l", LAT_N), ("page down", ctl("f"), LAT_N),
            ("page up", ctl("b"), LAT_N), ("delete line", b"dd", LAT_N),
            ("undo", b"u", LAT_N)]) + [b"0i", ("keys", "typed char", LETTERS, 50),
            ("keys", "enter", b"\r", LAT_N), ("keys", "backspace", b"\x7f", LAT_N),
            ESC, b":q!\r"],
    ),
    # -I (--ignorercfiles): no nanorc, hence no history/positionlog/backup
    "nano": dict(
        version="dpkg-query -W -f '${Version}' nano",
        argv=["nano", "--ignorercfiles", "{file}"],
        open=[SCREEN, ctl("x")],
        end=[SCREEN, ESC + b"/", LAST, ctl("x")],
        replace=[SCREEN, ctl("\\"), "replace", b"{word}\r", "Replace with",
                 b"{repl}\r", "instance", b"a", "Replaced", ctl("s"), "Wrote",
                 ctl("x")],
        pagedown=[SCREEN, PGDN * PAGES, ctl("x")],
        type=[SCREEN, ctl("_"), "line", b"%d\r" % MID_LINE, TYPED, ctl("x"),
              "Save modified", b"n"],
    ),
    # -n: no backup files; HOME is empty so no ~/.mg startup file
    "mg": dict(
        version="dpkg-query -W -f '${Version}' mg",
        argv=["mg", "-n", "{file}"],
        skip={"replace": "replace-string is far too slow (see README)"},
        open=[SCREEN, ctl("x") + ctl("c")],
        end=[SCREEN, ESC + b">", LAST, ctl("x") + ctl("c")],
        replace=[SCREEN, ESC + b"xreplace-string\r", "Replace", b"{word}\r",
                 "with", b"{repl}\r", "Replaced", ctl("x") + ctl("s"), "Wrote",
                 ctl("x") + ctl("c")],
        pagedown=[SCREEN, PGDN * PAGES, ctl("x") + ctl("c")],
    ),
    # -nobackups -nolocks -nomodcheck; system joerc (no user joerc: HOME empty)
    "joe": dict(
        version="dpkg-query -W -f '${Version}' joe",
        argv=["joe", "-nobackups", "-nolocks", "-nomodcheck", "{file}"],
        open=[SCREEN, ctl("c")],
        end=[SCREEN, ctl("k") + b"v", LAST, ctl("c")],
        replace=[SCREEN, ctl("k") + b"f", "Find", b"{word}\r", "(R)eplace",
                 b"r\r", "Replace with", b"{repl}\r", "(R)est", b"r",
                 ctl("k") + b"x"],
        pagedown=[SCREEN, PGDN * PAGES, ctl("c")],
    ),
    # --no-config: no ~/.ne preferences/keys/menus; --no-syntax
    "ne": dict(
        version="dpkg-query -W -f '${Version}' ne",
        argv=["ne", "--no-config", "--no-syntax", "{file}"],
        open=[SCREEN, ctl("q")],
        end=[SCREEN, ESC + b"e", LAST, ctl("q")],
        replace=[SCREEN, ctl("k"), b"Find {word}\r", ctl("k"),
                 b"ReplaceAll {repl}\r", ctl("s"), "Saved", ctl("q")],
        pagedown=[SCREEN, PGDN * PAGES, ctl("q")],
    ),
    # empty -config-dir (no settings/plugins); -backup false: no periodic
    # backup of modified buffers
    "micro": dict(
        version="dpkg-query -W -f '${Version}' micro",
        argv=["micro", "-config-dir", "{home}/micro-cfg", "-backup", "false",
              "{file}"],
        open=[SCREEN, ctl("q")],
        end=[SCREEN, ESC + b"[1;5F", LAST, ctl("q")],
        replace=[SCREEN, ctl("e"), b"replaceall '{word}' '{repl}'\r",
                 "Replaced", ctl("s"), "Saved", ctl("q")],
        pagedown=[SCREEN, PGDN * PAGES, ctl("q")],
    ),
    # -n: no kakrc/autoload; the session server runs in the same process
    "kak": dict(
        version="dpkg-query -W -f '${Version}' kakoune",
        argv=["kak", "-n", "{file}"],
        open=[SCREEN, b":q!\r"],
        end=[SCREEN, b"gj", LAST, b":q!\r"],
        replace=[SCREEN, b"%s{word}\r", "sels", 
                 b":execute-keys c{repl}<esc>\r", b":write-quit\r"],
        pagedown=[SCREEN, PGDN * PAGES, b":q!\r"],
        type=[SCREEN, b"%dgi" % MID_LINE, TYPED, ESC + b":q!\r"],
        # The typed text never ends in ":q!" being obeyed: the editor stays
        # until the run's time-out (seen on 2022.10.31 in every run).
        skip={"type": "does not quit after the typing (hangs until the time-out)"},
    ),
    # ku: ESC q opens the quit menu, "a" (Abs/All) leaves; ESC ~ goes to the
    # end of the file.  KU_BIN overrides the binary (default: the release
    # build of this checkout).
    "ku": dict(
        version="echo ku $(git -C %s rev-parse --short HEAD 2>/dev/null)" % os.path.dirname(os.path.abspath(__file__)),
        argv=[os.environ.get("KU_BIN", os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build", "release", "ku")), "{file}"],
        open=[SCREEN, ESC + b"q", b"a"],
        end=[SCREEN, ESC + b"~", LAST, ESC + b"q", b"a"],
        # "*" is 32000 repetitions: the again command (ESC a) repeats the
        # replacement until "No more occurances" (26 commands for lines1m).
        replace=[SCREEN, ESC + b"*", b"r", "Replace", b"{word}\r", "With",
                 ("timed", "first", b"{repl}\r", "replacement"),
                 ("repeat", ESC + b"a", "No more", 100),
                 ESC + b"U", "written", ESC + b"q", b"a"],
        pagedown=[SCREEN, PGDN * PAGES, ESC + b"q", b"a"],
        # jump menu: L, the line number; the file is left unsaved ("Are you sure?" y)
        type=[SCREEN, ESC + b"j", "Line", b"L", "Line:", b"%d\r" % MID_LINE, TYPED,
              ESC + b"q", b"a", "Are you sure", b"y"],
        switch=[SCREEN, (ESC + b"n") * SWITCH_FILES, ESC + b"q", b"a"],
        latency=latency_steps([ESC + b"j", "Line", b"L", "Line:", b"%d\r" % MID_LINE], [
            ("cursor down", DOWN, LAT_N), ("cursor up", UP, LAT_N),
            ("cursor right", RIGHT, LAT_N), ("page down", PGDN, LAT_N),
            ("page up", PGUP, LAT_N), ("delete line", b"\x1b[20~", LAT_N),
            ("undo", ctl("z"), LAT_N), ("typed char", LETTERS, 50),
            ("enter", b"\r", LAT_N), ("backspace", b"\x7f", LAT_N),
            ("bottom of file", ESC + b"~", 3), ("top of file", ESC + b"\\", 3)])
        + [ESC + b"q", b"a", "Are you sure", b"y"],
    ),
}
if os.environ.get("KU_BIN2"):
    # a second ku binary (e.g. a build with local patches) measured beside the first
    EDITORS["ku2"] = dict(EDITORS["ku"], argv=[os.environ["KU_BIN2"], "{file}"],
                          version="echo ku2 %s" % os.environ["KU_BIN2"])

# Physical floor: plain whole-file reads of the same file.
FLOORS = {
    "cat>/dev/null": ["sh", "-c", 'exec cat "$1" >/dev/null', "sh", "{file}"],
    "wc -l": ["sh", "-c", 'exec wc -l "$1" >/dev/null', "sh", "{file}"],
}

# --------------------------------------------------------------------------
# Test files
# --------------------------------------------------------------------------
FILES = {
    # name: (lines, (min_len, max_len), line_end, seed)
    "lines1m":  (1_000_000, (64, 94), b"\n", 1),
    "lines100k": (100_000, (64, 94), b"\n", 2),
    "lines1k":  (1_000, (64, 94), b"\n", 4),      # quick sanity checks
    "crlf1m":   (1_000_000, (64, 94), b"\r\n", 1),   # same text as lines1m
    "short10m": (10_000_000, (12, 28), b"\n", 3),
}
BIG = {"short10m"}


def file_path(name):
    return os.path.join(BENCH_DIR, name + ".txt")


def switch_files():
    """SWITCH_FILES small files (40 lines each, markers on lines 1 and 8)."""
    d = os.path.join(BENCH_DIR, "switch")
    paths = [os.path.join(d, "f%03d.txt" % i) for i in range(1, SWITCH_FILES + 1)]
    if not all(os.path.exists(q) for q in paths):
        os.makedirs(d, exist_ok=True)
        for i, q in enumerate(paths, 1):
            with open(q, "w") as f:
                for n in range(1, 41):
                    head = M_FIRST if n == 1 else M_EIGHT if n == 8 else "line"
                    f.write("%s %d of file %03d, some text to fill the row\n" % (head, n, i))
    return paths


def vocabulary(rng):
    common = ("a of and to in is it that was for on are as with his at be "
              "this have from or one had by word but not what all were we "
              "when your can said use an each which she do how if will up "
              "out many some so her would make like him into time has look "
              "two more write go see number no way could people my than first "
              "water been call who oil its now find long down day did get "
              "come made may part over new sound take only little work know "
              "place year live me back give most very after our just name "
              "good sentence man think say great where help through much "
              "before line right too mean old any same tell boy follow came "
              "want show also around form three small set put end does "
              "another well large must big even such because turn here why "
              "ask went men read need land different home us move try kind "
              "hand picture again change off play spell air away animal house "
              "point page letter mother answer found study still learn should "
              "world high every near add food between own below country plant "
              "last school father keep tree never start city earth eye light "
              "thought head under story saw left few while along might close "
              "something seem next hard open example begin life always those "
              "both paper group often run important until children side feet "
              "car mile night walk white sea began grow took river four carry "
              "state once book hear stop without second late miss idea enough "
              "eat face watch far really almost let above girl sometimes "
              "mountain cut young talk soon list song being leave family").split()
    sylls = [a + b for a in "bcdfghjklmnprstvwz" for b in "aeiou"] + \
            ["qu", "st", "tr", "pl", "gr", "ch", "sh", "nd", "rk", "x"]
    made = set()
    while len(made) < 4000:
        made.add("".join(rng.choice(sylls) for _ in range(rng.randint(1, 4))))
    words = [w for w in dict.fromkeys(common + sorted(made))
             if WORD not in w and not w.startswith("kubench")]
    # Zipf-like weights; WORD gets about 5% of all words.
    weights = [1.0 / (i + 2) for i in range(len(words))]
    total = sum(weights)
    weights = [w / total * 0.95 for w in weights]
    return [WORD] + words, [0.05] + weights


def gen_file(name, force=False):
    lines, (lo, hi), eol, seed = FILES[name]
    path = file_path(name)
    if os.path.exists(path) and not force:
        return path
    os.makedirs(BENCH_DIR, exist_ok=True)
    rng = random.Random(seed)
    words, weights = vocabulary(rng)
    cum = []
    acc = 0.0
    for w in weights:
        acc += w
        cum.append(acc)
    punct = [",", ".", ";", ":", "!", "?", ")", "'s", "-1", "2"]
    tmp = path + ".tmp"
    with open(tmp, "wb", buffering=1 << 20) as f:
        batch = 100_000
        done = 0
        while done < lines:
            n = min(batch, lines - done)
            pool = rng.choices(words, cum_weights=cum, k=n * (hi // 3 + 4))
            pi = 0
            out = []
            for i in range(n):
                target = rng.randint(lo, hi)
                no = done + i + 1
                parts = []
                if no == 1:
                    parts.append(M_FIRST)
                elif no == 8:
                    parts.append(M_EIGHT)
                elif no == lines:
                    parts.append(M_LAST)
                ln = sum(len(p) + 1 for p in parts)
                while ln < target:
                    w = pool[pi]
                    pi += 1
                    if rng.random() < 0.04:
                        w += rng.choice(punct)
                    if ln + len(w) > hi:
                        break
                    parts.append(w)
                    ln += len(w) + 1
                out.append(" ".join(parts))
            f.write(eol.join(s.encode() for s in out))
            f.write(eol)
            done += n
    os.replace(tmp, path)
    return path


# --------------------------------------------------------------------------
# Driver
# --------------------------------------------------------------------------
def bench_env():
    """A fresh, empty $HOME for every run (no config, no saved state)."""
    os.makedirs(BENCH_DIR, exist_ok=True)
    home = tempfile.mkdtemp(prefix="home-", dir=BENCH_DIR)
    os.makedirs(os.path.join(home, "micro-cfg"), exist_ok=True)
    env = {
        "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
        "HOME": home,
        "TERM": "xterm",
        "LANG": "C.UTF-8",
        "LC_ALL": "C.UTF-8",
        "XDG_CONFIG_HOME": os.path.join(home, ".config"),
        "XDG_RUNTIME_DIR": os.path.join(home, "run"),
        "TMPDIR": os.path.join(home, "tmp"),
    }
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
    os.makedirs(env["TMPDIR"], exist_ok=True)
    return env, home


def expand(s, file, home):
    return (s.replace("{file}", file).replace("{home}", home)
            .replace("{word}", WORD).replace("{repl}", REPL))


# Answers to the terminal queries that editors send (a real terminal answers
# within milliseconds; left unanswered, vim waits 100 ms at exit for them).
import re
QUERIES = [
    (re.compile(rb"\x1b\[>0?c"), lambda m: b"\x1b[>0;95;0c"),        # DA2
    (re.compile(rb"\x1b\[0?c"), lambda m: b"\x1b[?1;2c"),            # DA1
    (re.compile(rb"\x1b\[6n"), None),                                 # CPR
    (re.compile(rb"\x1b\](1[01]);\?(\x07|\x1b\\)"),               # colours
     lambda m: b"\x1b]" + m.group(1) +
     (b";rgb:ffff/ffff/ffff" if m.group(1) == b"10" else
      b";rgb:0000/0000/0000") + m.group(2)),
    (re.compile(rb"\x1bP\$q[^\x1b]*\x1b\\"), lambda m: b"\x1bP0$r\x1b\\"),
    (re.compile(rb"\x1b\[\?(\d+)\$p"),
     lambda m: b"\x1b[?" + m.group(1) + b";0$y"),                    # DECRQM
]


CUP = re.compile(rb"\x1b\[(\d*);?(\d*)H")
ESCSEQ = re.compile(rb"\x1b\[[0-9;?>=%]*[ -/]*[@-~]|\x1bP.*?\x1b\\|"
                    rb"\x1b\].*?(?:\x07|\x1b\\)|\x1b[()][0-9A-Za-z]|\x1b.")


def cursor_report(buf, pos):
    """Rough cursor position at buf[pos]: the last CUP before it plus the
    characters printed since (enough for the probes editors make)."""
    seg = bytes(buf[max(0, pos - 400):pos])
    cups = list(CUP.finditer(seg))
    if not cups:
        return b"\x1b[1;1R"
    m = cups[-1]
    row = int(m.group(1) or 1)
    col = int(m.group(2) or 1)
    text = ESCSEQ.sub(b"", seg[m.end():])
    col += sum(1 for b in text if b >= 0x20 and not 0x80 <= b < 0xC0)
    return b"\x1b[%d;%dR" % (row, col)


def answer_queries(fd, buf, start):
    """Answer queries in buf[start:]; returns the new scan position."""
    end = start
    hits = []
    for rx, reply in QUERIES:
        for m in rx.finditer(buf, start):
            rep = reply(m) if reply else cursor_report(buf, m.start())
            hits.append((m.start(), m.end(), rep))
    for s_, e_, rep in sorted(hits):
        os.write(fd, rep)
        end = max(end, e_)
    # keep a short tail unscanned so a query split over two reads is seen
    return max(end, len(buf) - 24)


TIME = "/usr/bin/time"   # GNU time: reports the editor's own peak RSS


SETTLE = 0.03   # after the first screen: wait this long without output


def run_pty(argv, steps, env, timeout, settle=None):
    """Run argv on a fresh 80x24 pty, play the steps, reap.  Returns dict.

    The editor is started under GNU time (-f %M): a child forked from this
    Python process would inherit Python's peak RSS as a floor, a child of
    the small time process does not.

    Steps besides bytes / str / tuple / ('sleep', s):
      ('repeat', keys, stop, max_n): type keys, wait until the editor has
          answered (output arrived, then SETTLE quiet), until `stop` is seen
          in the answer (at most max_n times); res['repeats'] counts them.
      ('keys', label, keys, n): type keys n times (a list: its items in
          turn), each once the previous one has been answered (a key with
          no output within 2 s is counted in res['silent']); per-press answer times (send -> last output
          byte) go to res['lat'][label], the bytes written to the terminal
          per press to res['bytes'][label].
    The quiet gaps these steps wait through are idle time and not counted
    in wall."""
    ws = struct.pack("HHHH", ROWS, COLS, 0, 0)
    rssfile = os.path.join(env["TMPDIR"], "rss")
    if os.path.exists(TIME):
        argv = [TIME, "-f", "%M", "-o", rssfile, "--"] + list(argv)
    t0 = time.perf_counter()
    pid, fd = pty.fork()
    if pid == 0:  # child: set the window size on the slave, exec the editor
        try:
            fcntl.ioctl(0, termios.TIOCSWINSZ, ws)
            os.execvpe(argv[0], argv, env)
        finally:
            os._exit(127)
    os.set_blocking(fd, False)
    if settle is None:
        settle = SETTLE
    buf = bytearray()
    mark = 0
    scan = 0
    t_last = t0     # when output last arrived
    idle = 0.0      # time spent waiting for the screen to settle
    res = {"ok": True, "note": ""}
    ready = None
    deadline = t0 + timeout
    status = rusage = None

    def pump(wait):
        nonlocal status, rusage, scan, t_last
        r, _, _ = select.select([fd], [], [], max(wait, 0))
        if r:
            try:
                data = os.read(fd, 65536)
            except BlockingIOError:
                return True
            except OSError:
                data = b""
            if data:
                t_last = time.perf_counter()
                buf.extend(data)
                if b"\x1b" in buf[max(scan, len(buf) - len(data) - 24):]:
                    scan = answer_queries(fd, buf, scan)
                else:
                    scan = max(scan, len(buf) - 24)
                return True
            # EOF: the editor closed the terminal; reap it
            if status is None:
                _, status, rusage = os.wait4(pid, 0)
            return False
        return True

    def type_keys(data):
        # Written in pieces while the output is drained, so that neither
        # side can block the other on a full terminal buffer.
        data = memoryview(data)
        while data:
            if status is not None or time.perf_counter() > deadline:
                raise TimeoutError("typing")
            r, w, _ = select.select([fd], [fd], [], 0.5)
            if r:
                pump(0)
            if w:
                try:
                    n = os.write(fd, data[:256])
                except BlockingIOError:
                    n = 0
                data = data[n:]

    def answered(m, quiet_after=None):
        """Wait for the editor's answer to what was just typed: some output
        after buf[m], then SETTLE without any.  Returns (time of its last
        byte, bytes); the quiet gap is added to the idle time.  With
        quiet_after (seconds), a key that brings no output at all within
        that time gives (None, 0)."""
        nonlocal idle
        t_sent = time.perf_counter()
        while len(buf) == m:
            if status is not None or time.perf_counter() > deadline:
                raise TimeoutError("no answer")
            if quiet_after and time.perf_counter() - t_sent > quiet_after:
                idle += time.perf_counter() - t_sent
                return None, 0
            pump(0.05 if quiet_after else 0.5)
        while status is None:
            now = time.perf_counter()
            if now - t_last >= settle:
                break
            if now > deadline:
                raise TimeoutError("answer never ends")
            pump(settle - (now - t_last))
        idle += max(0.0, time.perf_counter() - t_last)
        return t_last, len(buf) - m

    try:
        for step in steps:
            if isinstance(step, bytes):
                type_keys(step)
                continue
            if isinstance(step, tuple) and step and step[0] == "sleep":
                time.sleep(step[1])
                continue
            if isinstance(step, tuple) and step and step[0] == "repeat":
                _, keys, stop, max_n = step
                n = 0
                while True:
                    m = len(buf)
                    t_send = time.perf_counter()
                    type_keys(keys)
                    t_end, _ = answered(m)
                    timed = res.setdefault("timed", {})
                    timed["repeat"] = timed.get("repeat", 0.0) + t_end - t_send
                    n += 1
                    if buf.find(stop.encode(), m) >= 0:
                        break
                    if n >= max_n:
                        raise TimeoutError("no %r after %d repeats" % (stop, n))
                res["repeats"] = n
                mark = len(buf)
                continue
            if isinstance(step, tuple) and step and step[0] == "timed":
                # type keys, wait for the pattern and the quiet after it;
                # the time from the keys to the last byte of the answer is
                # added to res['timed'][label]
                _, label, keys, pat = step
                m = len(buf)
                t_send = time.perf_counter()
                type_keys(keys)
                while buf.find(pat.encode(), m) < 0:
                    if status is not None or time.perf_counter() > deadline:
                        raise TimeoutError("waiting for %r" % (pat,))
                    pump(0.5)
                t_end, _ = answered(len(buf) - 1)
                timed = res.setdefault("timed", {})
                timed[label] = timed.get(label, 0.0) + t_end - t_send
                mark = len(buf)
                continue
            if isinstance(step, tuple) and step and step[0] == "keys":
                _, label, keys, n = step
                lat, nbytes = [], []
                for i in range(n):
                    k = keys[i % len(keys)] if isinstance(keys, list) else keys
                    m = len(buf)
                    t_send = time.perf_counter()
                    type_keys(k)
                    t_end, nb = answered(m, quiet_after=2.0)
                    if t_end is None:
                        res.setdefault("silent", {}).setdefault(label, 0)
                        res["silent"][label] += 1
                        continue
                    lat.append(t_end - t_send)
                    nbytes.append(nb)
                res.setdefault("lat", {})[label] = lat
                res.setdefault("bytes", {})[label] = nbytes
                mark = len(buf)
                continue
            pats = (step,) if isinstance(step, str) else step
            pats = [p.encode() for p in pats]
            found = [-1] * len(pats)
            searched = mark      # search only the output that is new
            while True:
                for k, p in enumerate(pats):
                    if found[k] < 0:
                        found[k] = buf.find(p, max(mark, searched - len(p)))
                searched = len(buf)
                if all(i >= 0 for i in found):
                    mark = max(i + len(p) for i, p in zip(found, pats))
                    break
                if status is not None or time.perf_counter() > deadline:
                    raise TimeoutError("waiting for %r" % (step,))
                pump(0.5)
            if ready is None:
                ready = time.perf_counter() - t0
                # Let the editor finish drawing and go idle before typing
                # (as a person would); the quiet gap is not counted.
                t_end = time.perf_counter() + 2.0
                while status is None:
                    now = time.perf_counter()
                    if now - t_last >= settle or now > t_end:
                        break
                    pump(settle - (now - t_last))
                idle += max(0.0, time.perf_counter() - t_last)
        # all keys typed: drain until the editor exits
        while status is None:
            if time.perf_counter() > deadline:
                raise TimeoutError("editor did not exit")
            if not pump(0.5):
                break
            # a process that keeps the pty open but exited: check
            p, st, ru = os.wait4(pid, os.WNOHANG)
            if p:
                status, rusage = st, ru
    except TimeoutError as e:
        res["ok"] = False
        res["note"] = str(e)
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        if status is None:
            _, status, rusage = os.wait4(pid, 0)
    t1 = time.perf_counter()
    os.close(fd)
    rss = rusage.ru_maxrss
    try:
        with open(rssfile) as f:
            rss = int(f.read().split()[-1])
    except (OSError, ValueError, IndexError):
        pass  # killed, or no GNU time: Python's own floor is included
    res.update(wall=t1 - t0 - idle, wall_raw=t1 - t0, idle=idle,
               ready=ready, rss_kb=rss,
               user=rusage.ru_utime, sys=rusage.ru_stime,
               rc=os.waitstatus_to_exitcode(status), out_bytes=len(buf))
    res["_screen_tail"] = bytes(buf[-3000:])
    return res


def run_plain(argv, env, timeout):
    rssfile = os.path.join(env["TMPDIR"], "rss")
    if os.path.exists(TIME):
        argv = [TIME, "-f", "%M", "-o", rssfile, "--"] + list(argv)
    t0 = time.perf_counter()
    p = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL)
    try:
        _, status, ru = os.wait4(p.pid, 0)
    finally:
        p.returncode = 0
    t1 = time.perf_counter()
    rss = ru.ru_maxrss
    try:
        with open(rssfile) as f:
            rss = int(f.read().split()[-1])
    except (OSError, ValueError, IndexError):
        pass
    return dict(ok=True, note="", wall=t1 - t0, ready=None,
                rss_kb=rss, user=ru.ru_utime, sys=ru.ru_stime,
                rc=os.waitstatus_to_exitcode(status))


def count_the(path):
    with open(path, "rb") as f:
        data = f.read()
    return len(data), data.count(WORD.encode()), data.count(REPL.encode())


_expect_cache = {}


def one_run(editor, workload, fname, timeout=300):
    env, home = bench_env()
    src = file_path(fname)
    if editor in FLOORS:
        argv = [expand(a, src, home) for a in FLOORS[editor]]
        res = run_plain(argv, env, timeout)
        shutil.rmtree(home, ignore_errors=True)
        return res
    ed = EDITORS[editor]
    if workload not in ed:
        shutil.rmtree(home, ignore_errors=True)
        return None
    target = src
    if workload == "replace":
        work = os.path.join(BENCH_DIR, "work")
        os.makedirs(work, exist_ok=True)
        target = os.path.join(work, os.path.basename(src))
        shutil.copyfile(src, target)
        if src not in _expect_cache:
            _expect_cache[src] = count_the(src)
    argv = []
    for a in ed.get("argv_" + workload, ed["argv"]):
        if a == "{files}" or (workload == "switch" and a == "{file}"):
            argv += switch_files()
        else:
            argv.append(expand(a, target, home))
    steps = []
    for s in ed[workload]:
        if isinstance(s, bytes):
            s = expand(s.decode("latin-1"), target, home).encode("latin-1")
        elif isinstance(s, str):
            s = expand(s, target, home)
        elif isinstance(s, tuple) and s and s[0] == "timed":
            s = (s[0], s[1], expand(s[2].decode("latin-1"), target, home).encode("latin-1"),
                 expand(s[3], target, home))
        steps.append(s)
    tdir = os.path.dirname(target)
    before = set(os.listdir(tdir))
    res = run_pty(argv, steps, env, timeout)
    if workload == "replace" and res["ok"]:
        size0, n0, r0 = _expect_cache[src]
        size1, n1, r1 = count_the(target)
        good = (n1 == 0 and r1 == r0 + n0 and
                size1 == size0 + n0 * (len(REPL) - len(WORD)))
        if not good:
            res["ok"] = False
            res["note"] = ("verify failed: %s left %d, %s %d (want %d), "
                           "size %d (want %d)" % (WORD, n1, REPL, r1, r0 + n0,
                           size1, size0 + n0 * (len(REPL) - len(WORD))))
    if workload == "replace" and os.path.exists(target):
        os.unlink(target)
    # state the editor wrote into the (fresh) $HOME, for the notes
    written = []
    for dp, dn, fn in os.walk(home):
        for f in fn:
            rel = os.path.relpath(os.path.join(dp, f), home)
            if rel not in ("tmp/rss",):
                written.append(rel)
    if written:
        res["note"] += " wrote in HOME: %s" % sorted(written)
    shutil.rmtree(home, ignore_errors=True)
    # files the editor left next to the file (swap, backup, lock files)
    leftovers = sorted(f for f in set(os.listdir(tdir)) - before
                       if not f.endswith(".tmp") and not f.startswith("home-"))
    if leftovers:
        res["note"] += " leftovers: %s" % leftovers
        if workload == "replace":
            for f in leftovers:
                p = os.path.join(tdir, f)
                if os.path.isfile(p):
                    os.unlink(p)
    return res


def version_of(editor):
    if editor in FLOORS:
        return ""
    try:
        out = subprocess.run(EDITORS[editor]["version"], shell=True,
                             capture_output=True, text=True, timeout=20)
        return (out.stdout.strip().splitlines() or [""])[0]
    except Exception as e:  # noqa
        return "?"


def summarize(rows):
    ok = [r for r in rows if r and r["ok"]]
    if not ok:
        return None
    walls = [r["wall"] for r in ok]
    readies = [r["ready"] for r in ok if r["ready"] is not None]
    return dict(n=len(ok), failed=len(rows) - len(ok),
                median=statistics.median(walls), min=min(walls),
                max=max(walls),
                ready=statistics.median(readies) if readies else None,
                rss_mb=max(r["rss_kb"] for r in ok) / 1024.0,
                cpu=statistics.median(r["user"] + r["sys"] for r in ok),
                timed={k: statistics.median(r.get("timed", {}).get(k, 0.0) for r in ok)
                       for k in ok[0].get("timed", {})},
                notes=sorted(set(r["note"].strip() for r in rows
                                 if r and r["note"].strip())),
                keys=keys_summary(ok))


def keys_summary(rows):
    """Per key label over all runs: median and max answer time (ms) and
    median bytes written to the terminal per press."""
    out = {}
    for r in rows:
        for label, lat in r.get("lat", {}).items():
            e = out.setdefault(label, {"lat": [], "bytes": []})
            e["lat"] += lat
            e["bytes"] += r["bytes"][label]
    return {k: dict(n=len(v["lat"]), median_ms=statistics.median(v["lat"]) * 1e3,
                    max_ms=max(v["lat"]) * 1e3,
                    bytes_per_press=statistics.mean(v["bytes"]))
            for k, v in out.items() if v["lat"]}


def cmd_run(a):
    editors = a.editors.split(",") if a.editors else list(EDITORS)
    # The plan: (file, workload, runs, warm-ups, editors), measured in order.
    plan = []
    if a.plan:
        for item in a.plan.split(";"):
            f = item.strip().split(":")
            if len(f) < 2:
                sys.exit("bad --plan item %r (want FILE:WL,WL[:RUNS[:WARMUP[:ED/ED]]])" % item)
            runs = int(f[2]) if len(f) > 2 and f[2] else a.runs
            warm = int(f[3]) if len(f) > 3 and f[3] else a.warmup
            eds = f[4].split("/") if len(f) > 4 and f[4] else editors
            for wl in f[1].split(","):
                plan.append((f[0], wl, runs, warm, eds))
    else:
        for fname in a.files.split(","):
            for wl in a.workloads.split(","):
                if wl == "replace" and fname not in a.replace_files.split(","):
                    continue
                runs = a.runs if fname not in BIG else min(a.runs, a.big_runs)
                plan.append((fname, wl, runs, a.warmup, editors))
    files = list(dict.fromkeys(p[0] for p in plan))
    workloads = list(dict.fromkeys(p[1] for p in plan))
    for f in files:
        gen_file(f)
    os.makedirs(a.out, exist_ok=True)
    versions = {e: version_of(e) for e in dict.fromkeys(e for p in plan for e in p[4])}
    results = {}
    for fname, wl, runs, warmup, item_editors in plan:
        if True:
            names = list(item_editors)
            if wl == "open" and a.floor:
                names = list(FLOORS) + names
            rows = {e: [] for e in names}
            fails = {e: 0 for e in names}
            good = {e: 0 for e in names}
            skipped = {}
            for e in names:
                if e in FLOORS:
                    continue
                why = EDITORS[e].get("skip", {}).get(wl)
                if wl not in EDITORS[e]:
                    why = "no key script"
                if why and not (a.force_skipped and wl in EDITORS[e]):
                    skipped[e] = why
            for i in range(warmup + runs):
                order = names if i % 2 == 0 else names[::-1]
                for e in order:
                    if e in skipped:
                        continue
                    if fails[e] >= 2 and not good[e]:
                        continue  # give up on an editor that always fails
                    r = one_run(e, wl, fname, a.timeout)
                    if r is None:
                        continue
                    if r["ok"]:
                        good[e] += 1
                    else:
                        fails[e] += 1
                    if i >= warmup:
                        rows[e].append(r)
                    tag = "warm" if i < warmup else "run%d" % (i - warmup)
                    print("%-9s %-8s %-14s %-5s wall=%.3f ready=%s rss=%.1fMB %s %s"
                          % (fname, wl, e, tag, r["wall"],
                             "%.3f" % r["ready"] if r["ready"] else "-",
                             r["rss_kb"] / 1024, "ok" if r["ok"] else "FAIL",
                             r["note"]), flush=True)
                    if not r["ok"] and a.debug:
                        print(r["_screen_tail"][-1500:])
            for e in names:
                s = summarize(rows[e])
                if e in skipped:
                    s = {"skipped": skipped[e]}
                elif s is None and fails[e]:
                    s = {"skipped": "failed: " + "; ".join(sorted(set(
                        r["note"] for r in rows[e] if r)))[:200]}
                results[(fname, wl, e)] = s
    # report
    lines = ["# Peer editor benchmark (%dx%d pty, %s, medians)" % (
        COLS, ROWS, "runs per section" if a.plan else
        "%d runs + %d warm-up" % (a.runs, a.warmup)), ""]
    lines.append("Machine: %s, %d CPUs. Date: %s. Load average at the end: %s" % (
        os.uname().release, os.cpu_count(), time.strftime("%Y-%m-%d %H:%M"),
        " ".join("%.2f" % x for x in os.getloadavg())))
    lines.append("")
    for fname in files:
        sz = os.path.getsize(file_path(fname))
        for wl in workloads:
            keyset = [k for k in results if k[0] == fname and k[1] == wl]
            if not keyset:
                continue
            runs, warm = next((p[2], p[3]) for p in plan if p[:2] == (fname, wl))
            lines.append("## %s  file=%s (%d lines, %.1f MB; %d runs + %d warm-up)" % (
                wl, fname, FILES[fname][0], sz / 1e6, runs, warm))
            lines.append("")
            lines.append("| editor | version | median s | min-max s | "
                         "first screen s | cpu s | peak RSS MB | ok/runs | notes |")
            lines.append("|---|---|---|---|---|---|---|---|---|")
            for k in keyset:
                s = results[k]
                e = k[2]
                if s is None or "skipped" in s:
                    lines.append("| %s | %s | - | - | - | - | - | 0 | %s |"
                                 % (e, versions.get(e, ""),
                                    s["skipped"] if s else "no runs"))
                    continue
                lines.append("| %s | %s | %.3f | %.3f-%.3f | %s | %.3f | %.1f | %d/%d | %s |"
                             % (e, versions.get(e, ""), s["median"], s["min"],
                                s["max"],
                                "%.3f" % s["ready"] if s["ready"] else "-",
                                s["cpu"], s["rss_mb"], s["n"],
                                s["n"] + s["failed"], "; ".join(s["notes"])))
            lines.append("")
            for k in keyset:
                s = results[k]
                if not s or not s.get("timed") or wl != "replace":
                    continue
                work = sum(s["timed"].values())
                n_repl = _expect_cache.get(file_path(fname), (0, 0, 0))[1]
                lines.append("Replace alone, %s: %.3f s from the ENTER of the first "
                             "command to the answer of the last again command "
                             "(median), %d replacements: %.2f us per replacement."
                             % (k[2], work, n_repl, work / n_repl * 1e6 if n_repl else 0))
                lines.append("")
            for k in keyset:
                s = results[k]
                if not s or not s.get("keys"):
                    continue
                lines.append("Key answers, %s (ms from the key to the last byte of "
                             "the answer; bytes written per press):" % k[2])
                lines.append("")
                lines.append("| key | presses | median ms | max ms | bytes/press |")
                lines.append("|---|---|---|---|---|")
                for label, v in s["keys"].items():
                    lines.append("| %s | %d | %.2f | %.2f | %.1f |" % (
                        label, v["n"], v["median_ms"], v["max_ms"], v["bytes_per_press"]))
                lines.append("")
    text = "\n".join(lines)
    print(text)
    stamp = time.strftime("%Y%m%d-%H%M%S")
    with open(os.path.join(a.out, "results-%s.md" % stamp), "w") as f:
        f.write(text + "\n")
    with open(os.path.join(a.out, "results-%s.json" % stamp), "w") as f:
        json.dump({"|".join(k): v for k, v in results.items()}, f, indent=1)


def main():
    p = argparse.ArgumentParser(description=__doc__,
                                formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = p.add_subparsers(dest="cmd", required=True)
    g = sub.add_parser("gen")
    g.add_argument("--big", action="store_true", help="also the 10M-line file")
    g.add_argument("--force", action="store_true")
    r = sub.add_parser("run")
    r.add_argument("--editors", default="", help="comma list (default: all)")
    r.add_argument("--workloads", default="open,end,replace",
                   help="open,end,replace,pagedown,type,switch,latency")
    r.add_argument("--files", default="lines100k,lines1m,crlf1m")
    r.add_argument("--replace-files", default="lines1m",
                   help="files on which the replace workload runs")
    r.add_argument("--runs", type=int, default=7)
    r.add_argument("--big-runs", type=int, default=5,
                   help="runs on the 10M-line file")
    r.add_argument("--force-skipped", action="store_true",
                   help="also run workloads an editor marks as skipped")
    r.add_argument("--warmup", type=int, default=1)
    r.add_argument("--timeout", type=float, default=300)
    r.add_argument("--no-floor", dest="floor", action="store_false")
    r.add_argument("--out", default=os.path.join(os.path.dirname(
        os.path.abspath(__file__)), "results"))
    r.add_argument("--plan", default="",
                   help="instead of --files/--workloads: items FILE:WL,WL[:RUNS"
                        "[:WARMUP[:ED/ED]]] separated by ';', measured in order")
    r.add_argument("--debug", action="store_true")
    o = sub.add_parser("once")
    o.add_argument("editor")
    o.add_argument("workload")
    o.add_argument("file", help="file name key, e.g. lines1m")
    o.add_argument("--timeout", type=float, default=300)
    o.add_argument("--screen", action="store_true",
                   help="also print the tail of the terminal output")
    sub.add_parser("versions")
    a = p.parse_args()
    if a.cmd == "gen":
        for f in FILES:
            if f in BIG and not a.big:
                continue
            t = time.time()
            path = gen_file(f, a.force)
            print("%s: %d bytes (%.1fs)" % (path, os.path.getsize(path),
                                           time.time() - t))
    elif a.cmd == "run":
        cmd_run(a)
    elif a.cmd == "once":
        gen_file(a.file)
        r = one_run(a.editor, a.workload, a.file, a.timeout)
        tail = r.pop("_screen_tail", b"")
        print(json.dumps(r))
        if a.screen:
            sys.stdout.flush()
            sys.stdout.buffer.write(tail)
            print()
        sys.exit(0 if r["ok"] else 1)
    elif a.cmd == "versions":
        for e in EDITORS:
            print("%-6s %s" % (e, version_of(e)))


if __name__ == "__main__":
    main()
