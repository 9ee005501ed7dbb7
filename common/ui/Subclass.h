// Subclass: binds an object to an existing window by replacing its window
// procedure. The object is found through a window property, so no global
// map is needed; the old procedure comes back at WM_NCDESTROY or Detach.
// The new procedure is a wide one, so the window stays a Unicode window:
// an ANSI procedure would pass every text set with the wide functions
// through the ANSI code page.
#pragma once

#include <windows.h>

namespace rm {

class Subclass {
 public:
  Subclass() = default;
  Subclass(const Subclass&) = delete;
  Subclass& operator=(const Subclass&) = delete;
  virtual ~Subclass();

  // Binds to `window`; false when it is not a window or already bound.
  bool Attach(HWND window);
  void Detach();
  HWND hwnd() const { return hwnd_; }

 protected:
  // Every message of the window; the default passes it on.
  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT CallPrevious(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  WNDPROC previous_ = nullptr;
};

}  // namespace rm
