// Entry point of rmtray.
#include <windows.h>

#include "tray/core/Startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR commandLine, int /*show*/) {
  try {
    return rm::RunTrayProgram(instance, commandLine);
  } catch (...) {
    return 0;
  }
}
