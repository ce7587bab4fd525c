#include "common/WebAddress.h"

bool isWebAddress(const std::string& address)
{
    std::string head;
    for (std::size_t i = 0; i < address.size() && i < 8; ++i)
        head += static_cast<char>(address[i] >= 'A' && address[i] <= 'Z' ? address[i] - 'A' + 'a' : address[i]);
    std::size_t prefix;
    if (head.compare(0, 7, "http://") == 0)
        prefix = 7;
    else if (head.compare(0, 8, "https://") == 0)
        prefix = 8;
    else
        return false;
    if (address.size() <= prefix || address.size() > 2048)
        return false;
    const char first = address[prefix];
    if (first == '/' || first == '\\' || first == '@' || first == ':')
        return false;
    for (char c : address) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F || c == '"')
            return false;
    }
    return true;
}
