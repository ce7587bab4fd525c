#include "update/SelfUpdate.h"

#include "common/AppNames.h"
#include "common/Version.h"
#include "common/WebAddress.h"
#include "update/OfferSignature.h"
#include "update/OfferSource.h"
#include "update/VendorClient.h"

#include <cstring>

std::string updaterCommandLine(const std::string& programPath)
{
    const std::string program =
        programPath.find(' ') == std::string::npos ? programPath : "\"" + programPath + "\"";
    return std::string(updaterExeName) + " " + program + " " + newExePath;
}

bool readExecutableMachine(FileSystem& files, const char* path, std::uint16_t& machine)
{
    unsigned char header[64];
    if (files.read(path, 0, header, sizeof header) != sizeof header || header[0] != 'M' || header[1] != 'Z')
        return false;
    const std::uint32_t peOffset = static_cast<std::uint32_t>(header[0x3C]) |
                                   static_cast<std::uint32_t>(header[0x3D]) << 8 |
                                   static_cast<std::uint32_t>(header[0x3E]) << 16 |
                                   static_cast<std::uint32_t>(header[0x3F]) << 24;
    unsigned char signature[6];
    if (files.read(path, peOffset, signature, sizeof signature) != sizeof signature ||
        std::memcmp(signature, "PE\0\0", 4) != 0)
        return false;
    machine = static_cast<std::uint16_t>(signature[4] | signature[5] << 8);
    return true;
}

bool isWindowsExecutable(FileSystem& files, const char* path)
{
    std::uint16_t machine = 0;
    return readExecutableMachine(files, path, machine);
}

namespace {

// The update check's address: ".../zeb/zebUpdate.php?Ver=Zeb 1.0.0.2".
std::string updateCheckUrl(const Deployment& d)
{
    return vendorPage(d, "/zeb/zebUpdate.php?Ver=") + versionText;
}

// The cause of a failed update, for the trace: the user is told only that
// the update failed.
void traceCause(UpdatePlatform& platform, const char* why)
{
    if (platform.failureTrace)
        platform.failureTrace(why);
}

UpdateResult refuse(UpdatePlatform& platform, UpdateResult result, const char* why)
{
    traceCause(platform, why);
    return result;
}

// Fetches the offered build into newExePath; false, with the file deleted,
// unless it arrived whole and is the signed bytes and a Windows program.
bool fetchSignedBuild(UpdatePlatform& platform, const UpdateOffer& offer)
{
    Sha256Digest digest{};
    if (platform.downloader.toFile(offer.address, newExePath) && platform.verifier.fileSha256(newExePath, digest)) {
        if (digest != offer.signature.sha256)
            traceCause(platform, "update: the download is not the signed build");
        else if (std::uint16_t machine = 0; !readExecutableMachine(platform.files, newExePath, machine))
            traceCause(platform, "update: the download is no Windows program");
        else if (machine != ownMachine)
            traceCause(platform, "update: the download is built for another processor");
        else
            return true;
    }
    platform.files.remove(newExePath);
    return false;
}

UpdateResult installUpdate(UpdatePlatform& platform)
{
    FileSystem& files = platform.files;
    const std::string address = updateCheckUrl(platform.deployment);
    std::string reply;
    if (!platform.downloader.toReplyFile(address, reply))
        return UpdateResult::noReply;
    reply = files.shortPath(reply);
    const UpdateOffer offer = readUpdateOffer(readReplyFile(files, reply));
    files.remove(reply.c_str());
    platform.downloader.forget(address);

    if (offer.infoVer == 0)
        return refuse(platform, UpdateResult::noVersion, "update: the update check's reply has no version");
    // A build older than one already handed to ZebUpdater is no update (an
    // old signed offer played back).
    if (!isNewerVersion(offer.infoVer) || offer.infoVer < readNumberValue(platform.values, installedVerValueName))
        return UpdateResult::current;
    // Only an http:// or https:// address is fetched.
    if (!isWebAddress(offer.address))
        return refuse(platform, UpdateResult::noAddress, "update: the offer has no web address");
    // An offer the vendor did not sign for this number is not even fetched.
    if (!offer.isSigned)
        return refuse(platform, UpdateResult::badDownload, "update: the offer is not signed");
    if (!takesOffersFrom(platform.deployment.vendorHost.authority(), platform.developmentKey))
        return refuse(platform, UpdateResult::badDownload,
                      "update: a build with the development key takes offers only from this computer");
    if (!isSignedOffer(platform.verifier, offer.infoVer, offer.signature))
        return UpdateResult::badDownload;
    // What arrived must be the signed bytes, and a Windows program.
    if (!fetchSignedBuild(platform, offer))
        return UpdateResult::badDownload;

    // The signed build is in place for ZebUpdater: its number is remembered
    // now, as the new build cannot tell it. An update that does not get
    // through is offered again under the same number, which is still taken.
    platform.values.write(installedVerValueName, 4 /* REG_DWORD */, &offer.infoVer, sizeof offer.infoVer);

    // A half-written updater is never started.
    if (!platform.updaterData || platform.updaterSize == 0 ||
        !files.write(updaterExeName, platform.updaterData, platform.updaterSize)) {
        files.remove(updaterExeName);
        return UpdateResult::notWritten;
    }

    const std::string program = files.shortPath(platform.launcher.ownPath());
    platform.launcher.sleep(500);
    if (program.empty() || !platform.launcher.run(updaterCommandLine(program)))
        return UpdateResult::notStarted;
    return UpdateResult::started;
}

}  // namespace

UpdateResult checkAndInstallUpdate(UpdatePlatform& platform, UpdateGuard& guard, std::atomic<int>& blocked)
{
    if (!guard.tryBegin())
        return UpdateResult::busy;
    // The turn is given back on every way out but a started updater, also
    // when the work is cut short by an exception (out of memory).
    struct Turn {
        UpdateGuard& guard;
        bool kept = false;
        ~Turn()
        {
            if (!kept)
                guard.end();
        }
    } turn{guard};
    const UpdateResult result = installUpdate(platform);
    turn.kept = result == UpdateResult::started;
    switch (result) {
    case UpdateResult::current:
    case UpdateResult::started:
        liftUpgradeDemand(platform.values, blocked);
        break;
    case UpdateResult::noVersion:
    case UpdateResult::noAddress:
    case UpdateResult::badDownload:
        markUnsignedDemand(platform.values);
        break;
    default:
        break;
    }
    return result;
}

void cleanUpAfterUpdate(FileSystem& files, Launcher& launcher, UpdateGuard& guard)
{
    launcher.sleep(2000);
    // An update taken up meanwhile owns the updater it has written (it may
    // wait to start it). One that begins after this look has written
    // nothing yet: it asks the vendor site first.
    if (!guard.tryBegin())
        return;
    guard.end();
    if (files.exists(previousExePath) && !files.remove(previousExePath))
        return;
    if (files.exists(updaterExePath))
        files.remove(updaterExePath);
}

bool takeFailedUpdateMark(FileSystem& files)
{
    return files.exists(failedUpdateMarkPath) && files.remove(failedUpdateMarkPath);
}
