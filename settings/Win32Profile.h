// zeb.ini through the Windows profile functions.
#pragma once

#include "settings/SettingsStore.h"

#include <string>

class Win32Profile : public ProfileFile {
public:
    // A path without a directory is taken by Windows as one in the Windows
    // directory: ".\\zeb.ini" names the file in the current directory.
    explicit Win32Profile(std::string path) : path(std::move(path)) {}

    std::string read(const char* section, const char* key) override;
    bool write(const char* section, const char* key, const std::string& value) override;

private:
    std::string path;
};
