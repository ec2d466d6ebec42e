#!/usr/bin/env python3
"""Find and replace on a large file, driven through a pseudo-terminal.

The file has 1,000,000 lines; every tenth line holds the word "needle"
(100,000 occurrences).  On an 80x24 pty (TERM=xterm, empty $HOME) the
release ku is started on a copy of it and, once its first screen is drawn:

  * a failing find ("zzzz"): F5, the string, ENTER -> "Not Found: zzzz"
    (one pass over every line, wrapping round to the start);
  * "*" F6 needle -> pin: the count "*" is 32000 repetitions, so the first
    command replaces 32000 occurrences, and three again commands (F1) the
    rest; each is timed from the ENTER / F1 to its message;
  * the same with a longer replacement ("haystacks"), so that every
    replaced line needs a new, larger line node;
  * the file is written (F11), checked, and the editor quit.

vim, when installed, does the same work: "/zzzz" (to "E486") and
":%s/needle/pin/g" (to "substitutions"), run with -u NONE -N -n -i NONE.

Every time is from the last key of the command to the first appearance of
its message in the terminal output: the work and the redraw of the screen,
not the start-up.  Each figure is the median of the runs (--runs, 3).

Usage: bench/find_bench.py [--ku PATH] [--runs N] [--no-vim]
  PATH defaults to build/find-release/ku (a Release build).  The files go
  to $KUBENCH_DIR (default /tmp/kubench-find) and are removed afterwards.
Only the Python standard library is used.
"""

import argparse
import fcntl
import os
import pty
import re
import select
import shutil
import signal
import statistics
import struct
import sys
import tempfile
import termios
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BENCH_DIR = os.environ.get("KUBENCH_DIR", "/tmp/kubench-find")
ROWS, COLS = 24, 80
LINES = 1_000_000
WORD = "needle"
FIRST_MARK = "KUBENCH-FIRST"

ESC = b"\x1b"
F1, F5, F6, F10, F11 = b"\x1bOP", b"\x1b[15~", b"\x1b[17~", b"\x1b[21~", b"\x1b[23~"


def make_file(path):
    with open(path, "w", buffering=1 << 20) as f:
        for i in range(1, LINES + 1):
            head = FIRST_MARK if i == 1 else "%07d" % i
            tail = " " + WORD + " in the hay" if i % 10 == 0 else " only hay here"
            f.write(head + " lorem ipsum dolor sit amet, consectetur" + tail + "\n")


# Answers to the terminal queries an editor may send (vim asks for the
# terminal's version and colours; left unanswered it waits for them).
QUERIES = [
    (re.compile(rb"\x1b\[>0?c"), b"\x1b[>0;95;0c"),
    (re.compile(rb"\x1b\[0?c"), b"\x1b[?1;2c"),
    (re.compile(rb"\x1b\[6n"), b"\x1b[1;1R"),
    (re.compile(rb"\x1b\]1([01]);\?(?:\x07|\x1b\\)"), None),
    (re.compile(rb"\x1bP\$q[^\x1b]*\x1b\\"), b"\x1bP0$r\x1b\\"),
    (re.compile(rb"\x1b\[\?(\d+)\$p"), None),
]


def reply(rx_index, m):
    if rx_index == 3:
        return b"\x1b]1" + m.group(1) + (b";rgb:ffff/ffff/ffff" if m.group(1) == b"0" else b";rgb:0000/0000/0000") + b"\x07"
    if rx_index == 5:
        return b"\x1b[?" + m.group(1) + b";0$y"
    return QUERIES[rx_index][1]


class Pty:
    def __init__(self, argv, home):
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home, "TERM": "xterm",
               "LANG": "C", "LC_ALL": "C"}
        ws = struct.pack("HHHH", ROWS, COLS, 0, 0)
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            try:
                fcntl.ioctl(0, termios.TIOCSWINSZ, ws)
                os.execvpe(argv[0], argv, env)
            finally:
                os._exit(127)
        self.buf = bytearray()
        self.mark = 0      # output before this was matched already
        self.scan = 0      # output before this was scanned for queries
        self.last_output = time.perf_counter()
        self.exited = False

    def pump(self, wait):
        r, _, _ = select.select([self.fd], [], [], wait)
        if not r:
            return
        try:
            data = os.read(self.fd, 1 << 16)
        except OSError:
            data = b""
        if not data:
            self.exited = True
            return
        self.last_output = time.perf_counter()
        self.buf.extend(data)
        for i, (rx, _) in enumerate(QUERIES):
            for m in rx.finditer(self.buf, self.scan):
                os.write(self.fd, reply(i, m))
        self.scan = max(self.scan, len(self.buf) - 32)

    def send(self, data):
        os.write(self.fd, data)

    def wait_for(self, text, timeout=600.0):
        """Time at which `text` first appears in output after the mark."""
        pat = text.encode()
        deadline = time.perf_counter() + timeout
        while True:
            i = self.buf.find(pat, self.mark)
            if i >= 0:
                self.mark = i + len(pat)
                return self.last_output
            if self.exited or time.perf_counter() > deadline:
                raise TimeoutError("waiting for %r; output ends with %r" % (text, bytes(self.buf[-300:])))
            self.pump(0.5)

    def quiet(self, gap=0.05):
        """Waits until no output came for `gap` seconds."""
        while not self.exited and time.perf_counter() - self.last_output < gap:
            self.pump(gap)
        self.mark = len(self.buf)

    def timed(self, keys, text, gap=0.3):
        """Types `keys` and returns the seconds until the editor's output for
        them ended (no output for `gap` seconds afterwards).  The output is a
        curses update, which sends only the cells that changed, so a message
        cannot always be found in it as text; `text` is looked for only when
        the editor writes it whole (None: not looked for).  Curses sends its
        output when the editor waits for the next key, so the end of the
        output is the end of the command."""
        self.quiet()
        t0 = time.perf_counter()
        self.send(keys)
        while len(self.buf) == self.mark and not self.exited:
            self.pump(0.5)
        while not self.exited and time.perf_counter() - self.last_output < gap:
            self.pump(gap)
        if text is not None and self.buf.find(text.encode(), self.mark) < 0:
            raise RuntimeError("no %r in the output: %r" % (text, bytes(self.buf[-300:])))
        self.mark = len(self.buf)
        return self.last_output - t0

    def timed_until(self, keys, text):
        """Types `keys` and returns the seconds until `text` appears (for an
        editor that writes its messages whole)."""
        self.quiet()
        t0 = time.perf_counter()
        self.send(keys)
        return self.wait_for(text) - t0

    def close(self):
        deadline = time.perf_counter() + 10
        while not self.exited and time.perf_counter() < deadline:
            self.pump(0.2)
            p, _ = os.waitpid(self.pid, os.WNOHANG)
            if p:
                self.exited = True
        if not self.exited:
            os.kill(self.pid, signal.SIGKILL)
        try:
            os.waitpid(self.pid, 0)
        except ChildProcessError:
            pass
        os.close(self.fd)


def check(path, repl):
    with open(path, "rb") as f:
        data = f.read()
    left, made = data.count(WORD.encode()), data.count(repl.encode())
    if left != 0 or made != LINES // 10:
        raise RuntimeError("%s: %d %s left, %d %s (want 0 and %d)" % (path, left, WORD, made, repl, LINES // 10))


def ku_run(ku, src, repl):
    home = tempfile.mkdtemp(prefix="home-", dir=BENCH_DIR)
    work = os.path.join(BENCH_DIR, "work.txt")
    shutil.copyfile(src, work)
    t = Pty([ku, work], home)
    try:
        t.wait_for(FIRST_MARK[1:])
        t.quiet(0.2)
        res = {}
        t.send(F5)
        t.wait_for("Find (F10 to clear)")
        res["fail"] = t.timed(b"zzzz\r", "Not Found: zzzz")
        # ESC alone, then the count: ku reads a lone ESC after its ESC delay.
        t.send(ESC)
        time.sleep(0.1)
        t.send(b"*" + F6)
        t.wait_for("Replace (F10 to clear)")
        t.send(F10 + WORD.encode() + b"\r")  # F10: the offered "zzzz" cleared
        t.wait_for("With:")
        steps = [t.timed(repl.encode() + b"\r", "32000 replacement(s) made")]
        for _ in range(3):
            steps.append(t.timed(F1, None))
        res["star"] = steps[0]
        res["total"] = sum(steps)
        res["steps"] = steps
        t.quiet()
        t.send(F11)
        t.wait_for("File has been written")
        t.quiet()
        t.send(ESC)
        time.sleep(0.1)
        t.send(b"qa")
        time.sleep(0.3)
        t.pump(0.1)
        if b"Are you sure" in t.buf[t.mark:]:
            t.send(b"y")
    finally:
        t.close()
        shutil.rmtree(home, ignore_errors=True)
    check(work, repl)
    os.unlink(work)
    return res


def vim_run(src, repl):
    home = tempfile.mkdtemp(prefix="home-", dir=BENCH_DIR)
    work = os.path.join(BENCH_DIR, "work.txt")
    shutil.copyfile(src, work)
    t = Pty(["vim", "-u", "NONE", "-N", "-n", "-i", "NONE", "--cmd", "set nowritebackup nobackup", work], home)
    try:
        t.wait_for(FIRST_MARK[1:])
        t.quiet(0.2)
        res = {}
        t.send(b"/zzzz")
        t.quiet()
        res["fail"] = t.timed_until(b"\r", "E486")
        t.send(b":%s/" + WORD.encode() + b"/" + repl.encode() + b"/g")
        t.quiet()
        res["total"] = t.timed_until(b"\r", "substitutions")
        t.quiet()
        t.send(b":wq\r")
    finally:
        t.close()
        shutil.rmtree(home, ignore_errors=True)
    check(work, repl)
    os.unlink(work)
    return res


def med(runs, key):
    return statistics.median(r[key] for r in runs)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--ku", default=os.path.join(ROOT, "build", "find-release", "ku"))
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--no-vim", action="store_true")
    a = ap.parse_args()
    if not os.access(a.ku, os.X_OK):
        sys.exit("no %s: build ku with -DCMAKE_BUILD_TYPE=Release first" % a.ku)
    os.makedirs(BENCH_DIR, exist_ok=True)
    src = os.path.join(BENCH_DIR, "find1m.txt")
    try:
        make_file(src)
        print("file: %d lines, %d bytes, %d occurrences of %r" % (LINES, os.path.getsize(src), LINES // 10, WORD))
        print("load: %s" % " ".join(open("/proc/loadavg").read().split()[:3]))
        have_vim = not a.no_vim and shutil.which("vim")
        for repl in ("pin", "haystacks"):
            print("\n== %s -> %s (medians of %d runs)" % (WORD, repl, a.runs))
            runs = [ku_run(a.ku, src, repl) for _ in range(a.runs)]
            n = LINES // 10
            print("ku   failing find            %8.1f ms" % (med(runs, "fail") * 1e3))
            print("ku   * F6 (32000 replaced)   %8.1f ms  %.2f us per replacement"
                  % (med(runs, "star") * 1e3, med(runs, "star") / 32000 * 1e6))
            print("ku   all %d (4 commands) %8.1f ms  %.2f us per replacement"
                  % (n, med(runs, "total") * 1e3, med(runs, "total") / n * 1e6))
            print("     commands: %s ms" % ", ".join("%.1f" % (statistics.median(r["steps"][i] for r in runs) * 1e3)
                                                     for i in range(4)))
            if have_vim:
                vr = [vim_run(src, repl) for _ in range(a.runs)]
                print("vim  failing /zzzz           %8.1f ms" % (med(vr, "fail") * 1e3))
                print("vim  :%%s (all %d)       %8.1f ms  %.2f us per replacement"
                      % (n, med(vr, "total") * 1e3, med(vr, "total") / n * 1e6))
    finally:
        for f in ("find1m.txt", "work.txt"):
            try:
                os.unlink(os.path.join(BENCH_DIR, f))
            except FileNotFoundError:
                pass


if __name__ == "__main__":
    main()
