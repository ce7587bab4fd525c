// Reading the vendor site's replies and the texts that report on them.
//
// Replies are profile (INI) text. They are read the way the Windows profile
// functions read them: section and key names without regard to case, the
// first section of a name, blanks around names and values and one pair of
// quotes around a value removed; an integer is taken from the value's
// leading digits; a text is cut to what a 260-byte buffer holds.
#pragma once

#include "update/OfferSignature.h"
#include "update/UpdatePorts.h"

#include <cstdint>
#include <string>

// The size of every text buffer of a reply: at most 259 bytes and a zero.
constexpr std::size_t replyBufferSize = 260;

// The number of a value as the profile functions read it: blanks, an optional
// sign and the leading decimal digits, taken modulo 2^32 ("-1" is 4294967295);
// 0 when there are no digits.
std::uint32_t profileNumber(const std::string& value);

// A text value as a 260-byte buffer receives it: at most 259 bytes, never
// ending inside a two-byte character.
std::string profileText(const std::string& value);

// The text of a downloaded reply: its first 64 KB (replies are a few lines);
// "" when the file cannot be read.
std::string readReplyFile(FileSystem& files, const std::string& path);

// The ping's answer, section "Zeb" of its reply.
struct PingAnswer {
    std::uint32_t infoVer = 0;    // the notice's number
    std::string info;             // the notice text, cut as a 260-byte buffer takes it
    std::string link;             // "infourl", cut the same way
    bool demandsUpgrade = false;  // "update" is not 0
};
PingAnswer readPingAnswer(const std::string& reply);

// The update check's answer, section "Zeb" of its reply.
struct UpdateOffer {
    std::uint32_t infoVer = 0;  // the build offered; 0: no usable number
    std::string address;        // "dlurl", cut as a 260-byte buffer takes it
    bool isSigned = false;      // "sha256" and "sig" were read whole
    OfferSignature signature;   // what they hold, when isSigned
};
UpdateOffer readUpdateOffer(const std::string& reply);

// A vendor version number counts only when greater than the running build's.
bool isNewerVersion(std::uint32_t number);

// Results of checkAndInstallUpdate; the values are the ones the program has
// always reported (negative: a failure, shown with updateFailureText).
enum class [[nodiscard]] UpdateResult : int {
    started = 1,       // ZebUpdater runs; the caller must end the program
    current = 0,       // the running build is current
    busy = 2,          // another update is under way; nothing done, nothing shown
    noReply = -1,      // the update check could not be downloaded
    noVersion = -2,    // the reply has no usable "infoVer"
    noAddress = -3,    // a newer build is offered without a usable "dlurl"
    badDownload = -4,  // the new executable did not arrive, or is no executable
    notStarted = -5,   // ZebUpdater could not be started
    notWritten = -6,   // ZebUpdater could not be written whole
};

// True for the results that are failures.
constexpr bool isUpdateFailure(UpdateResult result)
{
    return static_cast<int>(result) < 0;
}

// Who asked for the update: the start-up prompt or the menu command.
enum class UpdateCaller { startupPrompt, menu };

// Caption of every message box of the vendor client and the self-update.
extern const char* const updateCaption;
// The start-up prompt after an upgrade demand (OK and Cancel, question icon).
extern const char* const upgradePromptText;
// "升级失败，可能防火墙阻止了Zeb升级。\n请到" + the vendor host + "下载最新版。"
std::string updateFailureText(const Deployment& d);
// The information message that follows a result; "" when none is shown
// (started, busy). Results become texts only here.
std::string updateResultText(UpdateResult result, UpdateCaller caller, const Deployment& d);
