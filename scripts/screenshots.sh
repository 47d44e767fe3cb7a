#!/usr/bin/env bash
# Pictures of the program for docs/: the window runs on a virtual X server
# against the stand-in sites server, driven with the keyboard and the mouse as
# a person would; each window is captured on its own.
#   scripts/screenshots.sh [BUILD_DIR]     (default: build)
# Writes docs/main-window.png, docs/advanced-search.png, docs/properties.png,
# docs/proxy-settings.png and docs/best-match.png. SETTLE (seconds, default 3) is how long the
# search is given; the stand-in answers from loopback in far less.
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build}"
settle="${SETTLE:-3}"
docs="$PWD/docs"

tools=(xvfb-run xauth xdotool xwd xwdtopnm pnmtopng)
missing=()
for tool in "${tools[@]}"; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ "${#missing[@]}" -gt 0 ]; then
  if [ "$(id -u)" != 0 ]; then
    echo "screenshots: missing ${missing[*]}; install the Debian packages xvfb xauth xdotool x11-apps netpbm" >&2
    exit 2
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends xvfb xauth xdotool x11-apps netpbm >/dev/null
fi

if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"${JOBS:-2}" --target velkaro sitesim >/dev/null

# The program keeps its files beside itself: give it a folder of its own so
# the build's settings stay untouched.
work=$(mktemp -d)
sim=""
cleanup() {
  if [ -n "$sim" ]; then
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

mkdir "$work/program"
cp "$build/bin/velkaro" "$work/program/"
# Every site ticked, the film name filled in, no grid, no dialog at start.
printf -- '-1\r\n-1\r\n-1\r\n-1\r\n-1\r\n-1\r\nMatrix\r\n50\r\n0\r\n0\r\n' > "$work/program/conf.vkcf"

"$build/bin/sitesim" --port-file "$work/port" >/dev/null 2>&1 &
sim=$!
for _ in $(seq 100); do
  [ -s "$work/port" ] && break
  sleep 0.05
done
[ -s "$work/port" ] || { echo "screenshots: sitesim did not start" >&2; exit 1; }
# Through the proxy setting the default site hosts reach the stand-in.
printf '1\r\n127.0.0.1:%s\r\n' "$(cat "$work/port")" > "$work/program/proxy.txt"

cat > "$work/drive.sh" <<'DRIVE'
set -euo pipefail
program=$1
docs=$2
settle=$3
films=$4

fail() { echo "screenshots: $*" >&2; exit 1; }
capture() { xwd -id "$1" -silent | xwdtopnm 2>/dev/null | pnmtopng > "$docs/$2"; }
# The newest visible window whose title matches, once it has appeared.
window() { timeout 15 xdotool search --sync --onlyvisible --name "$1" | tail -1; }

unset QT_QPA_PLATFORM
"$program/velkaro" >/dev/null 2>&1 &
app=$!
trap 'kill "$app" 2>/dev/null || true' EXIT

main=$(window '^Velkaro 1\.24$') || fail "the main window did not appear"
sleep 1
xdotool windowfocus --sync "$main"

xdotool key ctrl+s
search=$(window '^Geli.* Arama$') || fail "Ctrl+S opened no advanced search dialog"
sleep 0.5
capture "$search" advanced-search.png
xdotool key Return
sleep "$settle"

# The second row of the list, below the menu bar, tool bar and list header.
xdotool mousemove --window "$main" 60 149 click 1
sleep 0.5
capture "$main" main-window.png

xdotool key ctrl+o
properties=$(window '^Velkaro$') || fail "Ctrl+O showed no properties message"
sleep 0.3
capture "$properties" properties.png
xdotool key Return
sleep 0.5

# "Ayarlar" on the menu bar; its next-to-last item is "Proxy Ayarları...".
xdotool mousemove --window "$main" 190 8 click 1
sleep 0.5
xdotool key Up Up Return
proxy=$(window '^Proxy Ayarlar') || fail "the menu did not open the proxy settings"
sleep 0.3
capture "$proxy" proxy-settings.png
xdotool key Escape
sleep 0.3
# A window with rows asks before it closes; its pictures are taken.
kill -KILL "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true

# Started with the two parts of a film, as "Open with" does: the dialog comes
# filled in, "Ara" searches, the rows are scored in "Uyum" and the best selected.
"$program/velkaro" "$films/Kırık.Pusula.2006.DVDRip.CD1.XviD-SiNNERS.avi" \
  "$films/Kırık.Pusula.2006.DVDRip.CD2.XviD-SiNNERS.avi" >/dev/null 2>&1 &
app=$!
search=$(window '^Geli.* Arama$') || fail "videos given at start opened no advanced search dialog"
sleep 0.5
xdotool key Return
sleep "$settle"
main=$(window '^Velkaro 1\.24$') || fail "the main window did not come back"
capture "$main" best-match.png
DRIVE

# Two parts of one of the stand-in's films, of the lengths its subtitles are timed to.
mkdir "$work/films"
for part in 1 2; do
  ffmpeg -nostdin -v error -f lavfi -i testsrc=size=64x48:rate=25 -t 15 -c:v mpeg4 \
    "$work/films/Kırık.Pusula.2006.DVDRip.CD$part.XviD-SiNNERS.avi"
done

mkdir -p "$docs"
xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/drive.sh" "$work/program" "$docs" "$settle" "$work/films"
for picture in main-window advanced-search properties proxy-settings best-match; do
  [ -s "$docs/$picture.png" ] || { echo "screenshots: docs/$picture.png was not made" >&2; exit 1; }
done
echo "screenshots: docs/main-window.png docs/advanced-search.png docs/properties.png docs/proxy-settings.png docs/best-match.png"
