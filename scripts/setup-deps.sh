#!/bin/bash
# Installs what building and testing need on a Debian 12 machine (as root).
# Quick when everything is already there.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  libwine-dev fonts-wine debootstrap xvfb x11-utils imagemagick fp-utils nsis
  fonts-dejavu-core fonts-droid-fallback fonts-nanum locales
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup-deps: installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}"
fi

# The locales the demo starts rmtray under, so that Wine gives it that
# user interface language and code page (scripts/demo.sh).
for l in de_DE ja_JP ru_RU ar_SA zh_CN; do
  if ! locale -a 2>/dev/null | grep -qix "$l.utf8"; then
    echo "setup-deps: generating $l.UTF-8"
    if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
    $SUDO localedef -i "$l" -f UTF-8 "$l.UTF-8"
  fi
done
