#!/bin/bash
# The Wine 10 that runs every Windows test and the demo: a Debian 13 root in
# a folder of its own, with Debian 13's 64-bit Wine and the 32-bit Windows
# half of its libraries, so that Wine's WoW64 mode runs the shipped i686
# programs in a 64-bit prefix, as 64-bit Windows does. This machine's kernel
# execs no 32-bit Linux program, so Debian 12's wine32 cannot run here; the
# root's Wine needs none.
#
#   wine-root.sh make     make the root once (idempotent; seconds when made)
#   wine-root.sh check    exit 0 when the root is made, 1 when not
#   wine-root.sh path     print the root's folder
#   wine-root.sh remove   delete the root
#
# scripts/wine10 runs a program inside it. The root lives in
# /var/cache/zarn-radio-minder/wine10-root unless RM_WINE_ROOT names another
# folder; every clone of the repository on the machine shares it.
set -euo pipefail

root=${RM_WINE_ROOT:-/var/cache/zarn-radio-minder/wine10-root}
# Bumped whenever the list below changes, so that an older root is made anew.
recipe=1
stamp="$root/.zarn-radio-minder-root"
packages=(wine64 libwine fonts-wine fonts-dejavu-core fonts-droid-fallback fonts-nanum locales)
# The locales the demo and the language tests start programs under.
locales=(de_DE ja_JP ru_RU ar_SA zh_CN en_US)

say() { echo "wine-root: $*" >&2; }
fail() { say "$*"; exit 1; }

made() { [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$recipe" ]; }

# Runs a shell command inside the root DIR with /dev, /proc and /sys, in a
# mount namespace of its own: nothing is mounted on the machine itself.
in_root() {
  local dir=$1
  shift
  unshare --mount --propagation private -- /bin/sh -c '
    set -e
    r=$1; shift
    mount --rbind /dev "$r/dev"
    mount --rbind /proc "$r/proc"
    mount --rbind /sys "$r/sys"
    cp -L /etc/resolv.conf "$r/etc/resolv.conf" 2>/dev/null || true
    exec chroot "$r" /bin/sh -c "$1"' sh "$dir" "$@"
}

do_make() {
  made && return 0
  [ "$(id -u)" -eq 0 ] || fail "making the Wine 10 root needs root (debootstrap, chroot)"
  command -v debootstrap >/dev/null || fail "debootstrap is missing (scripts/setup-deps.sh installs it)"
  command -v unshare >/dev/null || fail "unshare is missing (util-linux)"
  local parent new
  parent=$(dirname "$root")
  mkdir -p "$parent"
  new="$root.new"
  # Made under another name and renamed when complete: an interrupted run
  # leaves no root that looks made.
  if [ -e "$new" ]; then
    [ -f "$new/.zarn-radio-minder-partial" ] || fail "$new exists and is not ours; remove it or set RM_WINE_ROOT"
    rm -rf --one-file-system "$new"
  fi
  mkdir -p "$new"
  touch "$new/.zarn-radio-minder-partial"
  local start=$SECONDS
  say "making the Debian 13 root with Wine 10 in $root (once; a few minutes)"
  debootstrap --variant=minbase trixie "$new" >"$parent/debootstrap.log" 2>&1 ||
    { tail -n 20 "$parent/debootstrap.log" >&2; fail "debootstrap of Debian 13 failed (log: $parent/debootstrap.log)"; }
  local gen=""
  for l in "${locales[@]}"; do gen="$gen localedef -i $l -f UTF-8 $l.UTF-8;"; done
  in_root "$new" "
    set -e
    export DEBIAN_FRONTEND=noninteractive
    dpkg --add-architecture i386
    apt-get update -q
    apt-get install -y -q --no-install-recommends ${packages[*]}
    $gen
    # The 32-bit Windows half of Wine: only its PE files, which the 64-bit
    # loader runs in WoW64 mode; its 32-bit Linux half could not run here.
    mkdir -p /tmp/libwine-i386
    cd /tmp/libwine-i386
    apt-get download -q libwine:i386
    dpkg -x libwine_*_i386.deb x
    mkdir -p /usr/lib/x86_64-linux-gnu/wine/i386-windows
    cp -a x/usr/lib/i386-linux-gnu/wine/i386-windows/. /usr/lib/x86_64-linux-gnu/wine/i386-windows/
    cd /
    rm -rf /tmp/libwine-i386
    apt-get clean
    mkdir -p /tmp/.X11-unix
  " >"$parent/root-setup.log" 2>&1 ||
    { tail -n 20 "$parent/root-setup.log" >&2; fail "installing Wine 10 in the root failed (log: $parent/root-setup.log)"; }
  [ -x "$new/usr/lib/wine/wine64" ] || fail "the root has no /usr/lib/wine/wine64"
  [ -f "$new/usr/lib/x86_64-linux-gnu/wine/i386-windows/kernel32.dll" ] || fail "the root has no 32-bit Windows libraries"
  rm -f "$new/.zarn-radio-minder-partial"
  echo "$recipe" >"$new/.zarn-radio-minder-root"
  if [ -e "$root" ]; then
    [ -f "$stamp" ] || fail "$root exists and is not ours; remove it or set RM_WINE_ROOT"
    rm -rf --one-file-system "$root"
  fi
  mv "$new" "$root"
  say "made in $((SECONDS - start)) s: $(in_root "$root" '/usr/lib/wine/wine64 --version' 2>/dev/null)"
}

do_remove() {
  if [ -e "$root" ] && [ ! -f "$stamp" ] && [ ! -f "$root/.zarn-radio-minder-partial" ]; then
    fail "$root is not ours; left alone"
  fi
  # The runner mounts only inside namespaces of its own, so nothing of the
  # machine is mounted below the root; --one-file-system guards anyway.
  rm -rf --one-file-system "$root" "$root.new"
  say "removed $root"
}

mkdir -p "$(dirname "$root")"
exec 8>"$(dirname "$root")/.wine10-root.lock"
case "${1:-}" in
  make) flock 8; do_make ;;
  check) made ;;
  path) echo "$root" ;;
  remove) flock 8; do_remove ;;
  *) echo "usage: wine-root.sh make|check|path|remove" >&2; exit 2 ;;
esac
