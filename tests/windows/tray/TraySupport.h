// Test support for the tray program's Wine tests: the firmware stand-in's
// tool, the settings key, starting rmtray.exe,
// finding its windows and waiting on conditions with a time limit.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/SettingsNames.h"
#include "common/win/OwningWrappers.h"

namespace traytest {

inline std::string BuildPath(const char* relative) { return std::string("Z:") + RM_BUILD_DIR + "/" + relative; }
inline std::string TrayExe() { return BuildPath("tray/rmtray.exe"); }
inline std::string FwsimExe() { return BuildPath("fwsim/fwsim.exe"); }
inline bool StandInBuilt() { return ::GetFileAttributesA(FwsimExe().c_str()) != INVALID_FILE_ATTRIBUTES; }

// Polls `condition` every 20 ms until it holds or `timeoutMs` has passed.
inline bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 10000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// The name GetUserNameA gives this process.
inline std::string CurrentUserName() {
  char name[260] = {};
  DWORD size = sizeof name;
  return ::GetUserNameA(name, &size) ? std::string(name) : std::string();
}

// A started process, owned; killed by handle when still running at the end.
class Process {
 public:
  Process() = default;
  Process(Process&&) = default;
  Process& operator=(Process&&) = default;
  ~Process() { Kill(); }

  // `folder`: the current directory of the new process; null for this one's.
  static Process Start(const std::string& exe, const std::string& args, const char* folder = nullptr) {
    Process p;
    std::string commandLine = "\"" + exe + "\"";
    if (!args.empty()) commandLine += " " + args;
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (::CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &si, &pi)) {
      p.process_.reset(pi.hProcess);
      ::CloseHandle(pi.hThread);
      p.id_ = pi.dwProcessId;
    }
    return p;
  }

  explicit operator bool() const { return static_cast<bool>(process_); }
  DWORD id() const { return id_; }
  HANDLE handle() const { return process_.get(); }
  bool Running() const { return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
  // True when it ended within the time; *exitCode its exit code.
  bool WaitExit(DWORD timeoutMs, DWORD* exitCode = nullptr) const {
    if (!process_ || ::WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode) ::GetExitCodeProcess(process_.get(), exitCode);
    return true;
  }
  void Kill() {
    if (Running()) {
      ::TerminateProcess(process_.get(), 99);
      ::WaitForSingleObject(process_.get(), 10000);
    }
    process_.reset();
  }

 private:
  rm::UniqueHandle process_;
  DWORD id_ = 0;
};

// Runs the stand-in's tool; its exit code, or -1 when it did not run or end.
inline int Fwsim(const std::string& args) {
  Process p = Process::Start(FwsimExe(), args);
  DWORD code = 0;
  if (!p.WaitExit(30000, &code)) return -1;
  return static_cast<int>(code);
}

// Runs the stand-in's tool and returns what it printed (empty when it did
// not run or end).
inline std::string FwsimOutput(const std::string& args) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return std::string();
  rm::UniqueHandle reader(readEnd), writer(writeEnd);
  ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  std::string commandLine = "\"" + FwsimExe() + "\" " + args;
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = writeEnd;
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return std::string();
  rm::UniqueHandle process(pi.hProcess), thread(pi.hThread);
  writer.reset();
  std::string out;
  char buffer[512];
  DWORD got = 0;
  while (::ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
  return ::WaitForSingleObject(process.get(), 30000) == WAIT_OBJECT_0 ? out : std::string();
}

// The simulated notebook's wireless status word (byte 0 in the low bits),
// as "fwsim show" prints it; 0xFFFFFFFF when it cannot be read.
inline DWORD FwsimWirelessWord() {
  const std::string out = FwsimOutput("show");
  const std::size_t at = out.find("wireless word: 0x");
  if (at == std::string::npos) return 0xFFFFFFFF;
  return std::strtoul(out.c_str() + at + 17, nullptr, 16);
}

// Sets a profile (and no faults) for the test, and puts the machine back to
// profile "both" without faults at the end.
class MachineProfile {
 public:
  explicit MachineProfile(const char* profile) {
    Fwsim("fault clear");
    ok_ = Fwsim(std::string("profile ") + profile) == 0;
  }
  ~MachineProfile() {
    Fwsim("fault clear");
    Fwsim("profile both");
  }
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

// A test on the machine of profile "both", with COM in the multithreaded
// apartment as the tray program has it.
class StandInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StandInBuilt()) << FwsimExe();
    comInit_ = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ASSERT_TRUE(SUCCEEDED(comInit_));
    profile_ = std::make_unique<MachineProfile>("both");
    ASSERT_TRUE(profile_->ok());
  }
  void TearDown() override {
    profile_.reset();
    if (SUCCEEDED(comInit_)) ::CoUninitialize();
  }

 private:
  HRESULT comInit_ = E_FAIL;
  std::unique_ptr<MachineProfile> profile_;
};

// --- the settings key ---------------------------------------------------

inline void DeleteSettingsKey() { ::RegDeleteKeyA(HKEY_CURRENT_USER, rm::kSettingsKeyPath); }

inline bool SettingsKeyExists() {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, rm::kSettingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

inline bool CreateSettingsKey() {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, rm::kSettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
    return false;
  ::RegCloseKey(key);
  return true;
}

struct RegValue {
  bool exists = false;
  DWORD type = 0;
  std::vector<BYTE> data;
  DWORD AsDword() const {
    DWORD v = 0;
    if (data.size() == 4) std::memcpy(&v, data.data(), 4);
    return v;
  }
};

inline RegValue ReadSetting(const char* name) {
  RegValue v;
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, rm::kSettingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return v;
  DWORD size = 0;
  if (::RegQueryValueExA(key, name, nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
    v.data.resize(size);
    v.exists = ::RegQueryValueExA(key, name, nullptr, &v.type, v.data.data(), &size) == ERROR_SUCCESS;
    v.data.resize(size);
  }
  ::RegCloseKey(key);
  return v;
}

inline bool WriteSetting(const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, rm::kSettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
    return false;
  const bool ok = ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
  ::RegCloseKey(key);
  return ok;
}

inline bool WriteSettingDword(const char* name, DWORD value) {
  return WriteSetting(name, REG_DWORD, &value, sizeof value);
}

inline DWORD CountValues() {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, rm::kSettingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  DWORD count = 0;
  ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                     nullptr);
  ::RegCloseKey(key);
  return count;
}

// Deletes the settings key now and again at the end of the scope.
class CleanSettingsKey {
 public:
  CleanSettingsKey() { DeleteSettingsKey(); }
  ~CleanSettingsKey() { DeleteSettingsKey(); }
};

// --- windows of another process -------------------------------------------

// The first visible or hidden top-level window of process `pid` with the
// class and (when given) the title.
inline HWND FindProcessWindow(DWORD pid, const char* className, const char* title = nullptr) {
  struct Search {
    DWORD pid;
    const char* className;
    const char* title;
    HWND found;
  } search{pid, className, title, nullptr};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lp) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        if (owner != s->pid) return TRUE;
        char cls[64] = {};
        ::GetClassNameA(hwnd, cls, sizeof cls);
        if (std::strcmp(cls, s->className) != 0) return TRUE;
        if (s->title) {
          char text[256] = {};
          ::GetWindowTextA(hwnd, text, sizeof text);
          if (std::strcmp(text, s->title) != 0) return TRUE;
        }
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline HWND WaitForProcessWindow(DWORD pid, const char* className, const char* title = nullptr,
                                 bool visible = true, DWORD timeoutMs = 15000) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        found = FindProcessWindow(pid, className, title);
        return found && (!visible || ::IsWindowVisible(found));
      },
      timeoutMs);
  return found && (!visible || ::IsWindowVisible(found)) ? found : nullptr;
}

inline std::string DlgItemText(HWND dialog, int id) {
  char text[1024] = {};
  ::GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

// The message box text: the static control of a message box has id 0xFFFF.
inline std::string MessageBoxText(HWND box) { return DlgItemText(box, 0xFFFF); }

inline std::string WindowText(HWND hwnd) {
  char text[256] = {};
  ::GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

}  // namespace traytest
