// Start time of rmtray.exe, from CreateProcess to its hidden tray window (a
// top-level "#32770" without title), next to the trivial program
// tray_bench_idle_window.exe started the same way in the same run: one
// unmeasured start each, then 20 measured starts each, taken in turns. Each
// start is ended with command 1 and waited for (killed by handle after
// 15 s): rmtray runs once per logon. Prints figures only.
//
//   tray_bench                        the start times
//   tray_bench wait-event NAME MS     exits 0 once the named event can be
//                                     opened, 1 when MS pass first
//   tray_bench end EXE MS             command 1 to the hidden dialog of each
//                                     running process named EXE; exits 0 when
//                                     all of them ended within MS
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/TrayMachine.h"
#include "tray/core/Startup.h"

namespace {

constexpr int kStarts = 20;
constexpr DWORD kPollMs = 2;
constexpr DWORD kWindowLimitMs = 30000;
constexpr DWORD kExitLimitMs = 15000;

// The hidden dialog of process `pid`: top-level, class "#32770", no title.
HWND FindHiddenDialog(DWORD pid) {
  HWND window = nullptr;
  while ((window = ::FindWindowExA(nullptr, window, "#32770", "")) != nullptr) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == pid) return window;
  }
  return nullptr;
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Series {
  std::string exe;
  std::vector<double> ms;
  int killed = 0;
};

// One start of series.exe: the time to its hidden dialog, then command 1 and
// the wait for its end. False when the window did not come.
bool StartOnce(Series& series, double* ms) {
  LARGE_INTEGER start, found;
  ::QueryPerformanceCounter(&start);
  traytest::Process p = traytest::Process::Start(series.exe, "");
  if (!p) {
    std::fprintf(stderr, "cannot start %s (error %lu)\n", series.exe.c_str(), ::GetLastError());
    return false;
  }
  HWND window = nullptr;
  const ULONGLONG end = ::GetTickCount64() + kWindowLimitMs;
  while (!(window = FindHiddenDialog(p.id())) && p.Running() && ::GetTickCount64() < end) ::Sleep(kPollMs);
  ::QueryPerformanceCounter(&found);
  if (!window) {
    std::fprintf(stderr, "%s: no hidden window (%s)\n", series.exe.c_str(),
                 p.Running() ? "time limit passed" : "the program ended");
    return false;  // still running: killed by ~Process
  }
  *ms = Milliseconds(start, found);
  ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(1, 0), 0);
  if (!p.WaitExit(std::chrono::milliseconds(kExitLimitMs))) {
    ++series.killed;
    p.Kill();
  }
  return true;
}

void Print(const Series& s) {
  std::vector<double> v = s.ms;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  const std::string name = s.exe.substr(s.exe.find_last_of("\\/") + 1);
  std::printf("  %-30s median %7.1f ms   min %7.1f ms   max %7.1f ms   (%u starts", name.c_str(), median,
              v.front(), v.back(), static_cast<unsigned>(n));
  if (s.killed) std::printf(", %d killed after command 1", s.killed);
  std::printf(")\n");
}

std::string OwnFolder() {
  char path[MAX_PATH] = "";
  ::GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path);
  const size_t slash = folder.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
}

int StartTimes() {
  if (!traytest::StandInBuilt()) {
    std::fprintf(stderr, "not built: %s\n", traytest::FwsimExe().c_str());
    return 1;
  }
  if (HANDLE mutex = ::OpenMutexA(SYNCHRONIZE, FALSE, rm::kSingleInstanceMutex)) {
    ::CloseHandle(mutex);
    std::fprintf(stderr, "an rmtray already runs in this logon; it would refuse every start\n");
    return 1;
  }
  traytest::MachineProfile profile("both");
  if (!profile.ok()) {
    std::fprintf(stderr, "fwsim profile both failed\n");
    return 1;
  }

  Series tray{traytest::TrayExe(), {}, 0};
  Series trivial{OwnFolder() + "\\tray_bench_idle_window.exe", {}, 0};
  double ms = 0;
  // Warm-up starts, not counted.
  if (!StartOnce(tray, &ms) || !StartOnce(trivial, &ms)) return 1;
  for (int i = 0; i < kStarts; ++i) {
    if (!StartOnce(tray, &ms)) return 1;
    tray.ms.push_back(ms);
    if (!StartOnce(trivial, &ms)) return 1;
    trivial.ms.push_back(ms);
  }
  std::printf("Start to hidden window, warm, %d starts each in turns (polled every %lu ms):\n", kStarts,
              kPollMs);
  Print(tray);
  Print(trivial);
  return 0;
}

int WaitEvent(const char* name, DWORD limitMs) {
  return traytest::WaitFor(
             [name] {
               HANDLE event = ::OpenEventA(SYNCHRONIZE, FALSE, name);
               if (!event) return false;
               ::CloseHandle(event);
               return true;
             },
             std::chrono::milliseconds(limitMs))
             ? 0
             : 1;
}

// Command 1 to every running process named `exe`, then the wait for each.
int End(const char* exe, DWORD limitMs) {
  rm::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snapshot.get() == INVALID_HANDLE_VALUE) {
    snapshot.release();
    return 1;
  }
  std::vector<DWORD> pids;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry))
    if (::lstrcmpiA(entry.szExeFile, exe) == 0) pids.push_back(entry.th32ProcessID);

  int failed = 0;
  const ULONGLONG end = ::GetTickCount64() + limitMs;
  for (DWORD pid : pids) {
    rm::UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    const HWND window = FindHiddenDialog(pid);
    if (!process || !window || !::PostMessageA(window, WM_COMMAND, MAKEWPARAM(1, 0), 0)) {
      std::fprintf(stderr, "%s (pid %lu): no hidden window to end it with\n", exe, pid);
      ++failed;
      continue;
    }
    const ULONGLONG now = ::GetTickCount64();
    if (::WaitForSingleObject(process.get(), now < end ? static_cast<DWORD>(end - now) : 0) != WAIT_OBJECT_0) {
      std::fprintf(stderr, "%s (pid %lu): still running after command 1\n", exe, pid);
      ++failed;
    }
  }
  std::printf("%s: %u ended with command 1, %d not\n", exe, static_cast<unsigned>(pids.size()) - failed, failed);
  return !pids.empty() && failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) return StartTimes();
  if (argc == 4 && std::strcmp(argv[1], "wait-event") == 0)
    return WaitEvent(argv[2], std::strtoul(argv[3], nullptr, 10));
  if (argc == 4 && std::strcmp(argv[1], "end") == 0) return End(argv[2], std::strtoul(argv[3], nullptr, 10));
  std::fprintf(stderr, "usage: tray_bench [wait-event NAME MS | end EXE MS]\n");
  return 2;
}
