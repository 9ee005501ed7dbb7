#!/bin/bash
# The Wine environment of one build tree: its own prefix under the build
# tree, a persistent wineserver, an Xvfb display (or the caller's DISPLAY),
# a virtual desktop with a taskbar, the Marlett font, the firmware
# stand-in registered as the WMI locator, and the Control Panel applet
# listed for the Control Panel (scripts/register-cpl.sh) once it is built.
#
#   wine-env.sh up BUILD_DIR [--use-display]   bring it up (idempotent)
#   wine-env.sh down BUILD_DIR                 stop only what "up" started
#   wine-env.sh env BUILD_DIR                  print the environment file
#   wine-env.sh register BUILD_DIR             (re)register the stand-in and
#                                              the applet
#
# --name NAME keeps a second environment beside the tests' one, under
# BUILD_DIR/NAME instead of BUILD_DIR/wine (the demo uses its own).
#
# Other prefixes and servers on the machine are never touched.
set -euo pipefail

cmd=${1:?usage: wine-env.sh up|down|env|register BUILD_DIR [--use-display]}
build=$(cd "${2:?build directory}" && pwd)
shift 2
use_display=0
name=wine
while [ $# -gt 0 ]; do
  case "$1" in
    --use-display) use_display=1 ;;
    --name) name=${2:?--name needs a value}; shift ;;
    *) echo "wine-env.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

state="$build/$name"
envfile="$state/env"
# Wine is Wine 10 from its root (scripts/wine-root.sh), made here when it
# is missing. Every process started here must not inherit the lock's
# descriptor (9): the persistent server and Xvfb would hold the lock for
# their lifetime.
scripts=$(cd "$(dirname "$0")" && pwd)
WINE10="$scripts/wine10"
WINE() { "$WINE10" wine "$@" 9>&-; }
WINESERVER() { "$WINE10" wineserver "$@" 9>&-; }
mkdir -p "$state"

# The registry view of the build tree's programs: the i686 build's live in
# the 32-bit view of the 64-bit prefix, as on 64-bit Windows.
build_view() {
  if [ "$("$scripts/pe-machine" "$build/fwsim/fwsimwmi.dll")" = i386 ]; then echo /reg:32; else echo /reg:64; fi
}

# The persistent server, running before any Wine program of ours starts. A
# program that finds no server starts one of its own, which ends soon after
# its last program, services and all; and a program that starts while such
# a server is ending can fail without a word. wineserver returns once its
# daemon holds the server's lock, or at once when a server already runs.
start_server() {
  setsid -w "$WINE10" wineserver -p 9>&- </dev/null >/dev/null 2>&1 || true
}

wine_exports() {
  export WINEPREFIX="$state/prefix"
  export WINEARCH=win64
  export WINEDEBUG=-all
  # No Mono or Gecko: their downloads cannot succeed offline.
  export WINEDLLOVERRIDES="mscoree,mshtml="
}

register_standin() {
  wine_exports
  local dll="$build/fwsim/fwsimwmi.dll"
  if [ ! -f "$dll" ]; then
    echo "wine-env.sh: $dll not built; WMI stays Wine's own" >&2
    return 0
  fi
  local wdll
  wdll=$(WINE winepath -w "$dll" 2>/dev/null)
  local key='HKLM\Software\Classes\CLSID\{4590F811-1D3A-11D0-891F-00AA004B2E24}\InprocServer32' view
  view=$(build_view)
  WINE reg add "$key" /ve /d "$wdll" /f "$view" >/dev/null 2>&1
  WINE reg add "$key" /v ThreadingModel /d Both /f "$view" >/dev/null 2>&1
  # The stand-in's own set-up (profile state, event classes), if it has one.
  if [ -f "$build/fwsim/fwsim.exe" ]; then
    WINE "$build/fwsim/fwsim.exe" init >/dev/null 2>&1 || true
  fi
}

# Once per build of the applet: an environment brought up before the applet
# was built lists it at the next "up".
register_applet() {
  if [ -f "$build/panel/rmpanel.cpl" ] && [ "$build/panel/rmpanel.cpl" -nt "$state/applet.stamp" ]; then
    "$scripts/register-cpl.sh" "$build" --name "$name" 9>&- && touch "$state/applet.stamp" || true
  fi
}

do_up() {
  if ! "$scripts/wine-root.sh" check; then
    "$scripts/wine-root.sh" make 9>&- || exit 1
  fi
  if [ -f "$envfile" ]; then
    # shellcheck disable=SC1090
    . "$envfile"
    local xpid
    xpid=$(cat "$state/xvfb.pid" 2>/dev/null || echo)
    if [ -z "$xpid" ] || kill -0 "$xpid" 2>/dev/null; then
      # Restart the persistent server if it went away; a second one exits.
      start_server
      register_applet
      return 0
    fi
    do_down
  fi

  local display
  if [ "$use_display" = 1 ] && [ -n "${DISPLAY:-}" ]; then
    display=$DISPLAY
    rm -f "$state/xvfb.pid"
  else
    rm -f "$state/display"
    # -displayfd lets Xvfb pick a free display and tell us which.
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
      3>"$state/display" </dev/null >"$state/xvfb.log" 2>&1 9>&- &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 1 100); do
      [ -s "$state/display" ] && break
      sleep 0.1
    done
    [ -s "$state/display" ] || { echo "wine-env.sh: Xvfb did not start" >&2; exit 1; }
    display=":$(tr -dc 0-9 <"$state/display")"
  fi
  export DISPLAY=$display

  wine_exports
  mkdir -p "$WINEPREFIX"
  # A persistent server: without it every program pays Wine's start-up,
  # services die with their last client, and ctest can hang on the pipe.
  start_server
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    rm -f "$state/applet.stamp"
    WINE wineboot -i >/dev/null 2>&1
    # Creating a prefix can leave two services.exe behind, two service
    # control managers that each know only the services registered through
    # them. A restart of the server leaves one.
    WINESERVER -k >/dev/null 2>&1 || true
    WINESERVER -w >/dev/null 2>&1 || true
    start_server
    WINE wineboot >/dev/null 2>&1
  else
    WINE wineboot >/dev/null 2>&1
  fi
  WINE reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null 2>&1
  WINE reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1024x768 /f >/dev/null 2>&1
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp -f "$("$scripts/wine-root.sh" path)/usr/share/wine/fonts/marlett.ttf" "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  # Fonts for the scripts the dialog fonts lack, installed in the Wine root
  # and found by Wine through fontconfig. Wine's Tahoma has no Greek and no
  # Hebrew, which Windows' Tahoma has: the shell dialog font borrows them
  # from DejaVu Sans, then Chinese and Japanese from Droid Sans Fallback;
  # the notice's MS Sans Serif borrows Arabic and Hebrew from DejaVu Sans
  # (its Chinese, Japanese and Korean copies use the shell dialog font).
  # Under a Chinese or Japanese code page Wine draws dialogs with Droid Sans
  # Fallback itself, which lacks Latin letters: it borrows DejaVu's. Korean
  # code pages pick NanumGothic by its character set.
  local links='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' face
  for face in Tahoma 'MS Shell Dlg' 'MS Shell Dlg 2'; do
    WINE reg add "$links" /v "$face" /t REG_MULTI_SZ /s '|' \
      /d 'DejaVuSans.ttf,DejaVu Sans|DroidSansFallbackFull.ttf,Droid Sans Fallback' /f >/dev/null 2>&1
  done
  for face in 'MS Sans Serif' 'Droid Sans Fallback'; do
    WINE reg add "$links" /v "$face" /t REG_MULTI_SZ /d 'DejaVuSans.ttf,DejaVu Sans' /f >/dev/null 2>&1
  done

  cat >"$envfile" <<ENV
export DISPLAY='$display'
export WINEPREFIX='$WINEPREFIX'
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml='
ENV
  register_standin
  register_applet
}

do_down() {
  if [ -f "$envfile" ] && "$scripts/wine-root.sh" check; then
    # shellcheck disable=SC1090
    . "$envfile"
    WINESERVER -k >/dev/null 2>&1 || true
    WINESERVER -w >/dev/null 2>&1 || true
  fi
  local xpid
  xpid=$(cat "$state/xvfb.pid" 2>/dev/null || echo)
  if [ -n "$xpid" ]; then
    kill "$xpid" 2>/dev/null || true
  fi
  rm -f "$envfile" "$state/xvfb.pid" "$state/display"
}

exec 9>"$state/lock"
flock 9
case "$cmd" in
  up) do_up ;;
  down) do_down ;;
  env) do_up; cat "$envfile" ;;
  register) do_up; register_standin; register_applet ;;
  *) echo "wine-env.sh: unknown command $cmd" >&2; exit 2 ;;
esac
