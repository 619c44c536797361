#!/usr/bin/env bash
# The installed program as a user meets it: installs the build into a temporary prefix that the
# user cannot write, then, from a fresh home, starts pellucor-cli twice (the greeting only the
# first time), collects a topic from the loopback board with the installed _yahoo.bbs and lists
# the history. Everything must land in $XDG_DATA_HOME/pellucor/ and nothing in the prefix.
#   installed_program.sh BUILD_DIR [CMAKE]
set -euo pipefail
build=$1
cmake=${2:-cmake}

work=$(mktemp -d /tmp/pellucor-installed.XXXXXX)
board_pid=
cleanup() { [ -z "$board_pid" ] || kill "$board_pid" 2>/dev/null || true; chmod -R u+w "$work"; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$work/prefix
home=$work/home
data=$home/.local/share/pellucor
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
mkdir "$home"
chmod 755 "$work"
# Root writes through permission bits, so as root the programs run as nobody.
as_user=()
if [ "$(id -u)" = 0 ]; then
  chown 65534:65534 "$home"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
chmod -R a+rX,a-w "$prefix"
listing() { (cd "$prefix" && find . -printf '%p %s %T@\n' | sort); }
before=$(listing)

cli() {
  env -i PATH=/usr/bin:/bin HOME="$home" LC_ALL=C.UTF-8 "${as_user[@]}" "$prefix/bin/pellucor-cli" "$@" \
    >"$work/out" 2>"$work/err"
}
greeting=Pellucorをご利用いただきありがとうございます

cli --version || fail "--version"
grep -Eq '^pellucor-cli [0-9]+\.[0-9]{2} \(Rev:[0-9]+, commit [^)]+\)$' "$work/out" || fail "--version: $(cat "$work/out")"

cli settings || fail "first settings: $(cat "$work/err")"
grep -q "$greeting" "$work/err" || fail "no greeting at the first start"
grep -qx "program folder: $data/ (installed: the user's data folder)" "$work/err" || fail "folder: $(cat "$work/err")"
[ "$(grep -c = "$work/out")" = 24 ] || fail "settings: $(cat "$work/out")"
cut -d= -f1 "$work/out" >"$work/keys"
cli settings || fail "second settings"
! grep -q "$greeting" "$work/err" || fail "greeting again at the second start"

# The user's own definitions are never overwritten; a missing one comes back.
printf 'mine\r\n' >"$data/_html.out"
rm "$data/text.out"
cli settings || fail "third settings"
[ "$(cat "$data/_html.out")" = $'mine\r' ] || fail "an edited definition was overwritten"
cmp -s "$data/text.out" "$prefix/share/pellucor/defs/text.out" || fail "a missing definition was not copied"
cp "$prefix/share/pellucor/defs/_html.out" "$data/_html.out"

"$build/bin/loopback-board" --count 5 >"$work/board" 2>&1 &
board_pid=$!
for _ in $(seq 100); do
  url=$(head -n 1 "$work/board") && [ -n "$url" ] && break || sleep 0.1
done
[ -n "$url" ] || fail "the loopback board did not start"
cli --url1="$url" --bbs_file=_yahoo.bbs --out_file=_html.out --proxy=1 --quiet --no run ||
  fail "run: $(cat "$work/err")"
cli history list || fail "history list: $(cat "$work/err")"
[ "$(grep -c . "$work/out")" = 1 ] && grep -q '(5).*テスト用トピック' "$work/out" ||
  fail "history: $(cat "$work/out")"

# What the user has: the settings, the history and the topic in the default output folder,
# and the definitions; nothing anywhere else in the home, nothing new in the prefix.
(cd "$home" && find . -type f | sort) >"$work/files"
grep -qx "./.local/share/pellucor/pellu.ini" "$work/files" || fail "no pellu.ini"
grep -qx "./.local/share/pellucor/record.dat" "$work/files" || fail "no record.dat"
grep -Eqx '\./\.local/share/pellucor/data/.+\.html' "$work/files" || fail "no topic in data/"
! grep -v '^\./\.local/share/pellucor/' "$work/files" || fail "files outside the data folder"
grep -q "^from=6" <(tr -d '\r' <"$data/pellu.ini") || fail "from not moved on: $(cat "$data/pellu.ini")"
[ "$(listing)" = "$before" ] || fail "the prefix changed"

# Bash completion knows every command and every settings key.
commands=$(source "$prefix/share/bash-completion/completions/pellucor-cli" &&
  COMP_LINE="pellucor-cli " COMP_POINT=13 && _pellucor_cli && echo "${COMPREPLY[*]}")
for c in $commands; do
  cli help "$c" >/dev/null || fail "help $c"
  grep -q "^usage: pellucor-cli.* $c" "$work/out" || fail "help $c: $(cat "$work/out")"
done
[ "$(wc -w <<<"$commands")" = 9 ] || fail "completion commands: $commands"
cli history --help && mv "$work/out" "$work/help1" && cli help history &&
  cmp -s "$work/out" "$work/help1" || fail "history --help differs from help history"
! cli help nosuch || fail "help of an unknown command"
options=$(source "$prefix/share/bash-completion/completions/pellucor-cli" &&
  COMP_LINE="pellucor-cli --" COMP_POINT=14 && _pellucor_cli && echo "${COMPREPLY[*]}")
while read -r key; do
  [[ " $options " == *" --$key= "* ]] || fail "completion lacks --$key="
done <"$work/keys"
echo "installed program: ok"
