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
  bool exists = true;
  bool directory = false;
  bool reparsePoint = false;  // a junction, a symbolic link or another reparse point
  bool ownerRead = false;
  FolderOwner owner = FolderOwner::Other;
};

enum class FolderAction {
  Create,    // nothing at the path: the service creates the folder with its list
  Use,       // a plain folder of the system, the administrators or the service
  TakeOver,  // a plain folder of someone else: the service becomes its owner
             // and resets its access list (and removes a log file found in it)
  Refuse,    // a link, a file, or an owner that cannot be read: no log
};

// What the service does with what stands at the log folder's path.
// `takeOver` false (a check before each line) refuses a folder of someone
// else instead.
FolderAction LogFolderAction(const FolderFacts& facts, bool takeOver) noexcept;

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
