// The demo's hand on the applet's sheet (scripts/demo.sh runs
// build/<preset>/demo/panel-demo.exe): "cancel" waits for the open sheet and
// presses its Cancel button. Exits 0 when the sheet closed.
#include <cstring>

#include "tests/support/ResourceIds.h"
#include "tests/system/panel/PanelDriver.h"

int main(int argc, char** argv) {
  using namespace paneltest;
  if (argc != 2 || std::strcmp(argv[1], "cancel") != 0) return 2;
  HWND sheet = nullptr;
  WaitFor([&] { return (sheet = ::FindWindowA("#32770", kSheetTitle)) && ::GetDlgItem(sheet, IDC_PANEL_TAB); },
          std::chrono::seconds(15));
  if (!sheet) return 1;
  Click(sheet, 2);
  return WaitForWindowGone(sheet) ? 0 : 1;
}
