// Text shown through Win32: the program's GB2312 bytes as UTF-16.
#pragma once

#include <string>

// Converts GB2312 (code page 936) text to UTF-16; null gives an empty text.
std::wstring widen(const char* gb2312);
std::wstring widen(const std::string& gb2312);
// Converts UTF-16 text back to GB2312; characters outside it become '?'.
std::string narrow(const wchar_t* text);
