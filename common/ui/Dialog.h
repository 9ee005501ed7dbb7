// Dialog: the base of the tray program's and the applet's dialogs (modal
// and modeless). One static dialog procedure binds the object to its window
// at WM_INITDIALOG, routes messages to small virtual handlers, reflects
// control notifications that no handler consumed back to the control
// (message + 0x2000), and keeps every exception inside.
#pragma once

#include <windows.h>

namespace rm {

// Reflected notifications arrive at the control as message + kReflectBase.
inline constexpr UINT kReflectBase = 0x2000;

class Dialog {
 public:
  Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;
  virtual ~Dialog();

  HWND hwnd() const { return hwnd_; }

  // DialogBoxParamA from template `id`; -1 when the dialog could not be made.
  INT_PTR RunModal(HINSTANCE instance, int id, HWND owner);
  // CreateDialogParamA from template `id`; null on failure.
  HWND CreateModeless(HINSTANCE instance, int id, HWND parent);

 protected:
  // WM_INITDIALOG; the result goes back to the dialog manager.
  virtual BOOL OnInitDialog() { return TRUE; }
  // WM_COMMAND; true when handled.
  virtual bool OnCommand(WORD /*id*/, WORD /*code*/, HWND /*control*/) { return false; }
  // Any message, before the others; true when handled, with *result the
  // dialog procedure's return value.
  virtual bool OnMessage(UINT /*msg*/, WPARAM /*wParam*/, LPARAM /*lParam*/, INT_PTR* /*result*/) { return false; }
  // WM_NCDESTROY: the window is gone; the object is no longer bound.
  virtual void OnDestroyed() {}

  // The one place that writes DWLP_MSGRESULT; returns TRUE for the procedure.
  static INT_PTR SetMessageResult(HWND hwnd, LRESULT result);

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
  bool Reflect(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* result);

  HWND hwnd_ = nullptr;
};

}  // namespace rm
