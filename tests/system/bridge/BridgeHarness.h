// Test support for driving the bridge as its clients and the service
// control manager do: vtqwmi.exe run with its switches, the service's state
// and process, the Parameters values, the log file, and COM clients of
// vtqCallBiosEx in this (other) process.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/win/OwningWrappers.h"
#include "tests/support/BuildPaths.h"
#include "tests/support/Fwsim.h"
#include "tests/support/Process.h"
#include "tests/support/Registry.h"
#include "tests/support/WaitFor.h"
#include "vtqwmi.h"

namespace bridgetest {

using rmtest::BridgeExe;
using rmtest::KeyExists;
using rmtest::ReadValue;
using rmtest::RegValue;
using rmtest::RunProgram;
using rmtest::WaitFor;
using rmtest::WinPath;
inline std::string FwsimExe() { return rmtest::BuildWinPath("fwsim/fwsim.exe"); }
inline bool StandInBuilt() { return rmtest::FwsimServerBuilt(); }

inline long Bridge(const std::string& arguments) { return RunProgram(BridgeExe(), arguments); }

struct ServiceState {
  bool exists = false;
  DWORD state = 0;
  DWORD pid = 0;
};

inline ServiceState QueryBridgeService() {
  ServiceState s;
  rm::UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return s;
  rm::UniqueServiceHandle service(::OpenServiceA(manager.get(), "vtqwmi", SERVICE_QUERY_STATUS));
  if (!service) return s;
  s.exists = true;
  SERVICE_STATUS_PROCESS status = {};
  DWORD needed = 0;
  if (::QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                             reinterpret_cast<BYTE*>(&status), sizeof(status), &needed)) {
    s.state = status.dwCurrentState;
    s.pid = status.dwProcessId;
  }
  return s;
}

// Sends the stop control and waits for the service to be stopped.
inline bool StopBridgeService() {
  rm::UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return false;
  rm::UniqueServiceHandle service(
      ::OpenServiceA(manager.get(), "vtqwmi", SERVICE_STOP | SERVICE_QUERY_STATUS));
  if (!service) return true;
  SERVICE_STATUS status = {};
  ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
  return WaitFor([] { return QueryBridgeService().state == SERVICE_STOPPED; }, std::chrono::seconds(20));
}

// This build's bridge registered as a service (a running one stopped
// first), and removed again, so that a suite leaves the prefix as it found it.
inline bool RegisterBridgeService() {
  if (QueryBridgeService().state == SERVICE_RUNNING) StopBridgeService();
  return Bridge("/Service") == 0;
}
inline void RemoveBridgeService() {
  StopBridgeService();
  Bridge("/UnregServer");
}

inline bool ProcessAlive(DWORD pid) {
  rm::UniqueHandle p(::OpenProcess(SYNCHRONIZE, FALSE, pid));
  return p && ::WaitForSingleObject(p.get(), 0) == WAIT_TIMEOUT;
}

inline const char kParametersKey[] = "System\\CurrentControlSet\\Services\\vtqwmi\\Parameters";

inline bool SetParameter(const char* name, DWORD value) {
  return rmtest::WriteDword(HKEY_LOCAL_MACHINE, kParametersKey, name, value);
}

inline std::string LogFolder() {
  char path[MAX_PATH] = "";
  ::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
  return std::string(path) + "\\vtqwmi";
}
inline std::string LogFile() { return LogFolder() + "\\vtqwmi.log"; }

inline bool ReadFileText(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  text = s.str();
  return true;
}

// The log's lines without their CR LF.
inline std::vector<std::string> LogLines() {
  std::string text;
  std::vector<std::string> lines;
  if (!ReadFileText(LogFile(), text)) return lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      if (start < text.size()) lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
}

inline HRESULT CreateBridge(rm::ComPtr<IvtqCallBiosEx>& bridge) {
  return ::CoCreateInstance(CLSID_vtqCallBiosEx, nullptr, CLSCTX_LOCAL_SERVER, IID_IvtqCallBiosEx,
                            bridge.put_void());
}

// A byte-array variant of `count` elements (one dimension, lower bound 0).
inline rm::Variant ByteArray(ULONG count, BYTE fill = 0) {
  rm::Variant v;
  SAFEARRAYBOUND bound = {count, 0};
  SAFEARRAY* array = ::SafeArrayCreate(VT_UI1, 1, &bound);
  if (array) {
    rm::SafeArrayData data(array);
    if (data && count) memset(data.data(), fill, count);
    V_VT(v.get()) = VT_ARRAY | VT_UI1;
    V_ARRAY(v.get()) = array;
  }
  return v;
}

inline std::vector<BYTE> BytesOf(const VARIANT* v) {
  std::vector<BYTE> out;
  if (V_VT(v) != (VT_ARRAY | VT_UI1) || !V_ARRAY(v)) return out;
  LONG lo = 0, hi = -1;
  ::SafeArrayGetLBound(V_ARRAY(v), 1, &lo);
  ::SafeArrayGetUBound(V_ARRAY(v), 1, &hi);
  for (LONG i = lo; i <= hi; ++i) {
    BYTE b = 0;
    ::SafeArrayGetElement(V_ARRAY(v), &i, &b);
    out.push_back(b);
  }
  return out;
}

}  // namespace bridgetest
