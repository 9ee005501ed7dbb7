// notifyarea-probe.exe: what Wine's 64-bit explorer holds per notification
// icon, for the tests' NotifyArea (NotifyArea.h). Explorer's records live in
// its own memory above 4 GB, which a 32-bit test cannot address, so this
// small x86_64 program reads them for it, as long as the test keeps it
// running. For each line "list" on standard input it writes one line per
// icon, and for "balloon OWNER ID" the icon's pending balloon, then "end":
//
//   icon OWNER ID DISPLAY LEFT TOP RIGHT BOTTOM TIP INFOTEXT INFOTITLE
//   balloon INFOTEXT INFOTITLE
//
// Wine 10's explorer holds a balloon's texts until it has shown it, then
// clears the text; but in this desktop it never shows one. "balloon" takes
// the pending balloon as explorer would have, clearing its text, so that
// each balloon an owner sends is seen once.
//
// OWNER is the owner window's handle in hex, DISPLAY the cell number from
// the taskbar's right end (-1 when hidden), LEFT..BOTTOM the icon window's
// rectangle on screen, and the texts UTF-16 code units in hex ("-" when
// empty). "error TEXT" reports what cannot be read.
//
// Wine 10's explorer gives every icon a window of class "__wine_tray_icon"
// whose GWLP_USERDATA points at the icon's record; the record names that
// window again, which proves the layout below before anything is read.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

static_assert(sizeof(void*) == 8, "explorer is a 64-bit process; this probe must be one too");

namespace {

struct Record {
  std::uint64_t next, prev;  // the icon list
  std::uint64_t image, owner, window;
  std::int32_t layered;
  std::uint64_t tooltip;
  std::uint32_t state, id, callbackMessage;
  std::int32_t display;  // -1 when hidden
  wchar_t tip[128];
  wchar_t infoText[256];
  wchar_t infoTitle[64];
};
static_assert(offsetof(Record, owner) == 24 && offsetof(Record, window) == 32 && offsetof(Record, id) == 60 &&
                  offsetof(Record, tip) == 72 && offsetof(Record, infoText) == 328 &&
                  offsetof(Record, infoTitle) == 840,
              "explorer's record layout");

template <std::size_t N>
std::string Hex(const wchar_t (&s)[N]) {
  std::string out;
  char unit[8];
  for (std::size_t i = 0; i < N && s[i]; ++i) {
    std::snprintf(unit, sizeof unit, "%04X", static_cast<unsigned>(s[i]));
    out += unit;
  }
  return out.empty() ? "-" : out;
}

struct Lister {
  DWORD explorer = 0;
  HANDLE process = nullptr;
  std::vector<HWND> windows;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM lp) {
  auto* l = reinterpret_cast<Lister*>(lp);
  char cls[32] = {};
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid == l->explorer && ::GetClassNameA(hwnd, cls, sizeof cls) && std::strcmp(cls, "__wine_tray_icon") == 0)
    l->windows.push_back(hwnd);
  return TRUE;
}

// Every icon explorer holds; with `take`, only the pending balloon of the
// icon of owner `owner` and id `id`, which is then cleared.
void List(bool take = false, std::uint64_t owner = 0, unsigned id = 0) {
  const HWND taskbar = ::FindWindowA("Shell_TrayWnd", nullptr);
  Lister l;
  if (!taskbar || !::GetWindowThreadProcessId(taskbar, &l.explorer)) {
    std::puts("error no taskbar");
    return;
  }
  l.process = ::OpenProcess(PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_VM_OPERATION | PROCESS_QUERY_INFORMATION,
                            FALSE, l.explorer);
  if (!l.process) {
    std::printf("error OpenProcess %lu\n", ::GetLastError());
    return;
  }
  // Hidden icons' windows are top-level; shown ones are the taskbar's children.
  ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&l));
  ::EnumChildWindows(taskbar, Collect, reinterpret_cast<LPARAM>(&l));
  for (std::size_t i = 0; i < l.windows.size(); ++i) {
    const HWND w = l.windows[i];
    bool seen = false;
    for (std::size_t j = 0; j < i; ++j) seen = seen || l.windows[j] == w;
    if (seen) continue;
    const LONG_PTR at = ::GetWindowLongPtrW(w, GWLP_USERDATA);
    Record r = {};
    SIZE_T got = 0;
    if (!at) continue;  // an icon window being made or destroyed
    if (!::ReadProcessMemory(l.process, reinterpret_cast<const void*>(at), &r, sizeof r, &got) || got != sizeof r) {
      std::printf("error ReadProcessMemory %lu\n", ::GetLastError());
      continue;
    }
    if (r.window != reinterpret_cast<std::uintptr_t>(w)) {
      std::puts("error the icon record does not name its window: explorer's layout changed");
      continue;
    }
    if (take) {
      if (static_cast<std::uint32_t>(r.owner) != static_cast<std::uint32_t>(owner) || r.id != id || !r.infoText[0])
        continue;
      const wchar_t none = 0;
      SIZE_T put = 0;
      ::WriteProcessMemory(l.process, reinterpret_cast<char*>(at) + offsetof(Record, infoText), &none, sizeof none,
                           &put);
      std::printf("balloon %s %s\n", Hex(r.infoText).c_str(), Hex(r.infoTitle).c_str());
      continue;
    }
    RECT rect = {};
    ::GetWindowRect(w, &rect);
    std::printf("icon %llX %u %d %ld %ld %ld %ld %s %s %s\n", static_cast<unsigned long long>(r.owner), r.id,
                r.display, rect.left, rect.top, rect.right, rect.bottom, Hex(r.tip).c_str(), Hex(r.infoText).c_str(),
                Hex(r.infoTitle).c_str());
  }
  ::CloseHandle(l.process);
}

}  // namespace

int main() {
  char line[64];
  while (std::fgets(line, sizeof line, stdin)) {
    unsigned long long owner = 0;
    unsigned id = 0;
    if (std::strncmp(line, "list", 4) == 0) List();
    else if (std::sscanf(line, "balloon %llx %u", &owner, &id) == 2) List(true, owner, id);
    std::puts("end");
    std::fflush(stdout);
  }
  return 0;
}
