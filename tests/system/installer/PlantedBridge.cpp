// Stands in a folder under the name vtqwmi.exe where someone other than
// the setup put it: run with any arguments, it leaves C:\planted-ran.txt
// (its command line), which the setup's test looks for.
#include <windows.h>

int main() {
  HANDLE marker = ::CreateFileA("C:\\planted-ran.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (marker == INVALID_HANDLE_VALUE) return 1;
  const char* line = ::GetCommandLineA();
  DWORD written = 0;
  ::WriteFile(marker, line, static_cast<DWORD>(::lstrlenA(line)), &written, nullptr);
  ::CloseHandle(marker);
  return 0;
}
