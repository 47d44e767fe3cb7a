#!/usr/bin/env bash
# Pictures of the program for docs/: the window runs on a virtual X server
# against the stand-in sites server, driven with the keyboard and the mouse as
# a person would; each window is captured on its own.
#   scripts/screenshots.sh [BUILD_DIR [OUT_DIR]]     (default: build docs)
# Writes main-window.png, advanced-search.png, properties.png,
# proxy-settings.png, for a film opened from its two videos
# video-search.png, save-dialog.png and downloaded.png, and for the window
# started with another film's two videos best-match.png, and the main window
# in English main-window-en.png into OUT_DIR. SETTLE
# (seconds, default 3) is how long a search is given; the stand-in answers
# from loopback in far less. With QT_SCALE_FACTOR set (2: everything twice
# as large) the virtual screen and the clicks grow with it.
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build}"
settle="${SETTLE:-3}"
mkdir -p "${2:-docs}"
docs=$(cd "${2:-docs}" && pwd)
scale="${QT_SCALE_FACTOR:-1}"
screen="$(awk -v s="$scale" 'BEGIN { printf "%dx%d", 1024 * s, 768 * s }')"

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
command -v ffmpeg >/dev/null || { echo "screenshots: ffmpeg is needed for the videos (Debian package ffmpeg)" >&2; exit 2; }

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

mkdir "$work/program" "$work/videos"
# The window and the worker that unpacks downloads for it.
cp "$build/bin/velkaro" "$build/bin/velkaro-unpack" "$work/program/"
# The two parts of a film, at the frame rate of the stand-in's subtitles.
for part in 1 2; do
  ffmpeg -loglevel error -f lavfi -i "color=c=black:s=64x48:r=24000/1001:d=1" -c:v mpeg4 \
    "$work/videos/The.Matrix.1999.CD$part.avi"
done
# The two parts of one of the stand-in's trap films, of the lengths its subtitles are timed to.
for part in 1 2; do
  ffmpeg -loglevel error -f lavfi -i "testsrc=size=64x48:rate=25" -t 15 -c:v mpeg4 \
    "$work/videos/Kırık.Pusula.2006.DVDRip.CD$part.XviD-SiNNERS.avi"
done
# Every site ticked, the film name filled in, no grid, no dialog at start.
# Kept aside too: the English window starts from the same settings.
printf -- '-1\r\n-1\r\n-1\r\n-1\r\n-1\r\n-1\r\nMatrix\r\n50\r\n0\r\n0\r\n' > "$work/first.vkcf"
cp "$work/first.vkcf" "$work/program/conf.vkcf"

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
scale=$4
videos=$5

fail() { echo "screenshots: $*" >&2; exit 1; }
capture() { xwd -id "$1" -silent | xwdtopnm 2>/dev/null | pnmtopng > "$docs/$2"; }
# The newest visible window whose title matches, once it has appeared.
window() { timeout 15 xdotool search --sync --onlyvisible --name "$1" | tail -1; }
# A click at x y of the window, given at scale 1.
click() { xdotool mousemove --window "$1" "$(awk -v s="$scale" -v v="$2" 'BEGIN { print int(v * s) }')" \
  "$(awk -v s="$scale" -v v="$3" 'BEGIN { print int(v * s) }')" click 1; }

unset QT_QPA_PLATFORM
# From the videos' folder: "Video aç..." opens there.
cd "$videos"
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
click "$main" 60 149
sleep 0.5
capture "$main" main-window.png

xdotool key ctrl+o
properties=$(window '^Velkaro$') || fail "Ctrl+O showed no properties message"
sleep 0.3
capture "$properties" properties.png
xdotool key Return
sleep 0.5

# "Ayarlar > Proxy Ayarları..." by its letters.
xdotool windowfocus --sync "$main"
xdotool key alt+a
sleep 0.5
xdotool key p
proxy=$(window '^Proxy Ayarlar') || fail "the menu did not open the proxy settings"
sleep 0.3
capture "$proxy" proxy-settings.png
xdotool key Escape
sleep 0.5

# A film from its two videos: the list cleared, "Video aç..." (Ctrl+V), the
# dialog filled in from the files, the search, the rows sorted by address
# ("Düzen > Sırala > URL") and the English SubDb row, two above the last,
# downloaded.
xdotool windowfocus --sync "$main"
xdotool key ctrl+alt+x
sleep 0.5
xdotool key Return
sleep 0.5
xdotool windowfocus --sync "$main"
xdotool key ctrl+v
window '^Video a' >/dev/null || fail "Ctrl+V opened no file dialog"
sleep 0.5
xdotool type --delay 20 '"The.Matrix.1999.CD1.avi" "The.Matrix.1999.CD2.avi"'
xdotool key Return
search=$(window '^Geli.* Arama$') || fail "the videos opened no advanced search dialog"
sleep 0.5
capture "$search" video-search.png
xdotool key Return
sleep "$settle"
# The list takes the keys.
click "$main" 60 131
sleep 0.3
xdotool key alt+z
sleep 0.3
xdotool key s
sleep 0.3
xdotool key u
sleep 0.5
xdotool key ctrl+End Up Up ctrl+k
save=$(window '^Altyaz.*ndir\.\.\.$') || fail "Ctrl+K on a SubDb row asked for no target"
sleep 0.5
capture "$save" save-dialog.png
xdotool key Return
done=$(window '^Velkaro$') || fail "the download was not confirmed"
sleep 0.3
# "Ayrıntıları Göster...": the whole paths.
xdotool key Tab space
sleep 0.5
capture "$done" downloaded.png
xdotool key Escape
sleep 0.3
# A window with rows asks before it closes; its pictures are taken.
kill -KILL "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true

# Started with a film's two parts, as "Open with" does: the dialog comes
# filled in, "Ara" searches, the rows are scored in "Uyum" and the best selected.
"$program/velkaro" "Kırık.Pusula.2006.DVDRip.CD1.XviD-SiNNERS.avi" \
  "Kırık.Pusula.2006.DVDRip.CD2.XviD-SiNNERS.avi" >/dev/null 2>&1 &
app=$!
window '^Geli.* Arama$' >/dev/null || fail "videos given at start opened no advanced search dialog"
sleep 0.5
xdotool key Return
sleep "$settle"
main=$(window '^Velkaro 1\.24$') || fail "the window started with videos did not appear"
capture "$main" best-match.png
kill -KILL "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true

# The main window as a person whose desktop speaks English sees it.
cp "$program/../first.vkcf" "$program/conf.vkcf"
LANGUAGE=en "$program/velkaro" >/dev/null 2>&1 &
app=$!
main=$(window '^Velkaro 1\.24$') || fail "the English window did not appear"
sleep 1
xdotool windowfocus --sync "$main"
xdotool key ctrl+s
window '^Advanced Search$' >/dev/null || fail "Ctrl+S opened no English advanced search dialog"
sleep 0.5
xdotool key Return
sleep "$settle"
click "$main" 60 149
sleep 0.5
capture "$main" main-window-en.png
DRIVE

pictures=(main-window advanced-search properties proxy-settings video-search save-dialog downloaded best-match
  main-window-en)
for picture in "${pictures[@]}"; do rm -f "$docs/$picture.png"; done
xvfb-run -a -s "-screen 0 ${screen}x24" bash "$work/drive.sh" "$work/program" "$docs" "$settle" "$scale" "$work/videos"
for picture in "${pictures[@]}"; do
  [ -s "$docs/$picture.png" ] || { echo "screenshots: $docs/$picture.png was not made" >&2; exit 1; }
done
echo "screenshots: ${pictures[*]/%/.png} in $docs"
