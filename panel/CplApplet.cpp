// rmpanel.cpl's entry points: the library entry and CPlApplet, which the
// Control Panel host calls on its thread. No exception leaves either.
#include <windows.h>
#include <commctrl.h>
#include <cpl.h>

#include <cstring>

#include "common/ui/ResourceString.h"
#include "panel/CplAnswers.h"
#include "panel/PanelSettings.h"
#include "panel/PanelSheet.h"
#include "panel/res/resource.h"

// The host's record is that of a 32-bit applet: 244 bytes there.
static_assert(sizeof(void*) != 4 || sizeof(NEWCPLINFOA) == 244, "NEWCPLINFO of a 32-bit applet");

namespace rm {
namespace {

HINSTANCE g_module = nullptr;

// Opening the item: one modal sheet per CPL_DBLCLK, owned by the window
// active now (normally the Control Panel's); returns when it is closed.
void OpenItem() {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_COOL_CLASSES};
  static_assert((ICC_BAR_CLASSES | ICC_COOL_CLASSES) == 0x404, "the common control classes");
  ::InitCommonControlsEx(&controls);
  LoadPanelSettings(PanelSettings());
  PanelSheet sheet(g_module, PanelSettings());
  sheet.Run(::GetActiveWindow());
}

void CopyText(char* target, std::size_t capacity, const std::string& text) {
  const std::size_t length = text.size() < capacity ? text.size() : capacity - 1;
  std::memcpy(target, text.data(), length);
  target[length] = '\0';
}

void FillNewInfo(NEWCPLINFOA* info) {
  if (!info) return;
  info->dwSize = sizeof(NEWCPLINFOA);
  info->dwFlags = 0;
  info->dwHelpContext = 0;
  info->lData = 0;
  info->hIcon = ::LoadIconA(g_module, MAKEINTRESOURCEA(IDI_PANEL));
  CopyText(info->szName, sizeof info->szName, LoadResourceString(g_module, IDS_PANEL_NAME));
  CopyText(info->szInfo, sizeof info->szInfo, LoadResourceString(g_module, IDS_PANEL_INFO));
  info->szHelpFile[0] = '\0';
}

}  // namespace
}  // namespace rm

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    rm::g_module = module;
    ::DisableThreadLibraryCalls(module);
  } else if (reason == DLL_PROCESS_DETACH) {
    rm::g_module = nullptr;
  }
  return TRUE;
}

LONG APIENTRY CPlApplet(HWND /*hwndCPl*/, UINT message, LPARAM /*lParam1*/, LPARAM lParam2) {
  try {
    const rm::CplAnswer answer = rm::AnswerTo(message);
    switch (answer.action) {
      case rm::CplAction::kOpenItem:
        rm::OpenItem();
        break;
      case rm::CplAction::kFillNewInfo:
        rm::FillNewInfo(reinterpret_cast<NEWCPLINFOA*>(lParam2));
        break;
      case rm::CplAction::kNothing:
        break;
    }
    return answer.result;
  } catch (...) {
    return 0;
  }
}

}  // extern "C"
