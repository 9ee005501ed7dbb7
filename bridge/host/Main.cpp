// vtqwmi.exe: the bridge service and COM server.
#include <windows.h>

#include "bridge/host/ServiceModule.h"

namespace {

// The process runs as the system account: a library it loads by name comes
// from the system folder or its own (protected) folder, never from the
// current folder or the PATH. Windows 7 without the loader update has no
// such call and keeps its default search.
void RestrictLibrarySearch() {
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  const auto set = kernel ? reinterpret_cast<SetDirectories>(reinterpret_cast<void*>(
                                ::GetProcAddress(kernel, "SetDefaultDllDirectories")))
                          : nullptr;
  if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
  ::SetDllDirectoryA("");
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  RestrictLibrarySearch();
  try {
    return vtq::ServiceModule::Instance().Start(instance, ::GetCommandLineA());
  } catch (...) {
    return static_cast<int>(E_UNEXPECTED);
  }
}
