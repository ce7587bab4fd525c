#include "update/VendorClient.h"

#include "common/AppNames.h"
#include "common/Version.h"
#include "common/WebAddress.h"

#include <cstring>

namespace {

constexpr std::uint32_t textValue = 1;    // REG_SZ
constexpr std::uint32_t numberValue = 4;  // REG_DWORD
constexpr const char* demandValue = updateDemandValueName;
constexpr const char* noBuildValue = updateNoBuildValueName;

}  // namespace

std::uint32_t readNumberValue(AppValues& values, const char* name)
{
    std::uint32_t number = 0;
    std::uint32_t type = 0;
    std::uint32_t length = 0;
    unsigned char bytes[16] = {};
    if (values.read(name, bytes, sizeof bytes, type, length) && type == numberValue && length == sizeof number) {
        std::memcpy(&number, bytes, sizeof number);
        return number;
    }
    values.erase(name);  // another type, size, or missing (nothing to delete)
    return 0;
}

namespace {

// The reply's texts come cut to the buffer.
void copyText(const std::string& value, char (&buffer)[replyBufferSize])
{
    std::memcpy(buffer, value.data(), value.size());
    buffer[value.size()] = '\0';
}

// The reply is deleted only where it is of no use, after a short wait for the
// download service to let go of it.
NoticeResult dropReply(UpdatePlatform& platform, const std::string& url, const std::string& path)
{
    platform.launcher.sleep(500);
    platform.files.remove(path.c_str());
    platform.downloader.forget(url);
    return NoticeResult::none;
}

// Acts on the ping's answer: a notice, a new demand (remembered as "Update",
// which starts unmarked), or nothing.
NoticeResult takeAnswer(UpdatePlatform& platform, const std::string& address, const std::string& reply,
                        char (&text)[replyBufferSize], char (&url)[replyBufferSize])
{
    const PingAnswer answer = readPingAnswer(readReplyFile(platform.files, reply));
    if (!isNewerVersion(answer.infoVer))
        return dropReply(platform, address, reply);
    copyText(answer.info, text);
    if (!text[0])
        return dropReply(platform, address, reply);
    if (isWebAddress(answer.link))
        copyText(answer.link, url);

    if (!answer.demandsUpgrade)
        return NoticeResult::ready;
    platform.values.erase(noBuildValue);
    platform.values.write(demandValue, numberValue, &answer.infoVer, sizeof answer.infoVer);
    return NoticeResult::upgrade;
}

// The remembered upgrade demand: "Update" when it is a REG_DWORD of 4 bytes;
// a value of any other type or size is no demand and is deleted. 0: none.
std::uint32_t storedUpgradeDemand(AppValues& values)
{
    return readNumberValue(values, demandValue);
}

// The ping's address for an identifier: ".../zeb/auinfo.php?Guid=<id>&Ver=Zeb 1.0.0.2".
std::string vendorPingUrl(const Deployment& d, const std::string& guid)
{
    return vendorPage(d, "/zeb/auinfo.php?Guid=") + guid + "&Ver=" + versionText;
}

}  // namespace

std::string getClientGuid(UpdatePlatform& platform)
{
    char stored[50] = {};
    std::uint32_t type = 0;
    std::uint32_t length = 0;
    if (platform.values.read(guidValueName, stored, sizeof stored, type, length)) {
        std::string guid(stored, length < sizeof stored ? length : sizeof stored);
        return guid.substr(0, guid.find('\0'));  // a stored terminating zero is not part of it
    }

    std::string braced;
    if (!platform.guids.create(braced) || braced.size() < 2)
        return "noGuid";
    const std::string guid = braced.substr(1, braced.size() - 2);
    platform.values.write(guidValueName, textValue, guid.data(), static_cast<std::uint32_t>(guid.size()));
    return guid;
}

NoticeResult fetchVendorNotice(UpdatePlatform& platform, char (&text)[replyBufferSize],
                               char (&url)[replyBufferSize], std::atomic<int>& blocked)
{
    std::memset(text, 0, sizeof text);
    std::memset(url, 0, sizeof url);
    blocked = 0;

    // A remembered demand blocks from the start; the answer may lift it.
    const std::uint32_t remembered = storedUpgradeDemand(platform.values);
    const bool demanded = isNewerVersion(remembered);
    blocked = demanded ? 1 : 0;

    const std::string address = vendorPingUrl(platform.deployment, getClientGuid(platform));
    std::string reply;
    if (!platform.downloader.toReplyFile(address, reply))
        return demanded ? NoticeResult::upgrade : NoticeResult::none;
    reply = platform.files.shortPath(reply);
    const NoticeResult answer = takeAnswer(platform, address, reply, text, url);

    if (answer == NoticeResult::upgrade) {
        blocked = 1;
        return answer;
    }
    if (!demanded)
        return answer;
    if (readNumberValue(platform.values, noBuildValue) == remembered) {
        liftUpgradeDemand(platform.values, blocked);
        return answer;
    }
    return NoticeResult::upgrade;
}

void liftUpgradeDemand(AppValues& values, std::atomic<int>& blocked)
{
    values.erase(demandValue);
    values.erase(noBuildValue);
    blocked = 0;
}

void markUnsignedDemand(AppValues& values)
{
    const std::uint32_t remembered = storedUpgradeDemand(values);
    if (isNewerVersion(remembered))
        values.write(noBuildValue, numberValue, &remembered, sizeof remembered);
}
