#!/usr/bin/env bash
# Reading and writing large text files: generates a file of 1,000,000 lines of
# about 80 characters and one of 10,000,000 short lines, reads and writes back
# each with textfile_bench, and times `wc -l` and `cat` on the same files.
# Usage: bench/textfile_bench.sh [BUILD_DIR]   (a Release build is meant)
# The files go to $KUBENCH_DIR (default /tmp/kubench) and are removed after.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/bench-files}
bin=$build/bench/textfile_bench
[ -x "$bin" ] || { echo "no $bin: build with -DCMAKE_BUILD_TYPE=Release first" >&2; exit 1; }
dir=${KUBENCH_DIR:-/tmp/kubench}
mkdir -p "$dir"
trap 'rm -f "$dir"/long.txt "$dir"/long.txt.out "$dir"/short.txt "$dir"/short.txt.out' EXIT

awk 'BEGIN { for (i = 0; i < 1000000; i++)
  printf "%07d the quick brown fox jumps over the lazy dog, then runs on %011d\n", i, i * 7919 }' >"$dir/long.txt"
awk 'BEGIN { for (i = 0; i < 10000000; i++) printf "%07d\n", i }' >"$dir/short.txt"

# Best of three runs of a command: wall seconds and processor (user + system)
# seconds, each the smallest seen.  /usr/bin/time reports 10 ms steps.
best_of_3() {
  local wall= cpu= w u s c
  for _ in 1 2 3; do
    read -r w u s < <({ /usr/bin/time -f "%e %U %S" "$@" >/dev/null; } 2>&1)
    c=$(echo "$u + $s" | bc)
    if [ -z "$wall" ] || [ "$(echo "$w < $wall" | bc)" = 1 ]; then wall=$w; fi
    if [ -z "$cpu" ] || [ "$(echo "$c < $cpu" | bc)" = 1 ]; then cpu=$c; fi
  done
  printf '%.3f s wall, %.3f s cpu' "$wall" "$cpu"
}

for f in long short; do
  file=$dir/$f.txt
  cat "$file" >/dev/null  # into the page cache
  echo "== $f.txt: $(wc -l <"$file") lines, $(stat -c %s "$file") bytes"
  echo "wc -l            $(best_of_3 wc -l "$file")"
  echo "cat              $(best_of_3 cat "$file")"
  echo "load            $(cut -d' ' -f1-3 /proc/loadavg)"
  "$bin" "$file"
  # The same with the heap on transparent huge pages: shows how much of the
  # time is first-touch page faults of the per-line allocations.
  echo "-- with GLIBC_TUNABLES=glibc.malloc.hugetlb=1"
  GLIBC_TUNABLES=glibc.malloc.hugetlb=1 "$bin" "$file" | grep -E "read_file|memory per line"
  cmp -s "$file" "$file.out" && echo "written back     identical" || echo "written back     DIFFERS"
done
