#!/bin/bash
# Lists rmpanel.cpl for the Control Panel in a build tree's Wine prefix, as
# the installer does on Windows: the named value "rmpanel" under
#   HKLM\Software\Microsoft\Windows\CurrentVersion\Control Panel\Cpls
# holds the full path of the .cpl (REG_SZ). --remove deletes the value.
#
#   register-cpl.sh BUILD_DIR [--name NAME] [--remove]
#
# NAME is the environment's folder below BUILD_DIR (wine, the tests'; the
# demo's is wine-demo); it must be up (scripts/wine-env.sh up).
set -euo pipefail

build=$(cd "${1:?usage: register-cpl.sh BUILD_DIR [--name NAME] [--remove]}" && pwd)
shift
name=wine
remove=0
while [ $# -gt 0 ]; do
  case "$1" in
    --name) name=${2:?--name needs a value}; shift ;;
    --remove) remove=1 ;;
    *) echo "register-cpl.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

envfile="$build/$name/env"
[ -f "$envfile" ] || { echo "register-cpl.sh: $envfile missing: bring the environment up first" >&2; exit 1; }
# shellcheck disable=SC1090
. "$envfile"
WINE() { "$(dirname "$0")/wine10" wine "$@"; }
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Control Panel\Cpls'

if [ "$remove" = 1 ]; then
  WINE reg delete "$key" /v rmpanel /f /reg:32 >/dev/null 2>&1 || true
  WINE reg delete "$key" /v rmpanel /f /reg:64 >/dev/null 2>&1 || true
  exit 0
fi
cpl="$build/panel/rmpanel.cpl"
[ -f "$cpl" ] || { echo "register-cpl.sh: $cpl not built" >&2; exit 1; }
path=$(WINE winepath -w "$cpl" 2>/dev/null)
# A 32-bit applet is listed in the 32-bit view, where the 32-bit Control
# Panel (C:\windows\syswow64\control.exe) finds it, as the setup lists it.
view=/reg:64
[ "$("$(dirname "$0")/pe-machine" "$cpl")" = i386 ] && view=/reg:32
WINE reg add "$key" /v rmpanel /t REG_SZ /d "$path" /f "$view" >/dev/null
