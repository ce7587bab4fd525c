// The start-up exchange with the vendor site: the installation identifier,
// the ping and its reply (a notice line, or a demand to upgrade that is
// remembered as "Update" under the program's key).
#pragma once

#include "update/UpdatePorts.h"
#include "update/VendorReply.h"

#include <atomic>
#include <string>

// The stored "Guid"; when there is none, a new one (36 characters, without
// braces) that is stored; "noGuid" when none can be made.
std::string getClientGuid(UpdatePlatform& platform);

// Results of fetchVendorNotice.
enum class [[nodiscard]] NoticeResult : int {
    upgrade = -1,  // the vendor demands an upgrade (now or remembered); blocked is set
    none = 0,      // nothing to show
    ready = 1,     // text holds the notice, url its link ("" when it has none)
};

// A value of the program's key when it is a REG_DWORD of 4 bytes; 0 when it
// is missing, and when it is anything else, which is deleted.
std::uint32_t readNumberValue(AppValues& values, const char* name);

// Forgets the remembered demand and clears blocked: the quotes come back.
void liftUpgradeDemand(AppValues& values, std::atomic<int>& blocked);
// Notes that the update check found no signed build for the remembered
// demand ("UpdateNoBuild", its number): the next ping that answers without
// repeating the demand lifts it, so a demand nobody can satisfy (an "infoVer"
// of -1, or one that did not come from the vendor) does not block for ever.
void markUnsignedDemand(AppValues& values);

// Clears both buffers and blocked, then pings the vendor site, also while an
// upgrade demand is remembered (blocked is set for it meanwhile). A new
// demand is remembered; a remembered one holds unless it is marked and the
// answer does not repeat it. The link is kept only when it is a web address:
// anything else leaves the notice a plain line.
[[nodiscard]] NoticeResult fetchVendorNotice(UpdatePlatform& platform, char (&text)[replyBufferSize],
                                             char (&url)[replyBufferSize], std::atomic<int>& blocked);
