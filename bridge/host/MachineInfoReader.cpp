// The machine information reader: takes the raw SMBIOS table from WMI
// (MSSmBios_RawSMBiosTables in root\wmi) and hands its bytes to the portable
// record builder. All decisions about the table live in the builder.
#include "bridge/host/MachineInfoReader.h"

#include <wbemidl.h>

#include <new>

#include "bridge/host/MachineInfoRecord.h"
#include "bridge/wmi/WmiConnection.h"
#include "common/win/OwningWrappers.h"

namespace vtq {

namespace {

static_assert(kMachineInfoFullSize == kMachineInfoRecordSize, "one record size");
static_assert(kMachineInfoShortSize == kMachineInfoShortLayout, "one short layout size");

// The enumeration that yields no instance: the machine publishes no table.
constexpr HRESULT kNoTable = WBEM_E_NOT_FOUND;

// The table's declared size from the Size property.
HRESULT ReadSize(IWbemClassObject* table, ULONG* size) {
  rm::Variant value;
  RM_RETURN_IF_FAILED(table->Get(L"Size", 0, value.put(), nullptr, nullptr));
  rm::Variant asNumber;
  RM_RETURN_IF_FAILED(::VariantChangeType(asNumber.get(), value.get(), 0, VT_UI4));
  *size = V_UI4(asNumber.get());
  return S_OK;
}

// Bytes the array really holds: its element count (over all dimensions)
// times the element size, whatever Size claims.
std::size_t ArrayBytes(SAFEARRAY* array) {
  const UINT dims = ::SafeArrayGetDim(array);
  if (dims == 0) return 0;
  std::size_t count = 1;
  for (UINT d = 1; d <= dims; ++d) {
    LONG lower = 0;
    LONG upper = -1;
    if (FAILED(::SafeArrayGetLBound(array, d, &lower)) || FAILED(::SafeArrayGetUBound(array, d, &upper)) ||
        upper < lower) {
      return 0;
    }
    count *= static_cast<std::size_t>(static_cast<LONGLONG>(upper) - lower + 1);
  }
  return count * ::SafeArrayGetElemsize(array);
}

}  // namespace

MachineInfoReader::MachineInfoReader() : connectResult_(E_UNEXPECTED) {
  try {
    WmiConnection& cache = WmiConnection::Instance();
    connectResult_ = cache.Connect(link_);
    if (SUCCEEDED(connectResult_)) {
      // The services proxy is shared: every later call of the process runs
      // with this blanket. A failure leaves the cache as it is.
      connectResult_ = cache.SetBlanketOnce(link_, RPC_C_AUTHN_LEVEL_CALL, BlanketFailure::KeepCache);
    }
  } catch (const std::bad_alloc&) {
    connectResult_ = E_OUTOFMEMORY;
  } catch (...) {
    connectResult_ = E_UNEXPECTED;
  }
}

MachineInfoReader::~MachineInfoReader() = default;

HRESULT MachineInfoReader::Fill(ULONG layoutSize, BYTE* record) {
  try {
    if (!record) return E_POINTER;
    if (FAILED(connectResult_)) return connectResult_;
    if (!link_.services) return E_UNEXPECTED;
    return ReadTable(layoutSize, record);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT MachineInfoReader::ReadTable(ULONG layoutSize, BYTE* record) {
  rm::ComPtr<IEnumWbemClassObject> instances;
  rm::UniqueBstr className(::SysAllocString(L"MSSmBios_RawSMBiosTables"));
  if (!className) return E_OUTOFMEMORY;
  HRESULT hr = link_.services->CreateInstanceEnum(className.get(), WBEM_FLAG_SHALLOW, nullptr, instances.put());
  if (hr != S_OK) return hr;
  if (!instances) return E_UNEXPECTED;

  rm::ComPtr<IWbemClassObject> table;
  ULONG returned = 0;
  hr = instances->Next(WBEM_INFINITE, 1, table.put(), &returned);
  if (FAILED(hr)) return hr;
  if (returned == 0 || !table) return kNoTable;

  ULONG declaredSize = 0;
  RM_RETURN_IF_FAILED(ReadSize(table.get(), &declaredSize));

  rm::Variant data;
  hr = table->Get(L"SMBiosData", 0, data.put(), nullptr, nullptr);
  if (FAILED(hr)) return hr;
  if ((data.type() & VT_ARRAY) == 0 || (data.type() & VT_BYREF) != 0 || !V_ARRAY(data.get())) return hr;

  SAFEARRAY* array = V_ARRAY(data.get());
  const std::size_t available = ArrayBytes(array);
  rm::SafeArrayData bytes(array);
  if (!bytes) return bytes.AccessResult();

  SmbiosTable smbios(static_cast<const std::uint8_t*>(bytes.data()), available, declaredSize);
  try {
    BuildMachineInfoRecord(smbios, layoutSize, record);
  } catch (const std::bad_alloc&) {
    bytes.Release();
    return E_OUTOFMEMORY;
  }
  return bytes.Release();
}

}  // namespace vtq
