#include "update/Win32AppValues.h"

#include "settings/Win32Registry.h"
#include "settings/Win32Settings.h"
#include "winui/Trace.h"

#include <windows.h>
#include <objbase.h>

#include <string>

namespace {

// The registry layer keeps the system's error to itself: what failed, with
// the value's name (ASCII), is what the trace can say.
void traceValue(const char* what, const char* name)
{
    trace((std::string("update: ") + what + " \"" + name + "\"").c_str());
}

}  // namespace

bool Win32AppValues::read(const char* name, void* buffer, std::uint32_t size, std::uint32_t& type,
                          std::uint32_t& length)
{
    const RegResult result = readAppRegValue(name, buffer, size, &type, &length);
    if (result == RegResult::tooLong)
        traceValue("a registry value is too long:", name);
    return result == RegResult::ok;
}

bool Win32AppValues::write(const char* name, std::uint32_t type, const void* data, std::uint32_t length)
{
    if (writeAppRegValue(name, type, data, length) == RegResult::ok)
        return true;
    traceValue("a registry value cannot be stored:", name);
    return false;
}

// A value that cannot be deleted and one that is missing look the same here;
// both are usual (a missing value is deleted on every read of it).
bool Win32AppValues::erase(const char* name)
{
    return Win32Registry().deleteValue(appRegKey, name) == RegResult::ok;
}

bool ComGuidSource::create(std::string& braced)
{
    GUID guid;
    const HRESULT made = CoCreateGuid(&guid);
    if (made != S_OK) {
        trace("update: no installation identifier can be made", static_cast<std::uint32_t>(made));
        return false;
    }
    // "{" + 36 characters + "}", all of them ASCII.
    wchar_t text[50] = {};
    const int length = StringFromGUID2(guid, text, 50);
    if (length <= 1)
        return false;
    braced.clear();
    for (int i = 0; i + 1 < length; ++i)
        braced += static_cast<char>(text[i]);
    return true;
}
