#include "update/VendorClient.h"

#include "common/Version.h"
#include "common/WebAddress.h"
#include "settings/Deployment.h"

#include <cstring>

namespace {

constexpr std::uint32_t textValue = 1;    // REG_SZ
constexpr std::uint32_t numberValue = 4;  // REG_DWORD

void copyText(const std::string& value, char (&buffer)[replyBufferSize])
{
    const std::string text = profileText(value);
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
}

// The reply is deleted only where it is of no use, after a short wait for the
// download service to let go of it.
NoticeResult dropReply(UpdatePlatform& platform, const std::string& path)
{
    platform.launcher.sleep(500);
    platform.files.remove(path.c_str());
    return NoticeResult::none;
}

}  // namespace

std::string getClientGuid(UpdatePlatform& platform)
{
    char stored[50] = {};
    std::uint32_t length = 0;
    if (platform.values.read("Guid", stored, sizeof stored, length)) {
        std::string guid(stored, length < sizeof stored ? length : sizeof stored);
        return guid.substr(0, guid.find('\0'));  // a stored terminating zero is not part of it
    }

    std::string braced;
    if (!platform.guids.create(braced) || braced.size() < 2)
        return "noGuid";
    const std::string guid = braced.substr(1, braced.size() - 2);
    platform.values.write("Guid", textValue, guid.data(), static_cast<std::uint32_t>(guid.size()));
    return guid;
}

std::string vendorPingUrl(const std::string& guid)
{
    return vendorPage("/zeb/auinfo.php?Guid=") + guid + "&Ver=" + versionText;
}

NoticeResult fetchVendorNotice(UpdatePlatform& platform, char (&text)[replyBufferSize],
                               char (&url)[replyBufferSize], std::atomic<int>& blocked)
{
    std::memset(text, 0, sizeof text);
    std::memset(url, 0, sizeof url);
    blocked = 0;

    std::uint32_t remembered = 0;
    std::uint32_t length = 0;
    if (platform.values.read("Update", &remembered, sizeof remembered, length) && isNewerVersion(remembered)) {
        blocked = 1;
        return NoticeResult::upgrade;
    }

    std::string reply;
    if (!platform.downloader.toCache(vendorPingUrl(getClientGuid(platform)), reply))
        return NoticeResult::none;
    reply = platform.files.shortPath(reply);

    const std::uint32_t infoVer = profileNumber(platform.profile.read(reply, "Zeb", "infoVer"));
    if (!isNewerVersion(infoVer))
        return dropReply(platform, reply);
    copyText(platform.profile.read(reply, "Zeb", "info"), text);
    if (!text[0])
        return dropReply(platform, reply);
    const std::string link = profileText(platform.profile.read(reply, "Zeb", "infourl"));
    if (isWebAddress(link))
        copyText(link, url);

    const bool demand = profileNumber(platform.profile.read(reply, "Zeb", "update")) != 0;
    blocked = demand ? 1 : 0;
    if (!demand)
        return NoticeResult::ready;
    platform.values.write("Update", numberValue, &infoVer, sizeof infoVer);
    return NoticeResult::upgrade;
}
