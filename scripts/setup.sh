#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
# Idempotent: when everything is already there it says nothing and exits 0.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-webengine-dev-tools
  libqt6webenginecore6-bin qt6-qpa-plugins qt6-tools-dev libqt6svg6 libgl-dev
  libgtest-dev libgmock-dev
  xvfb xauth x11-utils fonts-noto-cjk qt6-translations-l10n
  libchm-bin 7zip fp-utils libmspack-dev python3-chm
  libuchardet-dev
  clang libclang-rt-14-dev
  help2man appstream desktop-file-utils dpkg-dev file xdg-utils tmux zsh man-db
  wine64 python3-pefile
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
