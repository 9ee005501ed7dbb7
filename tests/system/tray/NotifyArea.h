// The notification area as a test sees it from outside: which icons Wine's
// explorer holds for an owner window, whether they are drawn, their tooltip,
// the balloon on screen and which image is drawn in an icon's cell.
//
// Wine 8.0's explorer draws all icons into its taskbar window ("Shell_TrayWnd")
// and makes a new tooltip window each time an icon is shown without destroying
// the old one, so tooltip windows cannot say which icons exist. What it holds
// per icon is read from its own record instead; the balloon and the images
// are read from the screen.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "tests/system/tray/ScreenPixels.h"
#include "tests/windows/tray/TraySupport.h"

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
  explicit NotifyArea(DWORD timeoutMs = 15000) {
    WaitFor([&] { return (taskbar_ = ::FindWindowA("Shell_TrayWnd", nullptr)) != nullptr; }, timeoutMs);
    DWORD pid = 0;
    if (taskbar_ && ::GetWindowThreadProcessId(taskbar_, &pid))
      explorer_.reset(::OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE, pid));
  }

  bool ok() const { return static_cast<bool>(explorer_); }
  HWND taskbar() const { return taskbar_; }

  std::optional<TrayIcon> FindIcon(HWND owner, UINT id) {
    std::optional<Record> record = FindRecord(owner, id);
    if (!record) return std::nullopt;
    TrayIcon icon;
    icon.owner = owner;
    icon.id = id;
    icon.hidden = record->display < 0;
    if (!icon.hidden) icon.cell = Cell(record->display);
    icon.tip = Text(record->tip);
    return icon;
  }

  // The icon once it is there and `until` holds for it.
  std::optional<TrayIcon> WaitForIcon(HWND owner, UINT id, const std::function<bool(const TrayIcon&)>& until = {},
                                      DWORD timeoutMs = 10000) {
    std::optional<TrayIcon> icon;
    WaitFor([&] { return (icon = FindIcon(owner, id)) && (!until || until(*icon)); }, timeoutMs);
    return icon && (!until || until(*icon)) ? icon : std::nullopt;
  }

  bool WaitForNoIcon(HWND owner, UINT id, DWORD timeoutMs = 10000) {
    return WaitFor([&] { return !FindIcon(owner, id); }, timeoutMs);
  }

  // The balloon on screen when it is the icon's: explorer shows one at a
  // time, about 2 s after NIF_INFO, and keeps the title only in the record.
  std::optional<Balloon> ShownBalloon(HWND owner, UINT id) {
    const HWND window = VisibleTooltip(/*balloon=*/true);
    std::optional<Record> record = FindRecord(owner, id);
    if (!window || !record) return std::nullopt;
    wchar_t text[512] = {};
    ::SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    if (!text[0] || Text(record->infoText) != text) return std::nullopt;
    return Balloon{Text(record->infoTitle), text};
  }

  // The icon's tooltip on screen, shown while the mouse rests on the icon.
  std::optional<std::wstring> ShownTooltip(HWND owner, UINT id) {
    const HWND window = VisibleTooltip(/*balloon=*/false);
    std::optional<Record> record = FindRecord(owner, id);
    if (!window || !record) return std::nullopt;
    wchar_t text[128] = {};
    ::SendMessageW(window, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text));
    if (!text[0] || Text(record->tip) != text) return std::nullopt;
    return std::wstring(text);
  }

  std::optional<Balloon> WaitForBalloon(HWND owner, UINT id, DWORD timeoutMs = 6000) {
    std::optional<Balloon> balloon;
    WaitFor([&] { return (balloon = ShownBalloon(owner, id)).has_value(); }, timeoutMs);
    return balloon;
  }

  // The index in `images` of the image drawn in the icon's cell, compared
  // pixel by pixel with the image drawn here at the same size on the cell's
  // background; -1 when none is, the icon is hidden or absent.
  int ShownImage(HWND owner, UINT id, std::initializer_list<HICON> images) {
    const std::optional<TrayIcon> icon = FindIcon(owner, id);
    if (!icon || icon->hidden) return -1;
    const RECT& c = icon->cell;
    const std::vector<DWORD> shown = ScreenPixels(c);
    if (shown.empty()) return -1;
    int index = 0;
    for (HICON image : images) {
      if (DrawnIcon(image, ::GetSystemMetrics(SM_CXSMICON), c.right - c.left, c.bottom - c.top, shown.front()) == shown)
        return index;
      ++index;
    }
    return -1;
  }

  bool WaitForImage(HWND owner, UINT id, std::initializer_list<HICON> images, int index, DWORD timeoutMs = 5000) {
    return WaitFor([&] { return ShownImage(owner, id, images) == index; }, timeoutMs);
  }

 private:
  // The per-icon record of Wine 8.0's explorer (x86_64), as far as read here.
  struct Record {
    std::uint64_t next, prev;  // in a list whose head lies in explorer.exe
    std::uint64_t image, owner, tooltip;
    std::uint32_t state, id, callbackMessage;
    std::int32_t display;  // cell number from the right end; -1 when hidden
    wchar_t tip[128];
    wchar_t infoText[256];
    wchar_t infoTitle[64];
  };
  static_assert(offsetof(Record, owner) == 24 && offsetof(Record, id) == 44 && offsetof(Record, tip) == 56 &&
                    offsetof(Record, infoTitle) == 824,
                "explorer's record layout");

  template <std::size_t N>
  static std::wstring Text(const wchar_t (&s)[N]) {
    return std::wstring(s, ::wcsnlen(s, N));
  }

  bool Read(std::uint64_t address, void* buffer, std::size_t size) const {
    SIZE_T got = 0;
    return ::ReadProcessMemory(explorer_.get(), reinterpret_cast<const void*>(address), buffer, size, &got) &&
           got == size;
  }

  bool InImage(std::uint64_t address) const {
    MEMORY_BASIC_INFORMATION m = {};
    return ::VirtualQueryEx(explorer_.get(), reinterpret_cast<const void*>(address), &m, sizeof m) &&
           m.Type == MEM_IMAGE;
  }

  // Explorer's own answer to whether it holds the icon: a modification that
  // changes nothing succeeds only for an icon it has.
  static bool Holds(HWND owner, UINT id) {
    NOTIFYICONDATAA nid = {};
    nid.cbSize = sizeof nid;
    nid.hWnd = owner;
    nid.uID = id;
    return ::Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
  }

  std::optional<Record> FindRecord(HWND owner, UINT id) {
    if (!ok()) return std::nullopt;
    if (!head_) {
      if (!Holds(owner, id)) return std::nullopt;
      head_ = SearchHead(owner, id);
      if (!head_) {
        ADD_FAILURE() << "explorer holds icon " << id << " but its record was not found";
        return std::nullopt;
      }
    }
    Record r = {};
    std::uint64_t node = 0;
    if (!Read(head_, &node, sizeof node)) return std::nullopt;
    for (int n = 0; node && node != head_ && n < 256; ++n, node = r.next) {
      if (!Read(node, &r, sizeof r)) return std::nullopt;
      if (r.owner == reinterpret_cast<std::uintptr_t>(owner) && r.id == id) return r;
    }
    return std::nullopt;
  }

  // Finds the icon's record in explorer's writable memory and, from it, the
  // list head. A freed record can still hold the same values, but only a
  // live one is linked into a ring that passes through explorer.exe.
  std::uint64_t SearchHead(HWND owner, UINT id) const {
    const std::uint64_t wantOwner = reinterpret_cast<std::uintptr_t>(owner);
    std::vector<char> region;
    MEMORY_BASIC_INFORMATION m = {};
    for (std::uint64_t at = 0;
         ::VirtualQueryEx(explorer_.get(), reinterpret_cast<const void*>(at), &m, sizeof m) == sizeof m;
         at = reinterpret_cast<std::uintptr_t>(m.BaseAddress) + m.RegionSize) {
      if (m.State != MEM_COMMIT || m.Type != MEM_PRIVATE || m.Protect != PAGE_READWRITE) continue;
      const std::uint64_t base = reinterpret_cast<std::uintptr_t>(m.BaseAddress);
      region.resize(m.RegionSize);
      if (!Read(base, region.data(), region.size())) continue;
      for (std::size_t o = 0; o + sizeof(Record) <= region.size(); o += 8) {
        Record r;
        std::memcpy(&r, region.data() + o, sizeof r);
        if (r.owner != wantOwner || r.id != id) continue;
        std::uint64_t node = r.next;
        for (int n = 0; node && node != base + o && n < 256; ++n) {
          if (InImage(node)) return node;
          if (!Read(node, &node, sizeof node)) break;
        }
      }
    }
    return 0;
  }

  // Cells are SM_CXSMICON plus a border of 2 on each side, counted from the
  // taskbar's right end.
  RECT Cell(int display) const {
    const int cx = ::GetSystemMetrics(SM_CXSMICON) + 4;
    const int cy = ::GetSystemMetrics(SM_CYSMICON) + 4;
    RECT client = {};
    ::GetClientRect(taskbar_, &client);
    POINT origin = {client.right - cx * (display + 1), (client.bottom - cy) / 2};
    ::ClientToScreen(taskbar_, &origin);
    return RECT{origin.x, origin.y, origin.x + cx, origin.y + cy};
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
  rm::UniqueHandle explorer_;
  std::uint64_t head_ = 0;  // explorer's list of icon records, once an icon was found
};

}  // namespace traytest
