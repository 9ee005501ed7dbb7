// tray-demo.exe: works the running rmtray.exe's icon for scripts/demo.sh,
// which takes a screenshot after each command. Every command waits, with a
// time limit, for what it brings about and prints what it saw; exit code 0
// when that came, 1 when not.
//   icon      the icon in the taskbar and its first balloon
//   hover     once the icon's balloon has gone, the cursor on the icon until
//             its tooltip shows
//   menu      the icon's right click; its menu open
//   choose N  N times Down, then Enter on the open menu; the cursor off the
//             taskbar; the new tooltip and balloon
//   end       command 1 to the tray window; rmtray.exe ends and its icon goes
//   open      "ZARN_RADIOMINDER_OPENSTATPAGE" to the tray window; the
//             properties window open, with its status page's texts
//   tab N     the properties window's tab N selected
//   help      the properties window's Help pressed; the help viewer open
//   close     the properties window's Close/Cancel pressed; it has gone
//   notice    OK of the notice rmtray.exe shows where it cannot run pressed;
//             rmtray.exe has ended
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "tests/support/ResourceIds.h"
#include "tests/system/tray/NotifyArea.h"
#include "tests/system/tray/PropertiesDriver.h"

namespace {

using traytest::NotifyArea;
using traytest::TrayIcon;

constexpr UINT kIconId = 201;

struct Tray {
  DWORD pid = 0;
  HWND window = nullptr;  // the hidden tray window
};

// A text as one line, its line breaks written \n, in UTF-8.
std::string Quoted(const std::wstring& text) {
  std::wstring line;
  for (wchar_t c : text) line += c == L'\n' ? std::wstring(L"\\n") : std::wstring(1, c);
  std::string out(::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(std::strlen(out.c_str()));
  return "\"" + out + "\"";
}

int Fail(const char* what) {
  std::printf("tray-demo: %s\n", what);
  return 1;
}

DWORD TrayProcessId() {
  rm::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  if (!snapshot || !::Process32FirstW(snapshot.get(), &entry)) return 0;
  do {
    if (::_wcsicmp(entry.szExeFile, L"rmtray.exe") == 0) return entry.th32ProcessID;
  } while (::Process32NextW(snapshot.get(), &entry));
  return 0;
}

bool FindTray(Tray* tray) {
  if (!traytest::WaitFor([&] { return (tray->pid = TrayProcessId()) != 0; }, std::chrono::seconds(15))) return false;
  tray->window = traytest::WaitForProcessWindow(tray->pid, "#32770", "", /*visible=*/false);
  return tray->window != nullptr;
}

std::optional<TrayIcon> ShownIcon(NotifyArea& area, const Tray& tray, std::chrono::milliseconds limit) {
  return area.WaitForIcon(
      tray.window, kIconId, [](const TrayIcon& i) { return !i.hidden; }, limit);
}

void PostKey(HWND window, WPARAM key) {
  ::PostMessageA(window, WM_KEYDOWN, key, 1);
  ::PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

int Icon(NotifyArea& area, const Tray& tray) {
  const std::optional<TrayIcon> icon = ShownIcon(area, tray, std::chrono::seconds(15));
  if (!icon) return Fail("rmtray.exe's icon did not come into the taskbar");
  std::printf("icon %u of rmtray.exe is in the taskbar at (%ld,%ld), tooltip %s\n", kIconId, icon->cell.left,
              icon->cell.top, Quoted(icon->tip).c_str());
  const std::optional<traytest::Balloon> balloon = area.WaitForBalloon(tray.window, kIconId, std::chrono::seconds(10));
  if (!balloon) return Fail("no balloon of the icon");
  std::printf("balloon: title %s, text %s\n", Quoted(balloon->title).c_str(), Quoted(balloon->text).c_str());
  return 0;
}

int Hover(NotifyArea& area, const Tray& tray) {
  const std::optional<TrayIcon> icon = ShownIcon(area, tray, std::chrono::seconds(5));
  if (!icon) return Fail("the icon is not in the taskbar");
  if (!traytest::WaitFor([&] { return !area.TakeBalloon(tray.window, kIconId); }, std::chrono::seconds(30)))
    std::printf("(the icon's balloon is still shown)\n");
  const POINT centre = {(icon->cell.left + icon->cell.right) / 2, (icon->cell.top + icon->cell.bottom) / 2};
  std::optional<std::wstring> tip;
  // Each move starts the tooltip's delay again; a second one follows when
  // the first went unseen.
  for (int i = 0; i < 10 && !tip; ++i) {
    ::SetCursorPos(centre.x + i % 2, centre.y);
    traytest::WaitFor([&] { return (tip = area.ShownTooltip(tray.window, kIconId)).has_value(); },
                      std::chrono::seconds(1));
  }
  if (!tip) return Fail("no tooltip with the cursor on the icon");
  std::printf("cursor on the icon at (%ld,%ld); tooltip shown: %s\n", centre.x, centre.y, Quoted(*tip).c_str());
  return 0;
}

int Menu(const Tray& tray) {
  ::PostMessageA(tray.window, ::RegisterWindowMessageA("ZARN_RADIOMINDER_TRAYICON"), kIconId, WM_RBUTTONUP);
  const HWND menu = traytest::WaitForProcessWindow(tray.pid, "#32768");
  if (!menu) return Fail("no menu after the icon's right click");
  RECT r = {};
  ::GetWindowRect(menu, &r);
  std::printf("the icon's menu is open at (%ld,%ld), %ld x %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return 0;
}

// Wine's taskbar draws a new icon image over the old one without clearing
// its cell (the icon's window has no background), so the faint grey waves
// of the image for radios off would show the blue ones beneath them. The
// cell is hidden and shown again, which makes the taskbar paint its
// background there first, then the image alone, as Windows' taskbar shows
// it.
void RepaintIconCell(NotifyArea& area, const TrayIcon& icon) {
  POINT centre = {(icon.cell.left + icon.cell.right) / 2, (icon.cell.top + icon.cell.bottom) / 2};
  ::ScreenToClient(area.taskbar(), &centre);
  const HWND cell = ::ChildWindowFromPointEx(area.taskbar(), centre, CWP_SKIPINVISIBLE);
  if (!cell || cell == area.taskbar()) return;
  const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
  ::SetWindowPos(cell, nullptr, 0, 0, 0, 0, keep | SWP_HIDEWINDOW);
  ::UpdateWindow(area.taskbar());
  ::SetWindowPos(cell, nullptr, 0, 0, 0, 0, keep | SWP_SHOWWINDOW);
  ::UpdateWindow(cell);
}

// Waits for a new tooltip and the balloon that shows it.
int WaitForChange(NotifyArea& area, const Tray& tray, const TrayIcon& before) {
  const std::optional<TrayIcon> after =
      area.WaitForIcon(tray.window, kIconId, [&](const TrayIcon& i) { return i.tip != before.tip; });
  if (!after) return Fail("the tooltip did not change");
  std::printf("tooltip was %s, is now %s\n", Quoted(before.tip).c_str(), Quoted(after->tip).c_str());
  std::optional<traytest::Balloon> balloon;
  const bool shown = traytest::WaitFor(
      [&] { return (balloon = area.TakeBalloon(tray.window, kIconId)) && balloon->text == after->tip; },
      std::chrono::seconds(15));
  if (!shown) return Fail("no balloon with the new state");
  std::printf("balloon: title %s, text %s\n", Quoted(balloon->title).c_str(), Quoted(balloon->text).c_str());
  RepaintIconCell(area, *after);
  return 0;
}

int Choose(NotifyArea& area, const Tray& tray, int downs) {
  const HWND menu = traytest::FindProcessWindow(tray.pid, "#32768");
  const std::optional<TrayIcon> before = ShownIcon(area, tray, std::chrono::seconds(5));
  if (!menu || !::IsWindowVisible(menu)) return Fail("the icon's menu is not open");
  if (!before) return Fail("the icon is not in the taskbar");
  for (int i = 0; i < downs; ++i) PostKey(menu, VK_DOWN);
  PostKey(menu, VK_RETURN);
  if (!traytest::WaitFor([&] { return !::IsWindowVisible(menu); }, std::chrono::seconds(10)))
    return Fail("the menu stayed open");
  ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2);
  std::printf("chosen: item %d of the menu (%d x Down, Enter)\n", downs + 1, downs);
  return WaitForChange(area, tray, *before);
}

// The wireless button pressed in the stand-in: the firmware's event reaches
// the tray program through the bridge's relay.
int Press(NotifyArea& area, const Tray& tray) {
  const std::optional<TrayIcon> before = ShownIcon(area, tray, std::chrono::seconds(5));
  if (!before) return Fail("the icon is not in the taskbar");
  if (traytest::Fwsim("button") != 0) return Fail("the stand-in's tool did not press the button");
  std::printf("the wireless button was pressed (fwsim button)\n");
  return WaitForChange(area, tray, *before);
}

int End(NotifyArea& area, const Tray& tray) {
  rm::UniqueHandle process(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, tray.pid));
  if (!process) return Fail("rmtray.exe cannot be opened");
  ::PostMessageA(tray.window, WM_COMMAND, MAKEWPARAM(1, 0), 0);
  if (::WaitForSingleObject(process.get(), 15000) != WAIT_OBJECT_0) return Fail("rmtray.exe did not end on command 1");
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  std::printf("rmtray.exe ended on command 1 with exit code %lu\n", code);
  if (!area.WaitForNoIcon(tray.window, kIconId)) return Fail("its icon stayed in the taskbar");
  std::printf("its icon has left the taskbar\n");
  return 0;
}

HWND PropertiesWindow(const Tray& tray) { return traytest::WaitForPropertiesWindow(tray.pid, std::chrono::seconds(5)); }

int Open(const Tray& tray) {
  ::PostMessageA(tray.window, ::RegisterWindowMessageA(traytest::kOpenStatusPageMessage), 0, 0);
  const HWND props = traytest::WaitForPropertiesWindow(tray.pid);
  if (!props) return Fail("no properties window after the open message");
  std::printf("the properties window is open; status: %s %s",
              Quoted(traytest::ControlText(props, IDC_ST_SUMMARY_STATE)).c_str(),
              Quoted(traytest::ControlText(props, IDC_ST_SUMMARY_REASON)).c_str());
  for (int id : {1014, 1015}) {
    if (traytest::Control(props, id)) std::printf(", row %d %s", id, Quoted(traytest::ControlText(props, id)).c_str());
  }
  std::printf(", firmware group %s\n", traytest::Control(props, IDC_ST_GROUP_BIOS) ? "shown" : "hidden");
  return 0;
}

int Tab(const Tray& tray, int index) {
  const HWND props = PropertiesWindow(tray);
  if (!props) return Fail("the properties window is not open");
  if (!traytest::SelectTab(props, index)) return Fail("the tab did not change");
  std::printf("tab %d selected; the second button reads %s\n", index,
              Quoted(traytest::TextOf(::GetDlgItem(props, 2))).c_str());
  return 0;
}

int Help(const Tray& tray) {
  const HWND props = PropertiesWindow(tray);
  if (!props) return Fail("the properties window is not open");
  traytest::Click(props, 9);
  const HWND viewer = traytest::WaitForProcessWindow(tray.pid, "HH Parent");
  if (!viewer) return Fail("no help viewer after Help");
  std::printf("the help viewer is open: %s\n", Quoted(traytest::TextOf(viewer)).c_str());
  return 0;
}

int Close(const Tray& tray) {
  const HWND props = PropertiesWindow(tray);
  if (!props) return Fail("the properties window is not open");
  traytest::Click(props, 2);
  if (!traytest::WaitForWindowGone(props)) return Fail("the properties window stayed open");
  std::printf("the properties window has closed\n");
  return 0;
}

// The notice is all there is of rmtray.exe then: it has no tray window.
int Notice() {
  const DWORD pid = [] {
    DWORD found = 0;
    traytest::WaitFor([&] { return (found = TrayProcessId()) != 0; }, std::chrono::seconds(15));
    return found;
  }();
  if (!pid) return Fail("rmtray.exe is not running");
  const HWND box = traytest::WaitForProcessWindow(pid, "#32770", "Zarn Radio Minder");
  if (!box) return Fail("rmtray.exe shows no notice");
  rm::UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
  ::SendMessageA(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  if (!process || ::WaitForSingleObject(process.get(), 15000) != WAIT_OBJECT_0)
    return Fail("rmtray.exe did not end after OK of its notice");
  std::printf("OK of the notice pressed; rmtray.exe has ended\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  const int downs = argc > 2 ? std::atoi(argv[2]) : -1;
  const bool simple = command == "icon" || command == "hover" || command == "menu" || command == "end" ||
                      command == "press" || command == "open" || command == "help" || command == "close" || command == "notice";
  if (!simple && !((command == "choose" || command == "tab") && downs >= 0)) {
    std::printf("usage: tray-demo icon | hover | menu | choose N | press | end | open | tab N | help | close | notice\n");
    return 2;
  }
  if (command == "notice") return Notice();
  Tray tray;
  if (!FindTray(&tray)) return Fail("rmtray.exe and its tray window were not found");
  if (command == "open") return Open(tray);
  if (command == "tab") return Tab(tray, downs);
  if (command == "help") return Help(tray);
  if (command == "close") return Close(tray);
  NotifyArea area;
  if (!area.ok()) return Fail("the taskbar's explorer cannot be read");
  if (command == "icon") return Icon(area, tray);
  if (command == "hover") return Hover(area, tray);
  if (command == "menu") return Menu(tray);
  if (command == "choose") return Choose(area, tray, downs);
  if (command == "press") return Press(area, tray);
  return End(area, tray);
}
