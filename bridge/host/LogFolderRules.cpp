#include "bridge/host/LogFolderRules.h"

namespace vtq {

bool MayUseLogFolder(const FolderFacts& facts) noexcept {
  if (!facts.directory || facts.reparsePoint || !facts.ownerRead) return false;
  return facts.owner != FolderOwner::Other;
}

bool MayWriteLogFile(const FileFacts& facts) noexcept {
  return !facts.directory && !facts.reparsePoint && facts.links == 1;
}

}  // namespace vtq
