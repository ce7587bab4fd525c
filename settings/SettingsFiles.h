// The files a save makes beside the settings file, named after it.
#pragma once

#include <cstdint>
#include <string>

// The new file a save writes before it puts it in the settings file's place:
// "<settings file>.<process id>.<thread id>.new", so that saves of two
// threads never share one.
std::wstring saveFileName(const std::wstring& settingsFile, std::uint32_t processId, std::uint32_t threadId);

// True when fileName is the new file of a save of the file named
// settingsName ("zeb.ini.1234.56.new" for "zeb.ini", or "zeb.ini.1234.new"
// as earlier builds name it; letters in any case, as the system finds
// names), with the saving process's id in processId.
bool isSaveFile(const std::wstring& fileName, const std::wstring& settingsName, std::uint32_t& processId);
