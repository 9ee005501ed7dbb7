// The service log: "vtqwmi.log" in the folder "vtqwmi" of the machine's
// common application data folder. One line per call of WriteLog.
#pragma once

#include <string>

namespace vtq {

// Once, at the start of Run: finds and creates the folder and the (empty)
// file. Before it has run, or when it could not find the folder, WriteLog
// writes nothing.
void PrepareLog(const char* fileName);

// Appends one line: local time stamp, two spaces, the formatted message, cut
// to 259 characters, each line feed stored as CR LF. Any thread may call it;
// lines of concurrent callers are written whole, one after the other.
// Failures lose the line silently.
void WriteLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The path lines go to (empty before PrepareLog).
std::string LogPath();

}  // namespace vtq
