#include "settings/Deployment.h"

#include "common/Version.h"

#include <cstdlib>
#include <cstring>

#ifndef ZEB_QUOTE_HOST
#define ZEB_QUOTE_HOST "hq.sinajs.cn"
#endif
#ifndef ZEB_VENDOR_HOST
#define ZEB_VENDOR_HOST "www.quillon.com.cn"
#endif

std::string ServiceHost::authority() const
{
    if (port == 80)
        return name;
    return name + ":" + std::to_string(port);
}

static bool isHostChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.';
}

bool parseServiceHost(const char* text, ServiceHost& out)
{
    if (!text)
        return false;
    const char* colon = std::strchr(text, ':');
    const std::size_t nameLength = colon ? static_cast<std::size_t>(colon - text) : std::strlen(text);
    if (nameLength == 0 || nameLength > 253)
        return false;
    for (std::size_t i = 0; i < nameLength; ++i)
        if (!isHostChar(text[i]))
            return false;

    unsigned long port = 80;
    if (colon) {
        const char* digits = colon + 1;
        if (*digits == '\0' || std::strlen(digits) > 5)
            return false;
        for (const char* p = digits; *p; ++p)
            if (*p < '0' || *p > '9')
                return false;
        port = std::strtoul(digits, nullptr, 10);
        if (port == 0 || port > 65535)
            return false;
    }
    out.name.assign(text, nameLength);
    out.port = static_cast<std::uint16_t>(port);
    return true;
}

Deployment builtInDeployment()
{
    Deployment d;
    d.quoteHost.name = ZEB_QUOTE_HOST;
    d.vendorHost.name = ZEB_VENDOR_HOST;
    return d;
}

std::string vendorRoot(const Deployment& d)
{
    return "http://" + d.vendorHost.authority();
}

std::string vendorHomePage(const Deployment& d)
{
    return vendorRoot(d) + "/";
}

std::string vendorPage(const Deployment& d, const char* path)
{
    return vendorRoot(d) + path;
}

std::string quoteLinkBase(const Deployment& d)
{
    return vendorPage(d, "/zeb/zebskip.php?Ver=") + std::to_string(buildNumber);
}
