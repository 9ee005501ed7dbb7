// Strings of a module's string table, for the tray program and the applet.
#pragma once

#include <windows.h>

#include <string>

namespace rm {

// A string of the string table; at most `capacity` - 1 characters.
std::string LoadResourceString(HINSTANCE instance, UINT id, int capacity = 260);

}  // namespace rm
