// The trivial program the tray benchmarks set beside rmtray.exe: one hidden
// dialog without caption or controls, and a message loop until the dialog
// receives command 1 or WM_CLOSE.
#include <windows.h>

#include <cstring>

namespace {

INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM /*lParam*/) {
  if ((msg == WM_COMMAND && LOWORD(wParam) == 1) || msg == WM_CLOSE) {
    ::DestroyWindow(dialog);
    ::PostQuitMessage(0);
    return TRUE;
  }
  return msg == WM_INITDIALOG;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*show*/) {
  // DLGTEMPLATE (style, extended style, no items, position, size), then no
  // menu, the standard dialog class and an empty title.
  alignas(4) WORD dialogTemplate[12] = {};
  const DWORD style = WS_POPUP | DS_MODALFRAME;
  std::memcpy(dialogTemplate, &style, sizeof style);
  const HWND dialog = ::CreateDialogIndirectParamA(
      instance, reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate), nullptr, DialogProc, 0);
  if (!dialog) return 1;

  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (::IsWindow(dialog) && ::IsDialogMessageA(dialog, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return 0;
}
