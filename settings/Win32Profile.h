// zeb.ini as the program reads and writes it: read through its bytes, and
// written whole, beside the old file, then put in its place in one step.
#pragma once

#include "settings/SettingsStore.h"

#include <string>

class Win32Profile : public ProfileFile {
public:
    // A relative path such as ".\\zeb.ini" is taken in the current directory.
    explicit Win32Profile(std::wstring path) : path(std::move(path)) {}

    // The file is read once, at the first value asked for: the values of one
    // load all come from the same file.
    std::string read(const char* section, const char* key) override;
    bool unreadable() override;
    // The saves of every copy of the program, in any session, that may write
    // the file take turns: a save reads the file, changes its keys and puts
    // the new file in place before the next one reads it, so neither loses
    // what the other wrote.
    bool write(const std::vector<ProfileSection>& sections) override;
    using ProfileFile::write;

private:
    void readOnce();

    std::wstring path;
    bool loaded = false;
    bool failed = false;
    std::string text;
};

// Deletes the new files that saves of the file at settingsFile left beside
// it when their process died before putting them in place.
void removeDeadSaveFiles(const std::wstring& settingsFile);
