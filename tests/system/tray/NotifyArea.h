// The notification area as a test sees it from outside: which icons Wine's
// explorer holds for an owner window, whether they are drawn, their tooltip,
// the balloon on screen and which image is drawn in an icon's cell.
//
// What explorer holds per icon (owner, id, cell, tooltip and balloon texts)
// is read from its own records by notifyarea-probe.exe, an x86_64 program
// the test keeps running (NotifyAreaProbe.cpp): explorer is a 64-bit
// process, out of a 32-bit test's reach. The images are read from the
// screen. Wine 10's explorer shows no balloon in this desktop; it holds a
// balloon's texts until it would have shown it, and the probe takes them
// from there, once per balloon.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "tests/system/tray/ScreenPixels.h"
#include "tests/support/TrayMachine.h"

namespace traytest {

struct TrayIcon {
  HWND owner = nullptr;
  UINT id = 0;
  bool hidden = false;  // held but not drawn (NIS_HIDDEN)
  RECT cell = {};       // its cell of the taskbar on screen; empty when hidden
  std::wstring tip;     // the tooltip text, after the ANSI conversion
};

struct Balloon {
  std::wstring title;
  std::wstring text;
};

class NotifyArea {
 public:
  // Waits for the taskbar, which exists while a GUI process of the prefix runs.
  explicit NotifyArea(std::chrono::milliseconds limit = std::chrono::seconds(15)) {
    WaitFor([&] { return (taskbar_ = ::FindWindowA("Shell_TrayWnd", nullptr)) != nullptr; }, limit);
    if (taskbar_) StartProbe();
  }
  ~NotifyArea() {
    // The probe ends at the end of its input.
    toProbe_.reset();
    if (probe_) ::WaitForSingleObject(probe_.get(), 5000);
  }
  NotifyArea(const NotifyArea&) = delete;
  NotifyArea& operator=(const NotifyArea&) = delete;

  bool ok() const { return static_cast<bool>(probe_); }
  HWND taskbar() const { return taskbar_; }

  std::optional<TrayIcon> FindIcon(HWND owner, UINT id) {
    std::optional<Record> record = FindRecord(owner, id);
    if (!record) return std::nullopt;
    TrayIcon icon;
    icon.owner = owner;
    icon.id = id;
    icon.hidden = record->display < 0;
    if (!icon.hidden) icon.cell = record->cell;
    icon.tip = record->tip;
    return icon;
  }

  // The icon once it is there and `until` holds for it.
  std::optional<TrayIcon> WaitForIcon(HWND owner, UINT id, const std::function<bool(const TrayIcon&)>& until = {},
                                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    std::optional<TrayIcon> icon;
    WaitFor([&] { return (icon = FindIcon(owner, id)) && (!until || until(*icon)); }, limit);
    return icon && (!until || until(*icon)) ? icon : std::nullopt;
  }

  bool WaitForNoIcon(HWND owner, UINT id, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    return WaitFor([&] { return !FindIcon(owner, id); }, limit);
  }

  // The balloon the icon's owner sent last and nobody has taken yet; taking
  // it clears it, as showing it would.
  std::optional<Balloon> TakeBalloon(HWND owner, UINT id) {
    char command[64];
    std::snprintf(command, sizeof command, "balloon %llX %u\n",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(owner)), id);
    for (const std::string& line : Ask(command)) {
      char text[2100] = {}, title[600] = {};
      if (std::sscanf(line.c_str(), "balloon %2099s %599s", text, title) == 2) return Balloon{Unhex(title), Unhex(text)};
    }
    return std::nullopt;
  }

  // The icon's tooltip on screen, shown while the mouse rests on the icon.
  std::optional<std::wstring> ShownTooltip(HWND owner, UINT id) {
    const HWND window = VisibleTooltip(/*balloon=*/false);
    std::optional<Record> record = FindRecord(owner, id);
    if (!window || !record) return std::nullopt;
    wchar_t text[128] = {};
    ::SendMessageW(window, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text));
    if (!text[0] || record->tip != text) return std::nullopt;
    return std::wstring(text);
  }

  std::optional<Balloon> WaitForBalloon(HWND owner, UINT id,
                                        std::chrono::milliseconds limit = std::chrono::seconds(6)) {
    std::optional<Balloon> balloon;
    WaitFor([&] { return (balloon = TakeBalloon(owner, id)).has_value(); }, limit);
    return balloon;
  }

  // The index in `images` of the image drawn in the icon's cell, compared
  // pixel by pixel with the image drawn here at the same size; -1 when none
  // is, the icon is hidden or absent. Only the image's opaque pixels count:
  // explorer paints an icon's window without erasing it, so the translucent
  // edge pixels blend anew with every repaint. Nor does it repaint an icon
  // that moved to another cell: each look asks the taskbar to repaint, so
  // that a later look (WaitForImage) sees the icon where explorer has it.
  int ShownImage(HWND owner, UINT id, std::initializer_list<HICON> images) {
    const std::optional<TrayIcon> icon = FindIcon(owner, id);
    if (!icon || icon->hidden) return -1;
    ::RedrawWindow(taskbar_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    const RECT& c = icon->cell;
    const std::vector<DWORD> shown = ScreenPixels(c);
    if (shown.empty()) return -1;
    int index = 0;
    for (HICON image : images) {
      const int size = ::GetSystemMetrics(SM_CXSMICON), cx = c.right - c.left, cy = c.bottom - c.top;
      const std::vector<DWORD> onBlack = DrawnIcon(image, size, cx, cy, 0x000000);
      const std::vector<DWORD> onWhite = DrawnIcon(image, size, cx, cy, 0xFFFFFF);
      std::size_t opaque = 0, same = 0;
      for (std::size_t k = 0; k < shown.size() && k < onBlack.size() && k < onWhite.size(); ++k) {
        if (onBlack[k] != onWhite[k]) continue;
        ++opaque;
        if (shown[k] == onBlack[k]) ++same;
      }
      if (opaque > 0 && same == opaque) return index;
      ++index;
    }
    return -1;
  }

  bool WaitForImage(HWND owner, UINT id, std::initializer_list<HICON> images, int index,
                    std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    return WaitFor([&] { return ShownImage(owner, id, images) == index; }, limit);
  }

 private:
  // What explorer holds for one icon, as the probe reports it.
  struct Record {
    std::uint64_t owner = 0;
    UINT id = 0;
    int display = -1;  // cell number from the right end; -1 when hidden
    RECT cell = {};    // the icon's window on screen
    std::wstring tip, infoText, infoTitle;
  };

  void StartProbe() {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr;
    if (!::CreatePipe(&inRead, &inWrite, &inherit, 0)) return;
    rm::UniqueHandle childIn(inRead), ourIn(inWrite);
    if (!::CreatePipe(&outRead, &outWrite, &inherit, 0)) return;
    rm::UniqueHandle ourOut(outRead), childOut(outWrite);
    ::SetHandleInformation(ourIn.get(), HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(ourOut.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = childIn.get();
    si.hStdOutput = childOut.get();
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::string command = "\"" + BuildPath("tests/notifyarea-probe.exe") + "\"";
    if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
      ADD_FAILURE() << "notifyarea-probe.exe did not start: " << ::GetLastError();
      return;
    }
    ::CloseHandle(pi.hThread);
    probe_.reset(pi.hProcess);
    toProbe_ = std::move(ourIn);
    fromProbe_ = std::move(ourOut);
  }

  static std::wstring Unhex(const std::string& s) {
    std::wstring out;
    if (s == "-") return out;
    for (std::size_t i = 0; i + 4 <= s.size(); i += 4)
      out += static_cast<wchar_t>(std::stoul(s.substr(i, 4), nullptr, 16));
    return out;
  }

  // One round trip: the probe's answer lines to `command`.
  std::vector<std::string> Ask(const std::string& command) {
    std::vector<std::string> lines;
    DWORD done = 0;
    const DWORD size = static_cast<DWORD>(command.size());
    if (!ok() || !::WriteFile(toProbe_.get(), command.data(), size, &done, nullptr) || done != size) return lines;
    std::string line;
    for (;;) {
      const std::size_t end = buffer_.find('\n');
      if (end == std::string::npos) {
        char chunk[4096];
        DWORD got = 0;
        if (!::ReadFile(fromProbe_.get(), chunk, sizeof chunk, &got, nullptr) || got == 0) {
          ADD_FAILURE() << "notifyarea-probe.exe stopped answering";
          probe_.reset();
          return lines;
        }
        buffer_.append(chunk, got);
        continue;
      }
      line = buffer_.substr(0, end);
      buffer_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line == "end") return lines;
      if (line.rfind("error ", 0) == 0) ADD_FAILURE() << "notifyarea-probe.exe: " << line;
      else lines.push_back(line);
    }
  }

  // Every icon explorer holds.
  std::vector<Record> List() {
    std::vector<Record> records;
    for (const std::string& line : Ask("list\n")) {
      char owner[32] = {}, tip[1100] = {}, text[2100] = {}, title[600] = {};
      Record r;
      long left = 0, top = 0, right = 0, bottom = 0;
      if (std::sscanf(line.c_str(), "icon %31s %u %d %ld %ld %ld %ld %1099s %2099s %599s", owner, &r.id, &r.display,
                      &left, &top, &right, &bottom, tip, text, title) != 10)
        continue;
      r.owner = std::stoull(owner, nullptr, 16);
      r.cell = RECT{left, top, right, bottom};
      r.tip = Unhex(tip);
      r.infoText = Unhex(text);
      r.infoTitle = Unhex(title);
      records.push_back(std::move(r));
    }
    return records;
  }

  std::optional<Record> FindRecord(HWND owner, UINT id) {
    const auto want = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(owner));
    for (Record& r : List())
      if (static_cast<std::uint32_t>(r.owner) == want && r.id == id) return std::move(r);
    return std::nullopt;
  }

  // Explorer's visible tooltip window, with style TTS_BALLOON or without.
  HWND VisibleTooltip(bool balloon) const {
    struct Search {
      DWORD pid;
      bool balloon;
      HWND found;
    } search{0, balloon, nullptr};
    ::GetWindowThreadProcessId(taskbar_, &search.pid);
    ::EnumWindows(
        [](HWND hwnd, LPARAM lp) CALLBACK -> BOOL {
          auto* s = reinterpret_cast<Search*>(lp);
          DWORD pid = 0;
          char cls[32] = {};
          ::GetWindowThreadProcessId(hwnd, &pid);
          ::GetClassNameA(hwnd, cls, sizeof cls);
          if (pid != s->pid || std::strcmp(cls, TOOLTIPS_CLASSA) != 0 || !::IsWindowVisible(hwnd) ||
              ((::GetWindowLongW(hwnd, GWL_STYLE) & TTS_BALLOON) != 0) != s->balloon)
            return TRUE;
          s->found = hwnd;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  HWND taskbar_ = nullptr;
  rm::UniqueHandle probe_, toProbe_, fromProbe_;
  std::string buffer_;  // the probe's output not yet taken
};

}  // namespace traytest
