// vtqwmi.exe: the bridge service and COM server.
#include <windows.h>

#include "bridge/host/ServiceModule.h"
#include "common/win/SystemFunction.h"

namespace {

// The process runs as the system account: a library it loads by name comes
// from the system folder only, never from the current folder, the PATH or
// its own folder (which holds nothing it loads, and may hold what someone
// put there before the setup protected it). Its imports are all known
// system libraries. Windows 7 without the loader update has no such call
// and keeps its default search.
void RestrictLibrarySearch() {
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  const auto set = rm::LoadedSystemFunction<SetDirectories>("kernel32.dll", "SetDefaultDllDirectories");
  if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
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
