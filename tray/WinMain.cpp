// Entry point of rmtray: the start-up (tray/core) with the program's
// windows (tray/windows) handed in.
#include <windows.h>

#include "tray/core/Startup.h"
#include "tray/windows/ProgramDialogs.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR commandLine, int /*show*/) {
  try {
    rm::ProgramDialogs windows;
    return rm::RunTrayProgram(instance, commandLine, windows);
  } catch (...) {
    return 0;
  }
}
