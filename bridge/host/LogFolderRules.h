// Whether the service may write into the log folder and its file. The
// service runs as the system account and the folder lies under the common
// application data folder, where standard users may create folders and
// links; what they made there must not receive the service's writes.
#pragma once

#include <cstdint>

namespace vtq {

enum class FolderOwner { System, Administrators, ServiceAccount, Other };

// What the Win32 layer found at the folder's path, read from a handle to
// the path itself (links not followed).
struct FolderFacts {
  bool directory = false;
  bool reparsePoint = false;  // a junction, a symbolic link or another reparse point
  bool ownerRead = false;
  FolderOwner owner = FolderOwner::Other;
};

// A folder the service just created is its own. One that already existed
// is used only when it is a plain directory owned by the system account,
// the administrators or the account the service runs as.
bool MayUseLogFolder(const FolderFacts& facts) noexcept;

// What the Win32 layer found of an opened log file (links not followed).
struct FileFacts {
  bool directory = false;
  bool reparsePoint = false;
  std::uint32_t links = 1;  // hard links to the file's data
};

// A line goes only into a plain file with no other name: a hard link made
// to another file would let a line land in that file.
bool MayWriteLogFile(const FileFacts& facts) noexcept;

}  // namespace vtq
