#include "bridge/host/LogFolderRules.h"

namespace vtq {

FolderAction LogFolderAction(const FolderFacts& facts, bool takeOver) noexcept {
  if (!facts.exists) return FolderAction::Create;
  if (!facts.directory || facts.reparsePoint || !facts.ownerRead) return FolderAction::Refuse;
  if (facts.owner != FolderOwner::Other) return FolderAction::Use;
  return takeOver ? FolderAction::TakeOver : FolderAction::Refuse;
}

bool MayWriteLogFile(const FileFacts& facts) noexcept {
  return !facts.directory && !facts.reparsePoint && facts.links == 1;
}

}  // namespace vtq
