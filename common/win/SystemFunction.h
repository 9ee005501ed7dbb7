// A function of a system library that older Windows lacks, looked up at run
// time instead of imported, so that the programs still start there.
#pragma once

#include <windows.h>

namespace rm {

// `Fn` from the library `module` (already loaded into the process: the
// programs import it), or null where this Windows lacks it.
template <typename Fn>
Fn LoadedSystemFunction(const char* module, const char* name) {
  const HMODULE library = ::GetModuleHandleA(module);
  return library ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library, name))) : nullptr;
}

}  // namespace rm
