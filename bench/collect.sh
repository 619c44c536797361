#!/usr/bin/env bash
# End-to-end benchmark of pellucor-cli against nginx on loopback.
#
# The loopback board writes its dense pages (20-30 KB of varied Japanese text, seeded) as
# static files; nginx, started here with its own configuration on a free port, serves them.
# For each encoding (EUC-JP, ISO-2022-JP, Shift_JIS), and for the old repeated-line pages as
# a second row, pellucor-cli collects N_BIG messages into one HTML file and curl fetches the
# same addresses in one process (URL globbing, to /dev/null), alternately, REPEAT times.
# Printed against their targets:
#   wall time vs curl            goal <= 1.25x, bar <= 1.5x (median ratio; spread shown)
#   peak RSS                     <= 16 MB, and not higher for N_BIG messages than for N_SMALL
#   flat cost                    N_FLAT messages (smaller pages) <= 52x the time of N_BIG
#   start-up                     pellucor-cli settings, and the desktop program until its main
#                                window is drawn (offscreen), <= 0.3 s each with 100 definition
#                                files and 1,000 history jobs in the program folder
# The figures are wall times: the load average is printed with them.
#
#   bench/install-deps                 (once, as root: nginx, curl, GNU time, Google Benchmark)
#   bench/collect.sh [BUILD_DIR]       (default: build/release, built when missing)
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-build/release}
if [ -z "${1:-}" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release -j2 --target pellucor-cli loopback-board pellucor_defs >/dev/null
  # the desktop program where Qt 6 is found
  cmake --build --preset release -j2 --target pellucor >/dev/null 2>&1 || true
fi
BIN=$(cd "$BUILD/bin" && pwd)
N_BIG=${N_BIG:-2000}
N_SMALL=${N_SMALL:-200}
N_FLAT=${N_FLAT:-100000}
PAGE_BYTES=${PAGE_BYTES:-20000}
FLAT_PAGE_BYTES=${FLAT_PAGE_BYTES:-3000}
REPEAT=${REPEAT:-5}
FLAT_REPEAT=${FLAT_REPEAT:-2}
ENCODINGS=${ENCODINGS:-euc jis sjis}
STAGES=${STAGES:-compare memory flat startup}  # any of them, to run a part
# The flat-cost runs write some hundred MB: on tmpfs the disk's write-back, which other work on
# the machine drives, stays out of the figure.
FLAT_HOME=${FLAT_HOME:-$( [ -d /dev/shm ] && mktemp -d /dev/shm/pellucor_flat_XXXXXX || echo "")}
NGINX=${NGINX:-$(command -v nginx || echo /usr/sbin/nginx)}
[ -x "$NGINX" ] || { echo "collect.sh: nginx not found; run bench/install-deps" >&2; exit 1; }

WORK=$(mktemp -d /tmp/pellucor_bench_XXXXXX)
chmod 755 "$WORK"
NGINX_PID=
cleanup() {
  if [ -n "$NGINX_PID" ]; then kill "$NGINX_PID" 2>/dev/null && wait "$NGINX_PID" 2>/dev/null; fi
  rm -rf "$WORK"
  [ -n "$FLAT_HOME" ] && rm -rf "$FLAT_HOME"
}
trap cleanup EXIT
mkdir -p "$WORK/www/m" "$WORK/www/f" "$WORK/nginx"
SUMMARY=$WORK/summary
: >"$SUMMARY"

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# ---- nginx: /board/message?mid=N serves www/m/N; /flat/message?mid=N serves www/f/(N mod 1000)
PORT=$(free_port)
cat >"$WORK/nginx/nginx.conf" <<CONF
$( [ "$(id -u)" = 0 ] && echo "user root;" )
worker_processes 1;
daemon off;
pid $WORK/nginx/nginx.pid;
error_log $WORK/nginx/error.log warn;
events { worker_connections 64; }
http {
  access_log off;
  sendfile on;
  tcp_nodelay on;
  keepalive_requests 1000000;
  keepalive_timeout 60s;
  default_type application/octet-stream;
  client_body_temp_path $WORK/nginx/body;
  proxy_temp_path $WORK/nginx/proxy;
  fastcgi_temp_path $WORK/nginx/fastcgi;
  uwsgi_temp_path $WORK/nginx/uwsgi;
  scgi_temp_path $WORK/nginx/scgi;
  map \$arg_mid \$mid { "~^(?<d>[0-9]+)\$" \$d; default none; }
  map \$arg_mid \$flat { "~0*(?<t>[0-9]{1,3})\$" \$t; default none; }
  server {
    listen 127.0.0.1:$PORT;
    root $WORK/www;
    location = /board/message { try_files /m/\$mid =404; }
    location = /flat/message { try_files /f/\$flat =404; }
  }
}
CONF
"$NGINX" -c "$WORK/nginx/nginx.conf" -p "$WORK/nginx" 2>"$WORK/nginx/stderr" &
NGINX_PID=$!
for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$PORT/" && break; sleep 0.05; done
curl -s -o /dev/null "http://127.0.0.1:$PORT/" || { cat "$WORK/nginx/stderr" >&2; exit 1; }
URL1="http://127.0.0.1:$PORT/board/message?mid="
FLAT1="http://127.0.0.1:$PORT/flat/message?mid="

# ---- measuring: wall time in seconds (date), peak RSS in KB and CPU seconds (GNU time)
# run_timed CMD...: sets T (seconds), RSS (KB) and CPU (user + system seconds)
run_timed() {
  local t0 t1
  t0=$(date +%s%N)
  /usr/bin/time -f "%M %U %S" -o "$WORK/rss" "$@"
  t1=$(date +%s%N)
  T=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", (b - a) / 1e9 }')
  read -r RSS CPU < <(tail -1 "$WORK/rss" | awk '{ printf "%d %.2f\n", $1, $2 + $3 }')
}

# A fresh program folder with the shipped definitions and copies that read JIS and
# Shift_JIS boards.
new_home() {
  local home=$1
  rm -rf "$home"
  mkdir -p "$home/data" "$home/out"
  cp "$BIN"/*.bbs "$BIN"/*.out "$home/"
  sed 's/^charchange=0/charchange=2/' "$BIN/_yahoo.bbs" >"$home/_yahoo_jis.bbs"
  sed 's/^charchange=0/charchange=1/' "$BIN/_yahoo.bbs" >"$home/_yahoo_sjis.bbs"
}

bbs_for() {
  case $1 in euc) echo _yahoo.bbs ;; jis) echo _yahoo_jis.bbs ;; sjis) echo _yahoo_sjis.bbs ;; esac
}

# collect URL N BBS [HOME]: one run of messages 1..N into a fresh folder; sets T, RSS, SIZE
collect() {
  local url=$1 n=$2 bbs=$3 home=${4:-$WORK/home}
  new_home "$home"
  run_timed "$BIN/pellucor-cli" --home "$home" --no --quiet --url1="$url" \
    --outfile="$home/out/topic.html" --topictofilename=0 --proxy=1 --bbs_file="$bbs" \
    --from=1 --to="$n" --maxmsg=0 run 2>"$WORK/err" || { cat "$WORK/err" >&2; exit 1; }
  SIZE=$(stat -c %s "$home/out/topic.html")
  rm -rf "$home/out"
}

# window_shown HOME: "WALL CPU", the seconds from starting the desktop program on HOME until the
# first frame of its main window is drawn (offscreen, so no display is needed), and the CPU time
# it used until then. Qt's own painting log tells when that happens; the program is then ended.
# A window that is not up in 20 s fails.
window_shown() {
  QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="qt.widgets.painting=true" QT_MESSAGE_PATTERN="%{message}" \
    python3 - "$BIN/pellucor" "$1" <<'PY'
import os, subprocess, sys, threading, time
start = time.monotonic()
p = subprocess.Popen([sys.argv[1], "--home", sys.argv[2]], stdin=subprocess.DEVNULL,
                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, errors="replace")
watchdog = threading.Timer(20, p.kill)
watchdog.start()
shown = None
for line in p.stderr:
    if line.startswith("Flushing") and "Form_main" in line:
        shown = time.monotonic() - start
        with open(f"/proc/{p.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        cpu = (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
        break
watchdog.cancel()
p.kill()
p.wait()
if shown is None:
    sys.exit("collect.sh: the main window of pellucor was not drawn")
print(f"{shown:.4f} {cpu:.2f}")
PY
}

fetch_all() {
  run_timed curl -s "${1}[1-$2]" -o /dev/null
}

# stats NAME VALUES...: "median min max"
stats() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.4f %.4f %.4f\n", m, v[1], v[NR] }'
}

verdict() { awk -v v="$1" -v l="$2" 'BEGIN { print (v <= l) ? "ok" : "MISSED" }'; }

load() { cut -d' ' -f1-3 /proc/loadavg; }

echo "machine: $(nproc) cores; load average at start: $(load)"
echo "nginx $("$NGINX" -v 2>&1 | sed 's/.*\///') on 127.0.0.1:$PORT, one worker; $REPEAT alternating runs each"
echo

# ---- pellucor-cli vs curl, per encoding and page mix
compare() {  # compare ENC TEXT
  local enc=$1 text=$2 bbs ratios=() tp=() tc=() pages
  bbs=$(bbs_for "$enc")
  rm -rf "$WORK/www/m" && mkdir -p "$WORK/www/m"
  "$BIN/loopback-board" --count "$N_BIG" --page-bytes "$PAGE_BYTES" --encoding "$enc" \
    --text "$text" --write-pages "$WORK/www/m"
  pages=$(du -sb "$WORK/www/m" | awk -v n="$N_BIG" '{ printf "%.1f", $1 / n / 1024 }')
  fetch_all "$URL1" "$N_BIG"  # warm-up: the pages in the page cache
  for _ in $(seq "$REPEAT"); do
    fetch_all "$URL1" "$N_BIG"
    tc+=("$T")
    collect "$URL1" "$N_BIG" "$bbs"
    tp+=("$T")
    ratios+=("$(awk -v a="${tp[-1]}" -v b="${tc[-1]}" 'BEGIN { printf "%.4f", a / b }')")
    [ "$enc/$text" = euc/dense ] && echo "$RSS" >>"$WORK/rss_big"
  done
  read -r mp lp hp < <(stats "${tp[@]}")
  read -r mc lc hc < <(stats "${tc[@]}")
  read -r mr lr hr < <(stats "${ratios[@]}")
  printf "%-4s %-8s %d msgs, %5.1f KB/page: pellucor %6.3f s (%.3f-%.3f)  curl %6.3f s (%.3f-%.3f)\n" \
    "$enc" "$text" "$N_BIG" "$pages" "$mp" "$lp" "$hp" "$mc" "$lc" "$hc"
  printf "  %-48s %5.2fx (spread %.2f-%.2f)  goal <= 1.25x %s, bar <= 1.5x %s\n" \
    "pellucor-cli vs curl, $enc $text:" "$mr" "$lr" "$hr" "$(verdict "$mr" 1.25)" \
    "$(verdict "$mr" 1.5)" | reference "$text" | tee -a "$SUMMARY"
}

# The old repeated-line pages are a reference row: printed with the targets, never failing.
reference() {
  if [ "$1" = repeated ]; then sed 's/MISSED/missed (reference row)/g'; else cat; fi
}

stage() { [[ " $STAGES " == *" $1 "* ]]; }

if stage compare; then
  for enc in $ENCODINGS; do compare "$enc" dense; done
  compare euc repeated
  echo "  (load average now: $(load))" | tee -a "$SUMMARY"
fi

# ---- memory: N_SMALL vs N_BIG messages (dense EUC-JP pages)
if stage memory; then
rm -rf "$WORK/www/m" && mkdir -p "$WORK/www/m"
"$BIN/loopback-board" --count "$N_BIG" --page-bytes "$PAGE_BYTES" --encoding euc --text dense \
  --write-pages "$WORK/www/m"
: >"$WORK/rss_small"; touch "$WORK/rss_big"
for _ in $(seq "$REPEAT"); do
  collect "$URL1" "$N_SMALL" _yahoo.bbs
  echo "$RSS" >>"$WORK/rss_small"
  collect "$URL1" "$N_BIG" _yahoo.bbs
  echo "$RSS" >>"$WORK/rss_big"
done
read -r rs_m rs_l rs_h < <(stats $(cat "$WORK/rss_small"))
read -r rb_m rb_l rb_h < <(stats $(cat "$WORK/rss_big"))
echo
printf "%-50s %6.1f MB (%.1f-%.1f)  target <= 16 MB  %s\n" "peak RSS, $N_BIG messages:" \
  "$(awk -v v="$rb_h" 'BEGIN { print v / 1024 }')" "$(awk -v v="$rb_l" 'BEGIN { print v / 1024 }')" \
  "$(awk -v v="$rb_h" 'BEGIN { print v / 1024 }')" "$(verdict "$rb_h" 16384)" | tee -a "$SUMMARY"
# Peak RSS moves by some hundred KB between runs whatever the count (allocator, libraries);
# growth with the count would show far beyond that band: compare the medians.
printf "%-50s %+6.0f KB (medians %.0f vs %.0f KB)  target <= 0 (noise band 256 KB)  %s\n" \
  "peak RSS, $N_BIG vs $N_SMALL messages:" "$(awk -v a="$rb_m" -v b="$rs_m" 'BEGIN { print a - b }')" \
  "$rb_m" "$rs_m" "$(verdict "$(awk -v a="$rb_m" -v b="$rs_m" 'BEGIN { print a - b }')" 256)" |
  tee -a "$SUMMARY"

fi

# ---- flat cost: N_FLAT vs N_BIG messages of smaller pages (1,000 distinct pages, cycled)
if stage flat || stage startup; then
rm -rf "$WORK/www/m"
"$BIN/loopback-board" --count 1000 --page-bytes "$FLAT_PAGE_BYTES" --encoding euc --text dense \
  --write-pages "$WORK/www/f"
ln -sf 1000 "$WORK/www/f/0"
fi
if stage flat; then
# The short run is repeated more often: at a fraction of a second it is the noisier one.
tf_small=() tf_big=() cf_small=() cf_big=()
for _ in $(seq "$FLAT_REPEAT"); do
  for _ in 1 2 3; do
    collect "$FLAT1" "$N_BIG" _yahoo.bbs "${FLAT_HOME:-$WORK/home}"
    tf_small+=("$T") cf_small+=("$CPU")
  done
  collect "$FLAT1" "$N_FLAT" _yahoo.bbs "${FLAT_HOME:-$WORK/home}"
  tf_big+=("$T") cf_big+=("$CPU")
  flat_size=$SIZE flat_rss=$RSS
done
read -r cs_m _ _ < <(stats "${cf_small[@]}")
read -r cb_m _ _ < <(stats "${cf_big[@]}")
read -r fs_m fs_l fs_h < <(stats "${tf_small[@]}")
read -r fb_m fb_l fb_h < <(stats "${tf_big[@]}")
fr=$(awk -v a="$fb_m" -v b="$fs_m" 'BEGIN { printf "%.2f", a / b }')
limit=$(awk -v a="$N_FLAT" -v b="$N_BIG" 'BEGIN { printf "%.2f", 1.04 * a / b }')
printf "%-50s %.2fx (%d: %.2f s [%.2f-%.2f], %d: %.3f s [%.3f-%.3f]; %.1f KB pages,\n" \
  "flat cost, $N_FLAT vs $N_BIG messages:" "$fr" "$N_FLAT" "$fb_m" "$fb_l" "$fb_h" "$N_BIG" \
  "$fs_m" "$fs_l" "$fs_h" "$(du -sb "$WORK/www/f" | awk '{ printf "%.1f", $1 / 1000 / 1024 }')" |
  tee -a "$SUMMARY"
printf "%-50s  CPU time %.2fx (%.2f vs %.3f s), output %.0f MB on %s, peak RSS %.1f MB)\n" "" \
  "$(awk -v a="$cb_m" -v b="$cs_m" 'BEGIN { print (b > 0) ? a / b : 0 }')" "$cb_m" "$cs_m" \
  "$(awk -v v="$flat_size" 'BEGIN { print v / 1048576 }')" "$(df --output=fstype "${FLAT_HOME:-$WORK}" | tail -1)" \
  "$(awk -v v="$flat_rss" 'BEGIN { print v / 1024 }')" | tee -a "$SUMMARY"
printf "%-50s  target <= %sx (wall time)  %s\n" "" "$limit" "$(verdict "$fr" "$limit")" |
  tee -a "$SUMMARY"

fi

# ---- start-up: 100 definition files and 1,000 history jobs
if stage startup; then
home=$WORK/startup
new_home "$home"
"$BIN/loopback-board" --count 3 --encoding euc --write-pages "$WORK/www/f" >/dev/null
"$BIN/pellucor-cli" --home "$home" --no --quiet --url1="$FLAT1" --outfile="$home/out/t.html" \
  --topictofilename=0 --proxy=1 --from=1 --to=2 --maxmsg=0 run 2>/dev/null || true
ndefs() { ls "$home"/*.bbs "$home"/*.out | wc -l; }
for i in $(seq 1 50); do
  sed "s/^name=.*/name=board$i/" "$BIN/_yahoo.bbs" >"$home/board$i.bbs"
done
i=0
while [ "$(ndefs)" -lt 100 ]; do cp "$BIN/_html.out" "$home/type$((++i)).out"; done
ndefs=$(ndefs)
# record.dat: the version line, then 25 lines per job; the one job of the run above, 1,000
# times over with different addresses.
tail -n +2 "$home/record.dat" >"$WORK/job"
{
  head -1 "$home/record.dat"
  for i in $(seq 1 1000); do sed "s|^http://127.0.0.1|http://127.0.0.$((i % 250 + 1))|" "$WORK/job"; done
} >"$WORK/record.dat"
mv "$WORK/record.dat" "$home/record.dat"
njobs=$(( ($(wc -l <"$home/record.dat") - 1) / 25 ))
ts=()
for _ in $(seq $((REPEAT * 2))); do
  run_timed "$BIN/pellucor-cli" --home "$home" settings >/dev/null 2>&1
  ts+=("$T")
done
read -r st_m st_l st_h < <(stats "${ts[@]}")
printf "%-50s %.3f s (%.3f-%.3f, %d runs; %d definition files, %d jobs)  target <= 0.3 s  %s\n" \
  "start-up, pellucor-cli settings:" "$st_m" "$st_l" "$st_h" "${#ts[@]}" "$ndefs" "$njobs" \
  "$(verdict "$st_m" 0.3)" | tee -a "$SUMMARY"
if [ -x "$BIN/pellucor" ]; then
  ts=() cs=()
  for _ in $(seq $((REPEAT * 2))); do
    read -r t c < <(window_shown "$home")
    ts+=("$t") cs+=("$c")
  done
  read -r st_m st_l st_h < <(stats "${ts[@]}")
  read -r sc_m _ _ < <(stats "${cs[@]}")
  printf "%-50s %.3f s (%.3f-%.3f, %d runs; %d definition files, %d jobs)  target <= 0.3 s  %s\n" \
    "start-up, pellucor window shown:" "$st_m" "$st_l" "$st_h" "${#ts[@]}" "$ndefs" "$njobs" \
    "$(verdict "$st_m" 0.3)" | tee -a "$SUMMARY"
  printf "%-50s  CPU time until then %.2f s (median)\n" "" "$sc_m" | tee -a "$SUMMARY"
else
  echo "start-up, pellucor window shown:                    not measured (no $BIN/pellucor: Qt 6 missing)" |
    tee -a "$SUMMARY"
fi

fi

echo
echo "Summary ($(nproc) cores, load average at the end: $(load)):"
cat "$SUMMARY"
! grep -q "MISSED" "$SUMMARY"
