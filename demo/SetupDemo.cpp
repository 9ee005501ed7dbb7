// The demo's hand on the setup program's wizard (scripts/demo.sh):
//   setup-demo wait        waits for the wizard and its first page
//   setup-demo press ID    presses the wizard's button ID (1 Next, Install
//                          or Finish; 2 Cancel; 3 Back) and waits for the
//                          next page to be ready, or for the wizard to close
// A page is ready when button 1 is enabled (on the progress page: when the
// installation is done). Exit code 0 when that happened within 60 s.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char kWizardTitle[] = "Zarn Radio Minder Setup";

bool WaitFor(bool (*condition)(void*), void* context, DWORD timeoutMs = 60000) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (condition(context)) return true;
    if (::GetTickCount() - start >= timeoutMs) return false;
    ::Sleep(50);
  }
}

// The wizard's caption is the title, with a page's subcaption after it.
HWND Wizard() {
  HWND found = nullptr;
  ::EnumWindows(
      [](HWND top, LPARAM lp) CALLBACK -> BOOL {
        char cls[16] = {}, title[128] = {};
        ::GetClassNameA(top, cls, sizeof cls);
        ::GetWindowTextA(top, title, sizeof title);
        if (std::strcmp(cls, "#32770") != 0 || std::strncmp(title, kWizardTitle, sizeof kWizardTitle - 1) != 0)
          return TRUE;
        *reinterpret_cast<HWND*>(lp) = top;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}
// The current page: the wizard's visible child dialog.
HWND Page(HWND wizard) {
  for (HWND child = ::FindWindowExA(wizard, nullptr, "#32770", nullptr); child;
       child = ::FindWindowExA(wizard, child, "#32770", nullptr)) {
    if (::IsWindowVisible(child)) return child;
  }
  return nullptr;
}
bool Ready(HWND wizard) {
  const HWND next = ::GetDlgItem(wizard, 1);
  return ::IsWindowVisible(wizard) && Page(wizard) && next && ::IsWindowEnabled(next);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "wait") == 0) {
    const bool ok = WaitFor([](void*) { const HWND w = Wizard(); return w && Ready(w); }, nullptr);
    if (!ok) std::puts("setup-demo: no wizard page");
    return ok ? 0 : 1;
  }
  if (argc >= 3 && std::strcmp(argv[1], "press") == 0) {
    const HWND wizard = Wizard();
    if (!wizard) {
      std::puts("setup-demo: no wizard");
      return 1;
    }
    struct Before {
      HWND wizard, page;
    } before{wizard, Page(wizard)};
    // Posted as the button itself would send it: the finish page runs a
    // message loop of its own inside the handling of the click.
    const int id = std::atoi(argv[2]);
    ::PostMessageA(wizard, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(wizard, id)));
    const bool ok = WaitFor(
        [](void* p) {
          const auto* b = static_cast<Before*>(p);
          if (!::IsWindow(b->wizard)) return true;
          return Page(b->wizard) != b->page && Ready(b->wizard);
        },
        &before);
    if (!ok) std::puts("setup-demo: the next page did not come");
    return ok ? 0 : 1;
  }
  std::puts("usage: setup-demo wait | press ID");
  return 2;
}
