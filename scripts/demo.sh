#!/bin/bash
# The demo: brings up the simulated notebook in a Wine prefix of its own and
# runs the suite on it. With DISPLAY set it shows everything on that display;
# without, it runs on a private Xvfb display and leaves screenshots and a
# transcript in the output folder it names at the end.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

out="$root/out/demo-$(date +%Y%m%d-%H%M%S)"
mkdir -p "$out"
exec > >(tee "$out/transcript.txt") 2>&1

step() { printf '\n== %s\n' "$*"; }

step "Installing what is missing and building the shipped 32-bit programs (i686; they run under Wine 10 in WoW64 mode)"
scripts/setup-deps.sh || exit 1
scripts/wine-root.sh make || exit 1
if ! { cmake --preset win32 >/dev/null && cmake --build --preset win32 -j2 >"$out/build.log" 2>&1; }; then
  tail -n 30 "$out/build.log"
  echo "demo: the build failed (log: $out/build.log)"
  exit 1
fi
build="$root/build/win32"
file "$build/tray/rmtray.exe" | sed "s|^$root/||"

display_opt=()
if [ -n "${DISPLAY:-}" ]; then
  display_opt=(--use-display)
  echo "Using your display $DISPLAY"
else
  echo "No DISPLAY: running on a private Xvfb display; screenshots go to $out"
fi

step "Bringing up the simulated notebook (a fresh Wine prefix in $build/wine-demo)"
# A prefix of an earlier demo may still hold what its run left behind (the
# setup's programs and their logon entry when the run was cut short).
scripts/wine-env.sh down "$build" --name wine-demo >/dev/null 2>&1
rm -rf "$build/wine-demo"
scripts/wine-env.sh up "$build" --name wine-demo "${display_opt[@]}" || exit 1
# shellcheck disable=SC1091
. "$build/wine-demo/env"
# Every Windows program runs in the Wine 10 root.
WINE=("$root/scripts/wine10" wine)
trap 'scripts/wine-env.sh down "$build" --name wine-demo' EXIT

shots=0
# screenshot NAME WHAT: the whole display into NN-NAME.png; WHAT says what is
# on it.
screenshot() {
  shots=$((shots + 1))
  local file
  file="$out/$(printf '%02d' "$shots")-$1.png"
  if import -display "$DISPLAY" -window root "$file" 2>/dev/null; then
    echo "screenshot: $file"
    echo "  shows: $2"
  else
    echo "screenshot failed: $file"
  fi
}

# The 32-bit Control Panel host: a 32-bit applet loads only in it.
control='C:\windows\syswow64\control.exe'
fwsim() { "${WINE[@]}" "$build/fwsim/fwsim.exe" "$@"; }
tray_demo() { "${WINE[@]}" "$build/demo/tray-demo.exe" "$@"; }
wireless_word() { fwsim show | sed -n '/^wireless word/,/byte 2/p'; }

# wait_window TITLE [SECONDS]: waits until a window whose title holds TITLE
# is on the display.
wait_window() {
  local title=$1 limit=${2:-20} i
  for ((i = 0; i < limit * 5; i++)); do
    xwininfo -display "$DISPLAY" -root -tree 2>/dev/null | grep -qF "$title" && return 0
    sleep 0.2
  done
  echo "(no window \"$title\" after ${limit}s)"
  return 1
}

step "The machine: a notebook with wireless LAN and Bluetooth"
fwsim profile both
fwsim show | tee "$out/machine-state.txt"
# Show the machine's state on the simulated desktop.
"${WINE[@]}" notepad "Z:${out//\//\\}\\machine-state.txt" &
notepad_pid=$!
wait_window "machine-state.txt - Notepad" && sleep 1
screenshot machine-state "Notepad with the machine's state as fwsim show prints it"
kill "$notepad_pid" 2>/dev/null || true

# tray_refusal PROFILE NAME WHAT: starts the tray program on a machine of that
# profile, photographs the notice it shows, and closes it.
tray_refusal() {
  fwsim profile "$1" >/dev/null
  "${WINE[@]}" "$build/tray/rmtray.exe" &
  local pid=$!
  wait_window "Zarn Radio Minder" && sleep 1
  screenshot "$2" "$3"
  tray_demo notice || kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}

# tray_shot NAME WHAT ARGS...: tray-demo.exe ARGS works the tray program's
# icon and waits for the result, then the screenshot NAME shows WHAT.
tray_shot() {
  local name=$1 what=$2
  shift 2
  tray_demo "$@" || what="NOT as expected (tray-demo $*): $what"
  screenshot "$name" "$what"
}

if [ -f "$build/bridge/vtqwmi.exe" ]; then
  step "Installing the bridge service: the tray program asks it to relay the firmware's events"
  "${WINE[@]}" "$build/bridge/vtqwmi.exe" /Service
fi

tray_pid=
if [ -f "$build/tray/rmtray.exe" ] && [ -f "$build/demo/tray-demo.exe" ]; then
  step "The tray program on a machine without the firmware's WMI interface"
  tray_refusal unsupported tray-unsupported-machine "the notice that the program is not supported on this machine"
  step "The tray program on a notebook without radios"
  tray_refusal none tray-no-radios "the notice of the notebook without radios"

  step "The tray program on the notebook with both radios: its icon comes 5 s after the start"
  fwsim profile both >/dev/null
  # Started in its own folder, as from Explorer: Wine's help viewer finds
  # the help file beside the program only there.
  (cd "$build/tray" && exec "${WINE[@]}" ./rmtray.exe) &
  tray_pid=$!
  tray_shot tray-icon "the icon in the taskbar (right end); its first balloon, both radios on, is printed above" icon
  echo "(Wine 10 takes a balloon but draws none on this desktop: tray-demo prints each balloon as the taskbar holds it)"
  step "The mouse on the icon: its tooltip"
  tray_shot tray-tooltip "the icon's tooltip while the mouse rests on the icon (the cursor is not in screenshots): WLAN On, Bluetooth On" hover
  step "A right click on the icon: its menu"
  tray_shot tray-menu "the icon's menu open at the cursor; \"Turn On All Devices\" greyed: both radios are on" menu
  step "Choosing \"Turn WLAN Off\" from the menu"
  echo "Before:"
  wireless_word
  tray_shot tray-wlan-off "the new state in the tooltip and the balloon printed above: WLAN Off, Bluetooth On" choose 2
  echo "After:"
  wireless_word
  tray_shot tray-wlan-off-tooltip "the changed tooltip while the mouse rests on the icon: WLAN Off, Bluetooth On" hover

  step "Pressing the wireless button: the firmware's event reaches the tray program through the bridge"
  tray_shot tray-button-held "after the wireless button: both radios held off (Disabled), the image for radios off; the balloon printed above" press
  wireless_word
  step "Pressing the wireless button again: the radios come back as they were"
  tray_shot tray-button-released "after the second press: WLAN Off, Bluetooth On again; the balloon printed above" press
  wireless_word

  step "Choosing \"Turn Off All Devices\" from the menu"
  tray_demo menu
  tray_shot tray-all-off "the icon's image for radios off; the balloon printed above: WLAN Off, Bluetooth Off" choose 5
  wireless_word

  step "Choosing \"Turn On All Devices\", then opening the properties window"
  tray_demo menu
  tray_demo choose 4
  tray_shot props-status-206 "the properties window's \"Wireless Status\" tab: both radios on, the firmware setup group (layout 206)" open
  tray_shot props-settings "the \"Properties\" tab: the four settings, OK and Cancel" tab 1
  tray_demo tab 0
  step "Help: the product's help on its overview topic"
  tray_shot help-viewer "the help viewer on \"What is the Zarn Radio Minder\" (Wine's viewer may leave the page blank without its HTML engine)" help
  tray_demo close
  step "Turning both radios off again from the menu"
  tray_demo menu
  tray_demo choose 5
fi

if [ -f "$build/bridge/vtqwmi.exe" ] && [ -f "$build/demo/machineinfo-demo.exe" ]; then
  step "The machine information record through the bridge service"
  "${WINE[@]}" "$build/demo/machineinfo-demo.exe"
fi

screenshot desktop "the desktop at the end, the tray program's icon in the taskbar (image for radios off)"
if [ -n "$tray_pid" ]; then
  step "Ending the tray program with command 1"
  tray_demo end || kill "$tray_pid" 2>/dev/null
  wait "$tray_pid" 2>/dev/null
fi
# layout_shot PROFILE HIDE LAYOUT WHAT: the status tab on a machine of that
# profile with HideBIOSSettings HIDE, in a fresh tray program.
layout_shot() {
  fwsim profile "$1" >/dev/null
  "${WINE[@]}" reg add 'HKCU\Software\VTQ\Zarn Radio Minder' /v HideBIOSSettings /t REG_DWORD /d "$2" /f >/dev/null
  "${WINE[@]}" "$build/tray/rmtray.exe" &
  local pid=$!
  tray_shot "props-status-$3" "$4" open
  tray_demo close
  tray_demo end >/dev/null || kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}
if [ -n "$tray_pid" ]; then
  step "The other five layouts of the status tab"
  layout_shot both 1 207 "both radios, \"Hide BIOS Settings Information\" set: no firmware group (layout 207)"
  layout_shot wlan 0 208 "wireless LAN alone, with the firmware group (layout 208)"
  layout_shot wlan 1 209 "wireless LAN alone, without the firmware group (layout 209)"
  layout_shot bluetooth 0 210 "Bluetooth alone, with the firmware group (layout 210)"
  layout_shot bluetooth 1 211 "Bluetooth alone, without the firmware group (layout 211)"
  "${WINE[@]}" reg add 'HKCU\Software\VTQ\Zarn Radio Minder' /v HideBIOSSettings /t REG_DWORD /d 0 /f >/dev/null
  fwsim profile both >/dev/null
fi

if [ -f "$build/panel/rmpanel.cpl" ] && [ -f "$build/demo/panel-demo.exe" ]; then
  step "The Control Panel applet, opened through the Control Panel host"
  scripts/register-cpl.sh "$build" --name wine-demo
  "${WINE[@]}" "$control" "$("${WINE[@]}" winepath -w "$build/panel/rmpanel.cpl" 2>/dev/null)" &
  panel_pid=$!
  wait_window "Zarn Radio Minder" && sleep 1
  screenshot panel-applet "the applet's window: one tab, \"Properties\", the four settings on white, OK and Cancel"
  "${WINE[@]}" "$build/demo/panel-demo.exe" cancel || echo "(the applet's window did not close on Cancel)"
  wait "$panel_pid" 2>/dev/null
fi

# lang_shots LOCALE TAG LANGUAGE: the no-device notice and both tabs of the
# properties window, then the Control Panel applet's window, with the user's
# interface language that of LOCALE (Wine takes it from LANG; the Wine 10
# root has the locales).
lang_shots() {
  local pid
  if ! "$root/scripts/wine10" locale -a 2>/dev/null | grep -qix "${1%.UTF-8}.utf8"; then
    echo "(locale $1 is missing: no $3 screenshots)"
    return 0
  fi
  fwsim profile none >/dev/null
  LANG=$1 LC_ALL=$1 "${WINE[@]}" "$build/tray/rmtray.exe" &
  pid=$!
  wait_window "Zarn Radio Minder" && sleep 1
  screenshot "lang-$2-no-radios" "$3: the notice of the notebook without radios"
  tray_demo notice >/dev/null || kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  fwsim profile both >/dev/null
  (cd "$build/tray" && LANG=$1 LC_ALL=$1 exec "${WINE[@]}" ./rmtray.exe) &
  pid=$!
  tray_demo open && sleep 1
  screenshot "lang-$2-status" "$3: the properties window's status tab, both radios on (layout 206)"
  tray_demo tab 1 >/dev/null && sleep 1
  screenshot "lang-$2-settings" "$3: the properties window's settings tab with OK and Cancel"
  tray_demo close >/dev/null
  tray_demo end >/dev/null || kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  if [ -f "$build/panel/rmpanel.cpl" ] && [ -f "$build/demo/panel-demo.exe" ]; then
    LANG=$1 LC_ALL=$1 "${WINE[@]}" "$control" "$("${WINE[@]}" winepath -w "$build/panel/rmpanel.cpl" 2>/dev/null)" &
    pid=$!
    wait_window "Zarn Radio Minder" && sleep 1
    screenshot "lang-$2-applet" "$3: the Control Panel applet's window"
    "${WINE[@]}" "$build/demo/panel-demo.exe" cancel || echo "(the applet's window did not close on Cancel)"
    wait "$pid" 2>/dev/null
  fi
}
if [ -f "$build/tray/rmtray.exe" ] && [ -f "$build/demo/tray-demo.exe" ]; then
  step "The tray program in other languages: the user's interface language picks its texts and layouts"
  lang_shots de_DE.UTF-8 de German
  lang_shots ja_JP.UTF-8 ja Japanese
  lang_shots ru_RU.UTF-8 ru Russian
  lang_shots ar_SA.UTF-8 ar "Arabic (right to left)"
  lang_shots zh_CN.UTF-8 zh-CN "Chinese (Simplified)"
fi

# restart_prefix: the prefix's server, desktop and taskbar anew, so that all
# of them read the DPI set now (Wine reads LogPixels when a program starts).
restart_prefix() {
  scripts/wine-env.sh down "$build" --name wine-demo >/dev/null 2>&1
  scripts/wine-env.sh up "$build" --name wine-demo "${display_opt[@]}" >/dev/null || exit 1
  # shellcheck disable=SC1091
  . "$build/wine-demo/env"
}

# dpi_shots DPI PERCENT ICON: the tray icon, its menu, both tabs of the
# properties window and the applet's window with the prefix, its desktop
# and its taskbar at DPI. The value goes again after.
dpi_shots() {
  local pid
  "${WINE[@]}" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
  restart_prefix
  fwsim profile both >/dev/null
  (cd "$build/tray" && exec "${WINE[@]}" ./rmtray.exe) &
  pid=$!
  tray_shot "dpi$2-tray-icon" "$2 %: the icon in the taskbar at $1 DPI, from the program's ${3}-pixel image" icon
  tray_shot "dpi$2-tray-menu" "$2 %: the icon's menu" menu
  tray_demo choose 0 >/dev/null
  tray_demo open && sleep 1
  screenshot "dpi$2-status" "$2 %: the properties window's status tab, both radios on (layout 206)"
  tray_demo tab 1 >/dev/null && sleep 1
  screenshot "dpi$2-settings" "$2 %: the properties window's settings tab"
  tray_demo close >/dev/null
  tray_demo end >/dev/null || kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  if [ -f "$build/panel/rmpanel.cpl" ] && [ -f "$build/demo/panel-demo.exe" ]; then
    "${WINE[@]}" "$control" "$("${WINE[@]}" winepath -w "$build/panel/rmpanel.cpl" 2>/dev/null)" &
    pid=$!
    wait_window "Zarn Radio Minder" && sleep 1
    screenshot "dpi$2-applet" "$2 %: the Control Panel applet's window"
    "${WINE[@]}" "$build/demo/panel-demo.exe" cancel || echo "(the applet's window did not close on Cancel)"
    wait "$pid" 2>/dev/null
  fi
  "${WINE[@]}" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
}
if [ -f "$build/tray/rmtray.exe" ] && [ -f "$build/demo/tray-demo.exe" ]; then
  step "The suite at 150 % and 200 % (144 and 192 DPI)"
  dpi_shots 144 150 24
  dpi_shots 192 200 32
  restart_prefix
fi

# rmctl, the command-line tool: it talks only to the bridge.
if [ -f "$build/rmctl/rmctl.exe" ] && [ -f "$build/bridge/vtqwmi.exe" ]; then
  rmctl() { "${WINE[@]}" "$build/rmctl/rmctl.exe" "$@"; }
  step "rmctl status: the radios and why they are off"
  rmctl status
  step "rmctl bluetooth off, then on: a switch through the bridge, read back"
  rmctl bluetooth off
  rmctl bluetooth on
  step "rmctl machine: the machine information record"
  rmctl machine
fi

if [ -f "$build/bridge/vtqwmi.exe" ]; then
  step "Removing the bridge service"
  "${WINE[@]}" sc stop vtqwmi >/dev/null 2>&1
  "${WINE[@]}" "$build/bridge/vtqwmi.exe" /UnregServer
fi

# The setup program's wizard, page by page, in the demo's prefix; the quiet
# uninstall afterwards leaves the prefix as it was.
setup_exe=$(ls "$build"/installer/RadioMinderSetup-*-x86.exe 2>/dev/null | head -n 1)
if [ -n "$setup_exe" ] && [ -f "$build/demo/setup-demo.exe" ]; then
  setup_demo() { "${WINE[@]}" "$build/demo/setup-demo.exe" "$@"; }
  step "The shipped setup program (x86), run as an administrator would"
  "${WINE[@]}" "$setup_exe" &
  setup_pid=$!
  setup_demo wait && sleep 1
  screenshot setup-welcome "the setup's welcome page"
  setup_demo press 1 && sleep 1
  screenshot setup-folder "the setup's folder page: C:\\Program Files (x86)\\Zarn Radio Minder"
  setup_demo press 1 && sleep 1
  screenshot setup-progress "the setup's progress page, done, with its details: files, the bridge service, the registry"
  setup_demo press 1 && sleep 1
  screenshot setup-finish "the setup's last page"
  setup_demo press 1
  wait "$setup_pid" 2>/dev/null
  step "Uninstalling it quietly"
  "${WINE[@]}" 'C:\Program Files (x86)\Zarn Radio Minder\uninstall.exe' /S
  for _ in $(seq 1 100); do
    "${WINE[@]}" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zarn Radio Minder' >/dev/null 2>&1 || break
    sleep 0.2
  done
fi

step "Done"
echo "Output folder: $out"
