#include "bridge/host/ComSecurity.h"

#include <objidl.h>
#include <sddl.h>

#include <vector>

#include "bridge/host/AccessLists.h"
#include "common/win/OwningWrappers.h"

namespace vtq {
namespace {

// kComPermissions in the absolute form CoInitializeSecurity takes: the
// descriptor and the parts it points to, held together.
class AbsoluteDescriptor {
 public:
  explicit AbsoluteDescriptor(const char* sddl) {
    rm::UniqueLocal relative;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, relative.put(),
                                                                nullptr))
      return;
    DWORD sdSize = 0, daclSize = 0, saclSize = 0, ownerSize = 0, groupSize = 0;
    ::MakeAbsoluteSD(relative.get(), nullptr, &sdSize, nullptr, &daclSize, nullptr, &saclSize, nullptr,
                     &ownerSize, nullptr, &groupSize);
    // Pointer-aligned storage for each part.
    auto sized = [](std::vector<void*>& part, DWORD bytes) {
      part.assign(bytes / sizeof(void*) + 1, nullptr);
      return part.data();
    };
    auto* sd = reinterpret_cast<SECURITY_DESCRIPTOR*>(sized(sd_, sdSize));
    auto* dacl = reinterpret_cast<PACL>(sized(dacl_, daclSize));
    auto* sacl = reinterpret_cast<PACL>(sized(sacl_, saclSize));
    PSID owner = sized(owner_, ownerSize);
    PSID group = sized(group_, groupSize);
    valid_ = ::MakeAbsoluteSD(relative.get(), sd, &sdSize, dacl, &daclSize, sacl, &saclSize, owner,
                              &ownerSize, group, &groupSize) != FALSE;
  }
  PSECURITY_DESCRIPTOR get() { return valid_ ? sd_.data() : nullptr; }

 private:
  std::vector<void*> sd_, dacl_, sacl_, owner_, group_;
  bool valid_ = false;
};

// IGlobalOptions of Windows 8 and later; an older system has no such
// policy and goes on without it.
void SetStrongUnmarshaling() {
  rm::ComPtr<IGlobalOptions> options;
  if (FAILED(::CoCreateInstance(CLSID_GlobalOptions, nullptr, CLSCTX_INPROC_SERVER, IID_IGlobalOptions,
                                reinterpret_cast<void**>(options.put()))) ||
      !options)
    return;
  options->Set(COMGLB_UNMARSHALING_POLICY, COMGLB_UNMARSHALING_POLICY_STRONG);
}

}  // namespace

HRESULT SetProcessComSecurity() {
  AbsoluteDescriptor permissions(kComPermissions);
  // Without its descriptor the process takes no security of its own: COM
  // then applies the AppID's AccessPermission, which holds the same list.
  if (!permissions.get()) return rm::LastErrorResult();
  const HRESULT hr = ::CoInitializeSecurity(permissions.get(), -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT,
                                            RPC_C_IMP_LEVEL_IDENTIFY, nullptr, kComCapabilities, nullptr);
  SetStrongUnmarshaling();
  return hr;
}

LONG WriteComPermissions(HKEY appIdKey) {
  rm::UniqueLocal descriptor;
  ULONG size = 0;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(kComPermissions, SDDL_REVISION_1,
                                                              descriptor.put(), &size))
    return static_cast<LONG>(::GetLastError());
  for (const char* name : {"LaunchPermission", "AccessPermission"}) {
    const LONG rc = ::RegSetValueExA(appIdKey, name, 0, REG_BINARY, static_cast<const BYTE*>(descriptor.get()),
                                     size);
    if (rc != ERROR_SUCCESS) return rc;
  }
  return ERROR_SUCCESS;
}

}  // namespace vtq
