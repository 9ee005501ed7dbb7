#include "tray/core/AppModule.h"

#include <commctrl.h>

#include <algorithm>

namespace rm {

void MessageLoop::AddFilter(MessageFilter* filter) {
  if (filter && std::find(filters_.begin(), filters_.end(), filter) == filters_.end()) filters_.push_back(filter);
}

void MessageLoop::RemoveFilter(MessageFilter* filter) {
  filters_.erase(std::remove(filters_.begin(), filters_.end(), filter), filters_.end());
}

int MessageLoop::Run() {
  MSG msg = {};
  for (;;) {
    const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) break;         // WM_QUIT
    if (got == -1) return 0;     // no message can come any more
    bool handled = false;
    // Newest filter first; a filter may remove itself while handling.
    for (std::size_t i = filters_.size(); i-- > 0 && !handled;) {
      if (i < filters_.size()) handled = filters_[i]->PreTranslateMessage(&msg);
    }
    if (handled) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

HRESULT AppModule::Init(HINSTANCE instance) {
  instance_ = instance;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  return ::InitCommonControlsEx(&controls) ? S_OK : E_FAIL;
}

void AppModule::Term() {
  loop_ = nullptr;
  instance_ = nullptr;
}

AppModule& Module() {
  static AppModule module;
  return module;
}

}  // namespace rm
