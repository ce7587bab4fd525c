#include "update/OfferSource.h"

#include <cctype>

namespace {

bool isDigits(const std::string& text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// 1 to 65535, digits only.
bool isPort(const std::string& text)
{
    return isDigits(text) && text.size() <= 5 && std::stoul(text) >= 1 && std::stoul(text) <= 65535;
}

// A number from 0 to 255 in decimal, without leading zeros (which some
// resolvers read as octal).
bool isOctet(const std::string& text)
{
    return isDigits(text) && text.size() <= 3 && (text.size() == 1 || text[0] != '0') && std::stoul(text) <= 255;
}

bool isLoopbackIpv4(const std::string& host)
{
    std::size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t end = part < 3 ? host.find('.', start) : host.size();
        if (end == std::string::npos)
            return false;
        const std::string octet = host.substr(start, end - start);
        if (!isOctet(octet) || (part == 0 && octet != "127"))
            return false;
        start = end + 1;
    }
    return true;
}

bool isLocalhostName(const std::string& host)
{
    static const char name[] = "localhost";
    if (host.size() != sizeof name - 1)
        return false;
    for (std::size_t i = 0; i < host.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(host[i])) != name[i])
            return false;
    return true;
}

}  // namespace

bool isThisComputer(const std::string& authority)
{
    if (authority == "::1" || authority == "[::1]")
        return true;
    if (authority.rfind("[::1]:", 0) == 0)
        return isPort(authority.substr(6));
    const std::size_t colon = authority.find(':');
    if (colon != std::string::npos && !isPort(authority.substr(colon + 1)))
        return false;
    const std::string host = authority.substr(0, colon);
    return isLocalhostName(host) || isLoopbackIpv4(host);
}

bool takesOffersFrom(const std::string& authority, bool developmentKey)
{
    return !developmentKey || isThisComputer(authority);
}
