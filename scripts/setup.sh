#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running lumen need, on Debian 12 or 13
# (the names are the same on both).
# Silent when everything is already there; must run as root (or through sudo) otherwise.
set -euo pipefail

packages=(
  build-essential cmake git pkg-config
  # One formatter on every release: Debian 12's default one formats differently.
  clang-format-19
  qt6-base-dev qt6-declarative-dev qt6-webengine-dev qt6-webchannel-dev qt6-5compat-dev
  # What the scene imports, loaded at run time (Package.cmake lists the same for the package).
  qml6-module-qtqml qml6-module-qtqml-models qml6-module-qtqml-workerscript qml6-module-qtquick
  qml6-module-qtquick-window qml6-module-qtquick-controls qml6-module-qtquick-templates
  qml6-module-qt5compat-graphicaleffects
  # The bare QML view bench_startup measures the program against.
  qml6-module-qtwebengine
  libspdlog-dev libfmt-dev
  libx11-dev libxtst-dev libxss-dev
  libgl1-mesa-dri libglx-mesa0
  # The fonts the package recommends: colour emoji, and a sans-serif without black-and-white ones.
  fonts-noto-color-emoji fonts-liberation
  xvfb xauth x11-utils x11-apps imagemagick
  # A session bus of their own for the tests of the screen-saver inhibition.
  dbus-daemon
  # A sound server of their own for the tests of a muted page, and its recorder.
  pulseaudio pulseaudio-utils
  # Desktops for the tests: a window manager on X, and a Wayland one with X beside it; Qt's
  # Wayland plugin, without which Qt falls back to X by itself and the shell's choice goes unseen.
  openbox weston xwayland qt6-wayland
  python3
  # The second engine, which lumen_config engine chromium|auto chooses.
  chromium
  dpkg-dev file lintian
  # The Debian 13 leg's chroot (scripts/debian13.sh) and its private network.
  debootstrap iproute2
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
