#!/usr/bin/env bash
# End-to-end collection benchmark: the loopback board serves N messages of about 30 KB of
# EUC-JP each; pellucor-cli collects them into one HTML file, and curl fetches the same
# addresses in one process (URL globbing) for comparison. Prints the figures and checks the
# targets: wall time <= 1.5x curl's, peak RSS <= 16 MB and not more for 2,000 messages than
# for 200, and 2,000 messages in at most 10.5x the time of 200. Run it on a quiet machine: the
# figures are wall times.
#
#   bench/collect.sh [BUILD_DIR]     (default: build/release, built when missing)
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-build/release}
if [ -z "${1:-}" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release -j2 --target pellucor-cli loopback-board pellucor_defs >/dev/null
fi
BIN=$BUILD/bin
N_BIG=${N_BIG:-2000}
N_SMALL=${N_SMALL:-200}
PAGE_BYTES=${PAGE_BYTES:-30000}

WORK=$(mktemp -d /tmp/pellucor_bench_XXXXXX)
BOARD_PID=
cleanup() {
  [ -n "$BOARD_PID" ] && kill "$BOARD_PID" 2>/dev/null && wait "$BOARD_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

# --plain: no compression on loopback, so the board's own work does not hide the clients'.
"$BIN/loopback-board" --count "$N_BIG" --page-bytes "$PAGE_BYTES" --encoding euc --plain \
  >"$WORK/url" &
BOARD_PID=$!
for _ in $(seq 100); do [ -s "$WORK/url" ] && break; sleep 0.05; done
URL1=$(cat "$WORK/url")
[ -n "$URL1" ] || { echo "collect.sh: the loopback board did not start" >&2; exit 1; }

REPEAT=${REPEAT:-3}

# Best wall time and highest peak RSS of REPEAT runs of a command; prints "seconds peak_kb".
best_of() {
  local best= peak=0 t m
  for _ in $(seq "$REPEAT"); do
    "$@"
    read -r t m < "$WORK/time"
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
    [ "$m" -gt "$peak" ] && peak=$m
  done
  echo "$best $peak"
}

# One collection of messages 1..N into a fresh program folder.
collect_once() {
  local n=$1 home=$WORK/home
  rm -rf "$home"
  mkdir -p "$home/data" "$home/out"
  cp "$BIN"/*.bbs "$BIN"/*.out "$home/"
  /usr/bin/time -f "%e %M" -o "$WORK/time" \
    "$BIN/pellucor-cli" --home "$home" --no --quiet --url1="$URL1" \
    --outfile="$home/out/topic.html" --topictofilename=0 --proxy=1 \
    --from=1 --to="$n" --maxmsg=0 run 2>"$WORK/err" || { cat "$WORK/err" >&2; exit 1; }
  stat -c %s "$home/out/topic.html" > "$WORK/size_$n"
}

curl_once() {
  /usr/bin/time -f "%e %M" -o "$WORK/time" \
    curl -s --compressed "${URL1}[1-$N_BIG]" -o /dev/null >/dev/null
}

# Warm-up: every page made once by the board.
curl -s "${URL1}[1-$N_BIG]" >/dev/null

read -r t_small rss_small < <(best_of collect_once "$N_SMALL")
read -r t_big rss_big < <(best_of collect_once "$N_BIG")
read -r t_curl rss_curl < <(best_of curl_once)
size_small=$(cat "$WORK/size_$N_SMALL")
size_big=$(cat "$WORK/size_$N_BIG")

awk -v tb="$t_big" -v ts="$t_small" -v tc="$t_curl" -v rb="$rss_big" -v rs="$rss_small" \
    -v rc="$rss_curl" -v nb="$N_BIG" -v ns="$N_SMALL" -v sb="$size_big" -v ss="$size_small" \
    -v pb="$PAGE_BYTES" -v rep="$REPEAT" '
function verdict(ok) { return ok ? "ok" : "MISSED" }
BEGIN {
  printf "pages of about %d bytes, EUC-JP, loopback board; best of %d runs\n", pb, rep
  printf "pellucor-cli run, %5d messages: %6.2f s  peak RSS %6.1f MB  output %d bytes\n", ns, ts, rs/1024, ss
  printf "pellucor-cli run, %5d messages: %6.2f s  peak RSS %6.1f MB  output %d bytes\n", nb, tb, rb/1024, sb
  printf "curl (one process, globbing), %d: %6.2f s  peak RSS %6.1f MB\n", nb, tc, rc/1024
  r1 = (tc > 0) ? tb / tc : 0
  r2 = (ts > 0) ? tb / ts : 0
  printf "wall time vs curl:        %5.2fx  (target <= 1.5x)   %s\n", r1, verdict(r1 <= 1.5)
  printf "%d vs %d messages:     %5.2fx  (target <= 10.5x)  %s\n", nb, ns, r2, verdict(r2 <= 10.5)
  printf "peak RSS %d messages:  %5.1f MB (target <= 16 MB)  %s\n", nb, rb/1024, verdict(rb <= 16384)
  # Peak RSS moves by a few hundred KB from run to run (allocator, libraries) whatever the
  # count; growth with the count would show far beyond that band.
  printf "peak RSS %d vs %d:     %+d KB (target <= 0, noise band 256 KB)  %s\n", nb, ns, rb - rs, verdict(rb <= rs + 256)
}'
