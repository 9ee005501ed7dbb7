// fwsim.exe: drives the simulated notebook of the prefix. The decisions
// live in ToolArgs and ToolActions; this file opens the machine and files.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/win/OwningWrappers.h"
#include "fwsim/machine/SharedMachine.h"
#include "fwsim/model/SmbiosFile.h"
#include "fwsim/tool/ToolActions.h"
#include "fwsim/tool/ToolArgs.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr DWORD kMaxInputFile = 16 * 1024 * 1024;

// "error N: the system's text" for a Win32 error code.
std::string ErrorText(DWORD error) {
  char text[256] = {};
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                             sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.')) --n;
  return "error " + std::to_string(error) + (n ? ": " + std::string(text, n) : std::string());
}

int Failed(const std::string& message) {
  std::fprintf(stderr, "fwsim: %s\n", message.c_str());
  return kExitFailed;
}

// Under Wine a path that starts with '/' is a path of the host
// ("/work/..."): tests and the demo name files that way. Elsewhere, and
// when Wine cannot map it, the path is taken as Windows sees it.
rm::UniqueFile OpenFile(const std::string& path, DWORD access, DWORD disposition) {
  if (!path.empty() && path[0] == '/') {
    using ToDos = WCHAR*(CDECL*)(const char*);
    const auto toDos = reinterpret_cast<ToDos>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    if (WCHAR* dos = toDos ? toDos(path.c_str()) : nullptr) {
      rm::UniqueFile file(
          ::CreateFileW(dos, access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
      ::HeapFree(::GetProcessHeap(), 0, dos);
      return file;
    }
  }
  return rm::UniqueFile(::CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
  rm::UniqueFile file = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
  if (!file) {
    error = "cannot open " + path + " (" + ErrorText(::GetLastError()) + ")";
    return false;
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxInputFile) {
    error = path + " is larger than any SMBIOS file";
    return false;
  }
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() &&
      (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size())) {
    error = "cannot read " + path + " (" + ErrorText(::GetLastError()) + ")";
    return false;
  }
  return true;
}

bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error) {
  rm::UniqueFile file = OpenFile(path, GENERIC_WRITE, CREATE_ALWAYS);
  DWORD written = 0;
  if (!file || !::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    error = "cannot write " + path + " (" + ErrorText(::GetLastError()) + ")";
    return false;
  }
  return true;
}

int Run(const std::vector<std::string>& args) {
  using fwsim::tool::Verb;
  const fwsim::tool::ParseResult parsed = fwsim::tool::ParseToolArgs(args);
  if (!parsed.ok) {
    std::fprintf(stderr, "fwsim: %s\n", parsed.error.c_str());
    return kExitUsage;
  }
  const fwsim::tool::ToolCommand& command = parsed.command;
  if (command.verb == Verb::Help) {
    std::fputs(fwsim::tool::ToolUsage(), stdout);
    return kExitDone;
  }

  // A file to load is read and checked before the machine is touched.
  fwsim::model::SmbiosImage image;
  if (command.verb == Verb::SmbiosLoad) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!ReadWholeFile(command.text, bytes, error)) return Failed(error);
    if (!fwsim::model::ParseSmbiosFile(bytes.data(), bytes.size(), image, error))
      return Failed(command.text + ": " + error);
  }

  std::string error;
  auto machine = fwsim::SharedMachine::OpenShared(&error);
  if (!machine) return Failed("cannot open the machine state: " + error);

  switch (command.verb) {
    case Verb::Init: {
      using Origin = fwsim::SharedMachine::Origin;
      const char* what = machine->origin() == Origin::Created     ? "created (profile both)"
                         : machine->origin() == Origin::Recreated ? "recreated (the old file had another layout)"
                                                                  : "exists; left as it is";
      std::printf("machine state %s: %s\n", what, machine->path().c_str());
      return kExitDone;
    }
    case Verb::Show:
    case Verb::Events: {
      std::string text;
      if (!machine->Read([&](const fwsim::model::MachineState& s) {
            text = command.verb == Verb::Show ? fwsim::tool::DescribeState(s) : fwsim::tool::DescribeEvents(s);
          }))
        return Failed("the machine state stays locked");
      if (command.verb == Verb::Show) std::printf("state file: %s\n", machine->path().c_str());
      std::fputs(text.c_str(), stdout);
      return kExitDone;
    }
    case Verb::Wait: {
      const std::uint64_t after = command.afterGiven ? command.after : machine->LastEventSequence();
      std::printf("waiting for events after #%llu\n", static_cast<unsigned long long>(after));
      std::fflush(stdout);
      const auto events = machine->WaitEvents(after, command.number);
      if (events.empty()) return Failed("no event within " + std::to_string(command.number) + " ms");
      for (const auto& e : events) {
        const fwsim::model::EventRecordCopy copy{e.sequence, static_cast<fwsim::model::EventKind>(e.eventClass),
                                                 e.eventId, e.eventData, e.joinsNext};
        std::printf("%s\n", fwsim::tool::DescribeEvent(copy).c_str());
      }
      return kExitDone;
    }
    case Verb::SmbiosSave: {
      const fwsim::SmbiosTables tables = machine->Smbios();
      if (!WriteWholeFile(command.text, tables.data, error)) return Failed(error);
      std::printf("wrote %zu bytes (SMBIOS %u.%u) to %s\n", tables.data.size(), tables.majorVersion,
                  tables.minorVersion, command.text.c_str());
      return kExitDone;
    }
    default:
      break;
  }

  fwsim::tool::ActionResult result;
  const bool locked = machine->Update([&](fwsim::model::MachineState& s) {
    result = fwsim::tool::ApplyToolCommand(s, command, &image);
    return result.ok;
  });
  if (!locked && result.ok) return Failed("the machine state stays locked");
  if (!result.ok) return Failed(result.error);
  std::fputs(result.output.c_str(), stdout);
  return kExitDone;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    std::vector<std::string> args(argv + 1, argv + argc);
    const int code = Run(args);
    std::fflush(stdout);
    return code;
  } catch (const std::exception& e) {
    return Failed(e.what());
  }
}
