#!/usr/bin/env bash
# Installs every Debian package Framix needs to build, test and run.
# Idempotent: when every package is already installed it returns at once.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config git
  clang clang-format clang-tidy libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libqt6dbus6 libqt6opengl6-dev libgl-dev
  libqscintilla2-qt6-dev
  qt6-qpa-plugins
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev libgstreamer-plugins-bad1.0-dev
  gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly gstreamer1.0-libav
  libjpeg62-turbo-dev
  fonts-liberation2
  ffmpeg
  xvfb xauth x11-apps imagemagick openbox
  dbus dbus-x11 bc
  tesseract-ocr libexiv2-dev libimage-exiftool-perl
  desktop-file-utils appstream qt6-translations-l10n
  dpkg-dev man-db
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#PACKAGES[@]} packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
