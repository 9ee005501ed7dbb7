// rmctl.exe: reads and switches the radios through the bridge, watches them
// by re-reading them once a second, shows the machine record and writes
// the diagnostics report. Exit codes: 0 done, 1 usage, 2 bridge or firmware
// unavailable, 3 refused.
#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "common/EventNames.h"
#include "common/win/OwningWrappers.h"
#include "rmctl/core/Arguments.h"
#include "rmctl/core/DebugInfoText.h"
#include "rmctl/core/MachineText.h"
#include "rmctl/core/RadioText.h"
#include "rmctl/core/Report.h"
#include "rmctl/win/BridgeClient.h"
#include "rmctl/win/Console.h"
#include "rmctl/win/ReportSources.h"

namespace rmctl {
namespace {

enum ExitCode : int { kOk = 0, kUsage = 1, kUnavailable = 2, kRefused = 3 };

// How often watch re-reads the word.
constexpr DWORD kWatchPollMs = 1000;

int Fail(int code, const std::string& message) {
  WriteErr("rmctl: " + message + "\n");
  return code;
}

struct Session {
  BridgeClient bridge;
  HRESULT connect = E_FAIL;
};

// Connects; the failure's exit code, or kOk.
int Connect(Session& s) {
  s.connect = s.bridge.Connect();
  return SUCCEEDED(s.connect) ? kOk : Fail(kUnavailable, BridgeFailureText(s.connect));
}

std::string WordFailureText(HRESULT hr, std::uint32_t returnCode) {
  if (FAILED(hr)) return BridgeFailureText(hr);
  return "the firmware did not answer the wireless query (return code " + std::to_string(returnCode) + ")";
}

int ReadWord(Session& s, rm::WirelessWord& word) {
  std::uint32_t code = 0;
  const HRESULT hr = s.bridge.ReadWord(word, code);
  return hr == S_OK ? kOk : Fail(kUnavailable, WordFailureText(hr, code));
}

int RunStatus(const Command& c) {
  Session s;
  rm::WirelessWord word{};
  if (int e = Connect(s)) return e;
  if (int e = ReadWord(s, word)) return e;
  WriteOut(c.json ? StatusJson(word) + "\n" : StatusText(word));
  return kOk;
}

// Sets the wireless event when some program waits on it (a running tray
// program), as the tray program does after its own switches.
void SignalWirelessEvent() {
  rm::UniqueHandle event(::OpenEventA(EVENT_MODIFY_STATE, FALSE, rm::kWirelessEventName));
  if (event) ::SetEvent(event.get());
}

int RunSwitch(const Command& c) {
  Session s;
  rm::WirelessWord word{};
  if (int e = Connect(s)) return e;
  if (int e = ReadWord(s, word)) return e;
  const SwitchDecision decision = DecideSwitch(c.radio, c.on, rm::RadioFlags::Decode(word));
  if (!decision.request) return Fail(kRefused, "refused: " + decision.refusal + "; nothing was sent");
  std::uint32_t code = 0;
  const HRESULT hr = s.bridge.Switch(*decision.request, code);
  if (FAILED(hr)) return Fail(kUnavailable, BridgeFailureText(hr));
  SignalWirelessEvent();
  if (code != 0) {
    return Fail(kRefused, "the firmware refused the switch (return code " + std::to_string(code) + ")");
  }
  if (int e = ReadWord(s, word)) return e;
  WriteOut(StatusText(word));
  return kOk;
}

int RunMachine(const Command& c) {
  Session s;
  if (int e = Connect(s)) return e;
  std::vector<std::uint8_t> record;
  const HRESULT hr = s.bridge.MachineRecord(record);
  if (FAILED(hr)) return Fail(kUnavailable, "the machine information record is unavailable: " +
                                                HresultText(static_cast<std::int32_t>(hr)));
  WriteOut(c.json ? MachineJson(record.data(), record.size()) + "\n" : MachineText(record.data(), record.size()));
  return kOk;
}

std::atomic<HANDLE> g_stopEvent{nullptr};

BOOL WINAPI OnConsoleControl(DWORD type) {
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT) return FALSE;
  if (HANDLE stop = g_stopEvent.load()) ::SetEvent(stop);
  return TRUE;
}

Stamp Now() {
  SYSTEMTIME t = {};
  ::GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

// Watch re-reads the word on a period of its own and waits on no shared
// event: the wireless event is auto-reset, so a waiter here would take
// signals that are meant for the tray program.
int RunWatch(const Command& c) {
  Session s;
  if (int e = Connect(s)) return e;
  rm::UniqueHandle stop(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!stop) return Fail(kUnavailable, "cannot wait for Ctrl+C");
  g_stopEvent.store(stop.get());
  // A program started in a process group of its own ignores Ctrl+C until it
  // asks for it again.
  ::SetConsoleCtrlHandler(nullptr, FALSE);
  ::SetConsoleCtrlHandler(&OnConsoleControl, TRUE);

  std::optional<rm::WirelessWord> last;
  bool readFailed = false;
  do {
    rm::WirelessWord word{};
    std::uint32_t code = 0;
    const HRESULT hr = s.bridge.ReadWord(word, code);
    if (hr != S_OK) {
      // Told once; the next good read is printed whatever it holds.
      if (!readFailed) WriteErr("rmctl: " + WordFailureText(hr, code) + "\n");
      readFailed = true;
      last.reset();
    } else if (!last || *last != word) {
      readFailed = false;
      last = word;
      WriteOut((c.json ? WatchJson(Now(), word) : WatchLine(Now(), word)) + "\n");
    }
  } while (::WaitForSingleObject(stop.get(), kWatchPollMs) == WAIT_TIMEOUT);
  ::SetConsoleCtrlHandler(&OnConsoleControl, FALSE);
  g_stopEvent.store(nullptr);
  return kOk;
}

// The bridge first: its activation starts the service, whose state and log
// the report then shows.
int RunReport() {
  ReportData data;
  Session s;
  s.connect = s.bridge.Connect();
  int result = kOk;
  std::string failure;
  if (FAILED(s.connect)) {
    failure = BridgeFailureText(s.connect);
    data.wordError = data.machineError = failure;
  } else {
    rm::WirelessWord word{};
    std::uint32_t code = 0;
    const HRESULT hr = s.bridge.ReadWord(word, code);
    if (hr == S_OK) {
      data.word = word;
    } else {
      failure = data.wordError = WordFailureText(hr, code);
    }
    const HRESULT machine = s.bridge.MachineRecord(data.machineRecord);
    if (FAILED(machine)) data.machineError = HresultText(static_cast<std::int32_t>(machine));
  }
  GatherLocalReportData(data);
  WriteOut(ReportText(data));
  if (!failure.empty()) result = Fail(kUnavailable, failure);
  return result;
}

int Run(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  const ParseResult parsed = ParseArguments(words);
  if (!parsed.ok) return Fail(kUsage, parsed.error + "\nTry 'rmctl --help'.");
  const Command& c = parsed.command;
  if (c.help) {
    WriteOut(HelpText(c.verb));
    return kOk;
  }
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE,
                         nullptr, EOAC_NONE, nullptr);
  int result = kUsage;
  switch (c.verb) {
    case Verb::Status: result = RunStatus(c); break;
    case Verb::Switch: result = RunSwitch(c); break;
    case Verb::Watch: result = RunWatch(c); break;
    case Verb::Machine: result = RunMachine(c); break;
    case Verb::Report: result = RunReport(); break;
    case Verb::None: break;
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return result;
}

}  // namespace
}  // namespace rmctl

int main(int argc, char** argv) {
  try {
    return rmctl::Run(argc, argv);
  } catch (...) {
    rmctl::WriteErr("rmctl: out of memory\n");
    return rmctl::kUnavailable;
  }
}
