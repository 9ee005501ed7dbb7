#include "fwsim/machine/SharedMachine.h"

#include <shlobj.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "fwsim/model/Firmware.h"

namespace fwsim {
namespace {

constexpr char kMagic[8] = {'F', 'W', 'S', 'I', 'M', 'S', 'T', '1'};
constexpr char kMutexName[] = "Global\\FwSimMachine.Mutex";
constexpr char kEventsPrefix[] = "Global\\FwSimMachine.Events.";
// The lock is held for microseconds; a holder that hangs longer than this
// is stuck, and the caller gets a failure instead of hanging with it.
constexpr DWORD kLockTimeoutMs = 10000;

std::string MappingName() {
  return "Global\\FwSimMachine.State.v" + std::to_string(model::kStateVersion) + "." +
         std::to_string(sizeof(model::MachineState));
}

std::string EventsName(std::uint64_t sequence) { return kEventsPrefix + std::to_string(sequence); }

// The service and every user of the prefix open the same objects.
class OpenSecurity {
 public:
  OpenSecurity() {
    ::InitializeSecurityDescriptor(&sd_, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorDacl(&sd_, TRUE, nullptr, FALSE);
    sa_.nLength = sizeof sa_;
    sa_.lpSecurityDescriptor = &sd_;
    sa_.bInheritHandle = FALSE;
  }
  SECURITY_ATTRIBUTES* get() { return &sa_; }

 private:
  SECURITY_DESCRIPTOR sd_{};
  SECURITY_ATTRIBUTES sa_{};
};

std::string Win32Error(const char* what) {
  return std::string(what) + " failed (error " + std::to_string(::GetLastError()) + ")";
}

}  // namespace

namespace {
struct FileHeader {
  char magic[8];
  std::uint32_t version;
  std::uint32_t stateSize;
  std::uint32_t current;  // the slot that holds the published state
  std::uint32_t reserved[11];
};
static_assert(sizeof(FileHeader) == 64, "fixed layout");

bool ValidHeader(const FileHeader& h) {
  return std::memcmp(h.magic, kMagic, sizeof kMagic) == 0 && h.version == model::kStateVersion &&
         h.stateSize == sizeof(model::MachineState) && h.current <= 1;
}
}  // namespace

struct SharedMachine::File {
  FileHeader header;
  model::MachineState slots[2];
};

class SharedMachine::Lock {
 public:
  explicit Lock(HANDLE mutex) : mutex_(mutex) {
    const DWORD r = ::WaitForSingleObject(mutex, kLockTimeoutMs);
    // WAIT_ABANDONED: the last holder died. What it was writing was never
    // published (see the header), so the state is whole.
    held_ = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
  }
  ~Lock() {
    if (held_) ::ReleaseMutex(mutex_);
  }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  explicit operator bool() const noexcept { return held_; }

 private:
  HANDLE mutex_;
  bool held_ = false;
};

std::unique_ptr<Machine> Machine::Open() { return SharedMachine::OpenShared(); }

std::unique_ptr<SharedMachine> SharedMachine::OpenShared(std::string* error) {
  std::string ignored;
  std::string& why = error ? *error : ignored;
  std::unique_ptr<SharedMachine> m(new SharedMachine());
  OpenSecurity security;

  char folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                SHGFP_TYPE_CURRENT, folder))) {
    why = "the common application data folder is unknown";
    return nullptr;
  }
  std::string dir = std::string(folder) + "\\FirmwareSim";
  if (!::CreateDirectoryA(dir.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
    why = Win32Error(("creating " + dir).c_str());
    return nullptr;
  }
  m->path_ = dir + "\\machine.dat";

  m->mutex_.reset(::CreateMutexA(security.get(), FALSE, kMutexName));
  if (!m->mutex_) {
    why = Win32Error("CreateMutex");
    return nullptr;
  }
  Lock lock(m->mutex_.get());
  if (!lock) {
    why = "the machine state stays locked by another process";
    return nullptr;
  }
  rm::UniqueFile file(::CreateFileA(m->path_.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, security.get(),
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    why = Win32Error(("opening " + m->path_).c_str());
    return nullptr;
  }
  const bool fileExisted = ::GetLastError() == ERROR_ALREADY_EXISTS;
  // The mapping grows a new or shorter file to the size of the layout.
  const ULONGLONG size = sizeof(File);
  m->mapping_.reset(::CreateFileMappingA(file.get(), security.get(), PAGE_READWRITE,
                                         static_cast<DWORD>(size >> 32), static_cast<DWORD>(size),
                                         MappingName().c_str()));
  if (!m->mapping_) {
    why = Win32Error("CreateFileMapping");
    return nullptr;
  }
  m->view_ = static_cast<File*>(::MapViewOfFile(m->mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(File)));
  if (!m->view_) {
    why = Win32Error("MapViewOfFile");
    return nullptr;
  }
  if (!m->Validate()) {
    // A new file reads as zeros; anything else is another layout or damage.
    bool zero = true;
    const auto* bytes = reinterpret_cast<const unsigned char*>(m->view_);
    for (std::size_t i = 0; i < 64 && zero; ++i) zero = bytes[i] == 0;
    m->origin_ = fileExisted && !zero ? Origin::Recreated : Origin::Created;
    m->Initialize();
  }
  return m;
}

bool SharedMachine::ReadStateFile(const std::string& path, model::MachineState& state) {
  rm::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  FileHeader header{};
  const DWORD headerSize = sizeof header;
  DWORD read = 0;
  if (!::ReadFile(file.get(), &header, headerSize, &read, nullptr) || read != headerSize) return false;
  if (!ValidHeader(header)) return false;
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(headerSize + header.current * sizeof(model::MachineState));
  if (!::SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN)) return false;
  return ::ReadFile(file.get(), &state, sizeof state, &read, nullptr) && read == sizeof state;
}

SharedMachine::~SharedMachine() {
  if (view_) ::UnmapViewOfFile(view_);
}

bool SharedMachine::Validate() const noexcept {
  static_assert(offsetof(File, slots) == sizeof(FileHeader), "fixed layout");
  return ValidHeader(view_->header);
}

// Under the lock. The magic goes in last: a process that dies half way
// leaves a file that the next one initializes again.
void SharedMachine::Initialize() noexcept {
  FileHeader& h = view_->header;
  std::memset(h.magic, 0, sizeof h.magic);
  h.version = model::kStateVersion;
  h.stateSize = sizeof(model::MachineState);
  h.current = 0;
  model::InitState(view_->slots[0]);
  ::MemoryBarrier();
  std::memcpy(h.magic, kMagic, sizeof kMagic);
  ::FlushViewOfFile(view_, 0);
}

model::MachineState& SharedMachine::Current() noexcept { return view_->slots[view_->header.current & 1]; }

bool SharedMachine::Update(const std::function<bool(model::MachineState&)>& fn) {
  Lock lock(mutex_.get());
  if (!lock) return false;
  if (!Validate()) Initialize();
  const std::uint32_t next = (view_->header.current & 1) ^ 1;
  model::MachineState& draft = view_->slots[next];
  std::memcpy(&draft, &Current(), sizeof draft);
  const std::uint64_t lastBefore = draft.lastSequence;
  if (!fn(draft)) return false;
  // A request that changed nothing (a read) leaves the file alone.
  if (std::memcmp(&draft, &Current(), sizeof draft) == 0) return true;
  ::MemoryBarrier();
  view_->header.current = next;
  ::FlushViewOfFile(view_, 0);
  if (draft.lastSequence != lastBefore) {
    // The waiters for lastBefore made their event under this lock.
    rm::UniqueHandle wake(::OpenEventA(EVENT_MODIFY_STATE, FALSE, EventsName(lastBefore).c_str()));
    if (wake) ::SetEvent(wake.get());
  }
  return true;
}

bool SharedMachine::Read(const std::function<void(const model::MachineState&)>& fn) {
  Lock lock(mutex_.get());
  if (!lock) return false;
  if (!Validate()) Initialize();
  fn(Current());
  return true;
}

bool SharedMachine::HasFirmwareClasses() {
  bool has = false;
  Read([&](const model::MachineState& s) { has = s.firmwareClasses != 0; });
  return has;
}

Faults SharedMachine::GetFaults() {
  Faults f;
  Read([&](const model::MachineState& s) {
    f.enumTimeouts = s.faults.enumTimeouts;
    f.dataLength = s.faults.dataLength;
    f.getMethodFails = s.faults.getMethodFails != 0;
    f.outDataMissing = s.faults.outDataMissing != 0;
    f.returnCodeMissing = s.faults.returnCodeMissing != 0;
    f.eventClassesMissing = s.faults.eventClassesMissing != 0;
    f.delayMs = s.faults.delayMs;
    f.answerDelayMs = s.faults.answerDelayMs;
  });
  return f;
}

BiosAnswer SharedMachine::Execute(std::uint32_t command, std::uint32_t commandType,
                                  const std::vector<std::uint8_t>& input, std::uint32_t sizeOut) {
  model::Answer answer;
  const bool done = Update([&](model::MachineState& s) {
    answer = model::Firmware(s).Execute(command, commandType, input, sizeOut);
    return true;
  });
  if (!done) {
    answer.returnCode = model::kReturnMachineBusy;
    answer.data.assign(sizeOut <= model::kMaxOutputSize ? sizeOut : 0, 0);
  }
  BiosAnswer out;
  out.returnCode = answer.returnCode;
  out.data = std::move(answer.data);
  return out;
}

namespace {
bool BlockClassOf(const std::string& className, model::BlockClass& cls) {
  if (className == "vtqGAED") {
    cls = model::BlockClass::Display;
    return true;
  }
  if (className == "vtqDockQuery") {
    cls = model::BlockClass::Dock;
    return true;
  }
  return false;
}
}  // namespace

std::vector<DataBlock> SharedMachine::DataBlocks(const std::string& className) {
  std::vector<DataBlock> out;
  model::BlockClass cls;
  if (!BlockClassOf(className, cls)) return out;
  Read([&](const model::MachineState& s) {
    if (!s.firmwareClasses) return;
    for (std::uint32_t i = 0; i < model::BlockCount(s, cls); ++i) {
      const model::BlockState* b = model::Block(s, cls, i);
      out.push_back(DataBlock{model::InstanceName(*b), b->ulState});
    }
  });
  return out;
}

bool SharedMachine::PutDataBlock(const std::string& className, const std::string& instanceName,
                                 std::uint32_t ulState) {
  model::BlockClass cls;
  if (!BlockClassOf(className, cls)) return false;
  bool found = false;
  Update([&](model::MachineState& s) {
    const int index = model::FindBlock(s, cls, instanceName);
    if (!s.firmwareClasses || index < 0) return false;
    found = model::Firmware(s).WriteBlock(cls, static_cast<std::uint32_t>(index), ulState);
    return found;
  });
  return found;
}

SmbiosTables SharedMachine::Smbios() {
  SmbiosTables t;
  Read([&](const model::MachineState& s) {
    t.majorVersion = static_cast<std::uint8_t>(s.smbiosMajor);
    t.minorVersion = static_cast<std::uint8_t>(s.smbiosMinor);
    const std::size_t n = s.smbiosLength <= model::kSmbiosCapacity ? s.smbiosLength : 0;
    t.data.assign(s.smbios, s.smbios + n);
  });
  return t;
}

std::uint64_t SharedMachine::LastEventSequence() {
  std::uint64_t last = 0;
  Read([&](const model::MachineState& s) { last = s.lastSequence; });
  return last;
}

std::vector<FirmwareEvent> SharedMachine::WaitEvents(std::uint64_t after, std::uint32_t timeoutMs) {
  std::vector<FirmwareEvent> out;
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  OpenSecurity security;
  for (;;) {
    rm::UniqueHandle wake;
    bool locked = Read([&](const model::MachineState& s) {
      for (const auto& e : model::EventsAfter(s, after)) {
        out.push_back(FirmwareEvent{e.sequence, static_cast<EventClass>(e.kind), e.eventId, e.eventData, e.joinsNext});
      }
      if (out.empty()) wake.reset(::CreateEventA(security.get(), TRUE, FALSE, EventsName(s.lastSequence).c_str()));
    });
    if (!locked || !out.empty()) return out;
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return out;
    const DWORD left = static_cast<DWORD>(deadline - now);
    if (wake) {
      ::WaitForSingleObject(wake.get(), left);
    } else {
      ::Sleep(left < 50 ? left : 50);  // no event object: poll
    }
  }
}

}  // namespace fwsim
