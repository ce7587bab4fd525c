#include "common/WebAddress.h"

// True when text starts with prefix (given in lower case), in any case.
static bool startsWithAnyCase(const std::string& text, const char* prefix)
{
    std::size_t i = 0;
    for (; prefix[i]; ++i) {
        if (i == text.size())
            return false;
        const char c = text[i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != prefix[i])
            return false;
    }
    return true;
}

bool isWebAddress(const std::string& address)
{
    std::size_t prefix;
    if (startsWithAnyCase(address, "http://"))
        prefix = 7;
    else if (startsWithAnyCase(address, "https://"))
        prefix = 8;
    else
        return false;
    if (address.size() <= prefix || address.size() > 2048)
        return false;
    // The host comes first: no path, query, fragment, user part or port without one.
    const char first = address[prefix];
    if (first == '/' || first == '\\' || first == '@' || first == ':' || first == '?' || first == '#')
        return false;
    for (char c : address) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F || c == '"')
            return false;
    }
    return true;
}
