// PageTabHost: a tab control that holds pages. It is bound to an existing
// tab control (subclassed) and creates a container over its display area
// that parents the pages. The container is a sibling of the tab control,
// right after it in the dialog's order, so the keyboard's order is the
// reading order: the tab strip (a tab stop of its own), the visible page's
// controls, then the dialog's buttons; the tab control leaves the
// container's area to it in painting and hit-testing. Switching tabs hides
// the old page and shows the new one; the container and the pages carry
// WS_EX_CONTROLPARENT so the dialog manager's Tab key reaches the controls
// of the visible page. Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+Page Down and
// Ctrl+Page Up switch tabs (TabKeyRules) in the dialog's modal loop, through
// a message filter hook of the dialog's thread. The tab control's window
// text, which it never shows, is the selected tab's text: its accessible
// name. Shared by the tray program's properties window and the Control
// Panel applet.
#pragma once

#include <windows.h>

#include <vector>

#include "common/ui/Subclass.h"

namespace rm {

class PageTabHost : public Subclass {
 public:
  PageTabHost() = default;
  ~PageTabHost() override;

  // Subclasses `tab`, creates the container and gives both
  // WS_EX_CONTROLPARENT. False when the tab control cannot be bound.
  bool Bind(HWND tab);
  // Makes `page` a hidden child of the container and inserts a tab item
  // with `text` at `index`. A null page leaves its tab empty.
  void AddPage(HWND page, int index, const wchar_t* text);
  // Selects tab `index` and, since a programmatic selection raises no
  // notification, sends the tab control's parent TCN_SELCHANGE itself: the
  // parent sees the change as it would a click and reflects it back here.
  void Select(int index);
  // Shows the page of the tab control's current selection.
  void SwitchToSelection();
  // Gives the focus to the first enabled tab stop of the visible page, or
  // to the tab control when the page has none, and leaves Enter to the
  // window's default button; for WM_INITDIALOG, which then returns FALSE.
  void FocusFirstControl();

  HWND Container() const { return container_; }
  int CurrentIndex() const { return current_; }
  HWND CurrentPage() const { return currentPage_; }

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  static LRESULT CALLBACK ContainerProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK KeyFilter(int code, WPARAM wParam, LPARAM lParam);
  // A key of the dialog's loop; true when it switched tabs.
  bool OnSwitchKey(WPARAM key);
  // The container's rectangle in the tab control's client coordinates.
  RECT ContainerInTab() const;
  void Unhook();
  LRESULT ContainerMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  RECT DisplayArea() const;
  void SizeContainer();
  void SizeCurrentPage();

  HWND container_ = nullptr;
  HWND dialog_ = nullptr;  // the tab control's top-level window, which carries the host's property
  HHOOK keyHook_ = nullptr;
  std::vector<HWND> pages_;
  int current_ = -1;
  HWND currentPage_ = nullptr;
};

}  // namespace rm
