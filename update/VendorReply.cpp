#include "update/VendorReply.h"

#include "common/Gb2312.h"
#include "common/ProfileText.h"
#include "common/Version.h"

#include <vector>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

}  // namespace

std::uint32_t profileNumber(const std::string& value)
{
    std::size_t i = 0;
    while (i < value.size() && isBlank(value[i]))
        ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+'))
        negative = value[i++] == '-';
    std::uint32_t number = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
        number = number * 10u + static_cast<std::uint32_t>(value[i] - '0');
    return negative ? 0u - number : number;
}

std::string profileText(const std::string& value)
{
    return value.substr(0, gb2312::prefixLength(value.data(), value.size(), replyBufferSize - 1));
}

std::string readReplyFile(FileSystem& files, const std::string& path)
{
    std::vector<char> bytes(64 * 1024);
    const std::size_t length = files.read(path.c_str(), 0, bytes.data(), bytes.size());
    return std::string(bytes.data(), length);
}

PingAnswer readPingAnswer(const std::string& reply)
{
    PingAnswer answer;
    answer.infoVer = profileNumber(profileValue(reply, "Zeb", "infoVer"));
    answer.info = profileText(profileValue(reply, "Zeb", "info"));
    answer.link = profileText(profileValue(reply, "Zeb", "infourl"));
    answer.demandsUpgrade = profileNumber(profileValue(reply, "Zeb", "update")) != 0;
    return answer;
}

UpdateOffer readUpdateOffer(const std::string& reply)
{
    UpdateOffer offer;
    offer.infoVer = profileNumber(profileValue(reply, "Zeb", "infoVer"));
    offer.address = profileText(profileValue(reply, "Zeb", "dlurl"));
    offer.isSigned = readOfferSignature(reply, offer.signature);
    return offer;
}

bool isNewerVersion(std::uint32_t number)
{
    return number > static_cast<std::uint32_t>(buildNumber);
}

const char* const updateCaption = "提示";
const char* const upgradePromptText = "版本低需要升级后才能正常使用。\r\n是否自动升级?";

std::string updateFailureText(const Deployment& d)
{
    return "升级失败，可能防火墙阻止了Zeb升级。\n请到" + d.vendorHost.authority() + "下载最新版。";
}

std::string updateResultText(UpdateResult result, UpdateCaller caller, const Deployment& d)
{
    if (result == UpdateResult::current)
        return caller == UpdateCaller::startupPrompt ? "恭喜，已经是最新版。" : "已经是最新版本无须升级";
    if (isUpdateFailure(result))
        return updateFailureText(d);
    return "";
}
