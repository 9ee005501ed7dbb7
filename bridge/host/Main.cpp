// vtqwmi.exe: the bridge service and COM server.
#include <windows.h>

#include "bridge/host/ServiceModule.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  try {
    return vtq::ServiceModule::Instance().Start(instance, ::GetCommandLineA());
  } catch (...) {
    return static_cast<int>(E_UNEXPECTED);
  }
}
