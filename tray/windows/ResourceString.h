// Strings of a module's string table, for the tray program and the applet.
#pragma once

#include <windows.h>

#include <string>

namespace rm {

// A string of the string table; at most `capacity` - 1 characters. The
// window texts use the wide form, which shows every language whatever the
// ANSI code page; the tray icon's texts stay ANSI.
std::string LoadResourceString(HINSTANCE instance, UINT id, int capacity = 260);
std::wstring LoadResourceText(HINSTANCE instance, UINT id, int capacity = 260);

}  // namespace rm
