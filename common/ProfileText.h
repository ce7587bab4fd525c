// Profile (INI) text, read and changed the way the Windows profile functions
// do it: section and key names without regard to case, the first section of
// a name, blanks around names and values and one pair of quotes around a
// value removed. The program reads its own settings file and the vendor
// site's replies through these, and writes the settings file whole.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// text without the blanks (spaces and tabs) around it, as the profile
// functions take names and values.
std::string_view withoutBlanks(std::string_view text);

// The value of key in section of a profile text; "" when missing.
std::string profileValue(const std::string& text, const char* section, const char* key);

// One key and its new value.
using ProfileEntry = std::pair<const char*, std::string>;

// A section's keys to set.
struct ProfileSection {
    std::string name;
    std::vector<ProfileEntry> entries;
};

// The text with each key of entries set in section: a key's first line in
// the section's first occurrence is replaced, a missing key is added after
// the section's last line, a missing section is added at the end. Every
// other line stays as it was. New lines end in "\r\n".
std::string withProfileValues(const std::string& text, const char* section,
                              const std::vector<ProfileEntry>& entries);
