#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running lumen need.
# Silent when everything is already there; must run as root (or through sudo) otherwise.
set -euo pipefail

packages=(
  build-essential cmake git pkg-config clang-format
  qtbase5-dev qtbase5-private-dev qtdeclarative5-dev qtquickcontrols2-5-dev
  qml-module-qtquick2 qml-module-qtquick-controls2 qml-module-qtquick-window2
  qml-module-qtgraphicaleffects qml-module-qtwebengine qml-module-qtwebchannel
  qtwebengine5-dev qtwebengine5-private-dev libqt5webchannel5-dev
  libspdlog-dev libfmt-dev
  libx11-dev libxtst-dev
  libgl1-mesa-dri libglx-mesa0
  xvfb xauth x11-utils x11-apps imagemagick
  python3
  dpkg-dev file lintian
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
