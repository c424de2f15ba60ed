#!/bin/sh
# Installs the Debian packages that building, running and testing need.
# Quick when everything is there: only missing packages reach apt-get.
set -e
PACKAGES="build-essential cmake ninja-build pkg-config
libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
ffmpeg
qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-l10n-tools qt6-multimedia-dev libgl-dev
gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
libgtest-dev libgmock-dev
fonts-noto-cjk xvfb dbus-daemon dbus-session-bus-common qt6-translations-l10n
locales
time"
missing=""
for p in $PACKAGES; do
    dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "installing:$missing"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
