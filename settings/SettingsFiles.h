// The files a save makes beside the settings file, named after it.
#pragma once

#include <cstdint>
#include <string>

// The new file a save writes before it puts it in the settings file's place:
// "<settings file>.<process id>.new".
std::wstring saveFileName(const std::wstring& settingsFile, std::uint32_t processId);

// True when fileName is the new file of a save of the file named
// settingsName ("zeb.ini.1234.new" for "zeb.ini"; letters in any case, as
// the system finds names), with the saving process's id in processId.
bool isSaveFile(const std::wstring& fileName, const std::wstring& settingsName, std::uint32_t& processId);
