#!/usr/bin/env bash
# Installs every Debian package the project builds, tests and runs with.
# Idempotent; needs root.
set -euo pipefail

packages=(
  cmake ninja-build ccache g++ clang libclang-rt-14-dev
  qt6-base-dev qt6-svg-dev
  libcurl4-openssl-dev zlib1g-dev libcpp-httplib-dev libinih-dev libarchive-dev libuchardet-dev
  nettle-dev liblzma-dev libzstd-dev liblz4-dev libbz2-dev libacl1-dev libxml2-dev
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev ffmpeg
  libwebrtc-audio-processing-dev libfftw3-dev espeak-ng
  qt6-translations-l10n qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  cppcheck graphviz
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-liberation
  desktop-file-utils appstream lintian dpkg-dev file gettext
  locales
)

# The tests run the programs under a Turkish UTF-8 locale as well as C.
turkish_locale() {
  locale -a | grep -qix 'tr_TR.utf8' || localedef -i tr_TR -f UTF-8 tr_TR.UTF-8
}

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ "${#missing[@]}" -eq 0 ] && [ "${VELKARO_FORCE_APT:-0}" != 1 ]; then
  echo "install-deps: all packages present"
  turkish_locale
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${packages[@]}"
turkish_locale
