// Strings of a module's string table, for the tray program and the applet.
#pragma once

#include <windows.h>

#include <string>

namespace rm {

// A string of the string table; at most `capacity` - 1 characters. The
// window texts use the wide form, which shows every language whatever the
// ANSI code page; the ANSI form serves the Control Panel's ANSI record.
std::string LoadResourceString(HINSTANCE instance, UINT id, int capacity = 260);
std::wstring LoadResourceText(HINSTANCE instance, UINT id, int capacity = 260);

// The wide form as UTF-8, for the portable code that composes the tray
// icon's texts, and back to UTF-16 for the wide functions.
std::string LoadResourceUtf8(HINSTANCE instance, UINT id, int capacity = 260);
std::wstring Utf16(const std::string& utf8);

}  // namespace rm
