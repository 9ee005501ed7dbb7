// The service log: "vtqwmi.log" in the folder "vtqwmi" of the machine's
// common application data folder. One line per call of WriteLog.
#pragma once

#include <string>

namespace vtq {

// Once, at the start of Run: finds and creates the folder and the (empty)
// file. The folder is created with an access list for the system account
// and the administrators only. A folder that already exists is used only
// when it is a plain folder (no junction or other link) owned by the system
// account, the administrators or the service's own account; it then gets
// that access list. Neither the folder nor the file is followed when it is
// a link, and a file with a second name (hard link) is not written. Before
// PrepareLog has run, or when it refused or could not make the folder or
// the file, the log is off: WriteLog writes nothing and the service works
// on.
void PrepareLog(const char* fileName);

// Appends one line: local time stamp, two spaces, the formatted message, cut
// to 259 characters, each line feed stored as CR LF. Any thread may call it;
// lines of concurrent callers are written whole, one after the other.
// Every line checks the folder and the file again as PrepareLog did.
// Failures lose the line silently.
void WriteLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The path lines go to (empty before PrepareLog).
std::string LogPath();

}  // namespace vtq
