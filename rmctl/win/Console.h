// Output of rmctl: standard output and standard error in the console's code
// page. rmctl's texts are in the ANSI code page (the firmware's and the
// registry's strings come that way); a console gets them as UTF-16, a pipe
// or file of a program with a console in the console's output code page.
#pragma once

#include <string>

namespace rmctl {

void WriteOut(const std::string& text);
void WriteErr(const std::string& text);

}  // namespace rmctl
