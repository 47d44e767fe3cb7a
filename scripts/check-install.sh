#!/usr/bin/env bash
# The installed program as a user meets it, from an already built tree:
#  1. installs it into a temporary prefix and validates the desktop entry and
#     the AppStream metadata there;
#  2. as the unprivileged user "nobody" with a fresh home: the installed
#     velkaro-cli searches the installed stand-in sites (proxy set in that
#     user's ~/.config/velkaro/proxy.txt) and downloads a SubDb subtitle; the
#     installed window starts on the offscreen platform, copies the default
#     settings into the user's config folder, fetches its banner into the
#     user's cache folder, and rewrites its settings when SIGTERM closes it;
#  3. builds the Debian package and runs lintian on it (errors fail).
#   scripts/check-install.sh [BUILD_DIR]     (default: build; run as root)
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build}"
started=$SECONDS

step() { printf -- '--- %s\n' "$*"; }
fail() {
  echo "check-install: $*" >&2
  exit 1
}

[ "$(id -u)" = 0 ] || fail "needs root (it runs the installed programs as the user nobody)"
[ -f "$build/CMakeCache.txt" ] || fail "no build in $build"

work=$(mktemp -d /tmp/velkaro-install.XXXXXX)
chmod 755 "$work"
sim=""
window=""
cleanup() {
  for pid in $window $sim; do
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

prefix="$work/prefix"
step "install into a temporary prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
bin="$prefix/bin"
for program in velkaro velkaro-cli velkaro-sitesim; do
  [ -x "$bin/$program" ] || fail "$program not installed"
done
[ -x "$prefix/libexec/velkaro/velkaro-unpack" ] || fail "the unpacking worker is not installed"

step "desktop entry and AppStream metadata"
desktop-file-validate "$prefix/share/applications/velkaro.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/velkaro.metainfo.xml"

# The user: nobody, with a fresh home and nothing of root's environment.
home="$work/home"
mkdir "$home"
chown nobody:nogroup "$home"
chmod 700 "$home"
# setpriv and env exec, so a program started in the background keeps the pid $! names.
as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups
  env -i HOME="$home" PATH="$bin:/usr/bin:/bin" LANG=C.UTF-8)
as_user() { "${as_user[@]}" "$@"; }
config="$home/.config/velkaro"
cache="$home/.cache/velkaro"
mode() { stat -c %a "$1"; }

step "--version and --help"
[ "$(as_user velkaro-cli --version)" = "velkaro 1.24" ] || fail "velkaro-cli --version"
[ "$(as_user velkaro --version)" = "velkaro 1.24" ] || fail "velkaro --version"
as_user velkaro-cli --help | grep -q '^usage: velkaro-cli search' || fail "velkaro-cli --help"
status=0
as_user velkaro-cli --no-such-option >/dev/null 2>"$work/usage" || status=$?
[ "$status" = 2 ] && grep -q '^usage: velkaro-cli' "$work/usage" || fail "an unknown option must print the usage on stderr and exit 2"

step "the installed stand-in sites, as nobody"
"${as_user[@]}" velkaro-sitesim --port-file "$home/port" >/dev/null 2>&1 &
sim=$!
for _ in $(seq 200); do
  [ -s "$home/port" ] && break
  sleep 0.05
done
[ -s "$home/port" ] || fail "velkaro-sitesim did not start"
port=$(cat "$home/port")

step "velkaro-cli searches and downloads, as nobody"
# The user sets the proxy as the man page says; the program makes the rest.
as_user sh -c 'mkdir -p "$1" && printf "1\r\n127.0.0.1:%s\r\n" "$2" > "$1/proxy.txt"' sh "$config" "$port"
as_user velkaro-cli search Matrix >"$work/rows" 2>"$work/search-status" || fail "search: exit $? ($(tail -n 1 "$work/search-status"))"
[ "$(tail -n 1 "$work/search-status")" = "Arama hatasız tamamlandı." ] || fail "search status: $(tail -n 1 "$work/search-status")"
echo "$(wc -l <"$work/rows") rows"
# Columns: icon, film, URL, language, FPS, CD, date added, uploader, format.
IFS=$'\t' read -r _ film url _ fps cd date _ < <(grep -m 1 -P '^\d+\t[^\t]*\thttp://www\.subdb\.net/' "$work/rows") ||
  fail "no SubDb row"
as_user mkdir "$home/Altyazilar"
saved=$(as_user velkaro-cli download --url "$url" --film "$film" --cd "$cd" --fps "$fps" --date "$date" \
  --out "$home/Altyazilar" 2>"$work/download-status") || fail "download: $(cat "$work/download-status")"
[ -s "$saved" ] || fail "download: no file at $saved"
echo "saved $(basename "$saved") ($(stat -c %s "$saved") bytes)"
# The scratch file's folder was made for the download, for the user alone;
# a completed download removes the scratch file.
[ "$(mode "$cache")" = 700 ] && [ "$(mode "$home/.cache")" = 700 ] || fail "cache folders not 0700"
[ ! -e "$cache/temp.subfile" ] || fail "temp.subfile left after a completed download"
# A SubDb answer without a file name is not saved and keeps its body in the
# scratch file: there, in the user's cache folder.
status=0
as_user velkaro-cli download --url "http://www.subdb.net/subdb/html/" --out "$home/Altyazilar" >/dev/null 2>&1 || status=$?
[ "$status" = 1 ] || fail "a download without a file name must exit 1 (got $status)"
[ -s "$cache/temp.subfile" ] || fail "temp.subfile not in the user's cache folder"
echo "temp.subfile kept in $cache ($(stat -c %s "$cache/temp.subfile") bytes)"

# A zip made ready beside a film by the installed unpacking worker.
IFS=$'\t' read -r _ film url _ fps cd date _ < <(grep -m 1 -P '^\d+\t[^\t]*\thttp://www\.extratitles\.net/[^\t]*\.zip\t' "$work/rows") ||
  fail "no ExtraTitles zip row"
as_user mkdir "$home/Film"
as_user velkaro-cli download --url "$url" --film "$film" --cd "$cd" --fps "$fps" --out "$home/Altyazilar" \
  --video "$home/Film/Film.avi" >/dev/null 2>"$work/ready-status" || fail "download --video: $(cat "$work/ready-status")"
ready=$(ls "$home/Film")
[ -n "$ready" ] || fail "download --video placed nothing: $(cat "$work/ready-status")"
echo "made ready beside the film: $ready"

step "the window, as nobody, on the offscreen platform"
"${as_user[@]}" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$home/runtime" velkaro --log >"$work/window" 2>&1 &
window=$!
# At start: the default settings copied in, the banner fetched through the proxy.
for _ in $(seq 400); do
  [ -s "$config/conf.vkcf" ] && [ -s "$cache/rek.gif" ] && break
  kill -0 "$window" 2>/dev/null || break
  sleep 0.05
done
[ -s "$config/conf.vkcf" ] || fail "the window did not copy conf.vkcf into $config: $(cat "$work/window")"
[ -s "$cache/rek.gif" ] || fail "the window did not write rek.gif into $cache: $(cat "$work/window")"
cmp -s "$config/conf.vkcf" "$prefix/share/velkaro/conf.vkcf" || fail "conf.vkcf is not the shipped default"
copied=$(stat -c %i "$config/conf.vkcf")
# SIGTERM closes the window as its close box does, which rewrites line 9.
kill -TERM "$window"
for _ in $(seq 200); do
  kill -0 "$window" 2>/dev/null || break
  sleep 0.05
done
kill -0 "$window" 2>/dev/null && fail "the window did not close on SIGTERM"
status=0
wait "$window" || status=$?
window=""
[ "$status" = 0 ] || fail "the window exited with $status: $(cat "$work/window")"
[ "$(stat -c %i "$config/conf.vkcf")" != "$copied" ] || fail "the settings were not written at exit"
[ "$(sed -n 10p "$config/conf.vkcf" | tr -d '\r')" = 0 ] || fail "line 9 of conf.vkcf"
echo "conf.vkcf copied at start and rewritten at exit in $config"
[ -f "$cache/velkaro.log" ] || fail "velkaro --log made no velkaro.log in $cache"

# Nothing was written beside the installed programs.
[ "$(ls "$bin" | tr '\n' ' ')" = "velkaro velkaro-cli velkaro-sitesim " ] || fail "files appeared in $bin: $(ls "$bin")"
kill "$sim"
wait "$sim" 2>/dev/null || true
sim=""

step "Debian package"
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls "$build"/package/velkaro_*_amd64.deb)
echo "$(basename "$package"): $(stat -c %s "$package") bytes"
dpkg-deb -f "$package" Depends
apt-get install --simulate "$(realpath "$package")" | grep '^Inst velkaro ' || fail "apt-get cannot install $package"
step "lintian"
status=0
lintian --fail-on error --display-info --show-overrides "$package" >"$work/lintian" 2>&1 || status=$?
grep -v '^running with root privileges' "$work/lintian" || true
[ "$status" = 0 ] || fail "lintian reports errors"

echo "check-install: passed in $((SECONDS - started)) s"
