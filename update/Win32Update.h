// The vendor client's and the self-update's platform on Windows, together:
// the URL download service, the program's files and registry key, the process start,
// COM GUIDs, the signature checks and the updater carried as resource
// "DAT" 148.
#pragma once

#include "update/UpdatePorts.h"
#include "update/Win32AppValues.h"
#include "update/Win32Download.h"
#include "update/Win32Files.h"
#include "update/Win32Launcher.h"
#include "update/Win32Signature.h"

#include <functional>
#include <memory>

// Everything together, for one thread's use. Replies are read from their
// bytes, so a notice keeps its GB2312 text on any locale.
class Win32UpdatePlatform {
public:
    explicit Win32UpdatePlatform(const Deployment& deployment);
    Win32UpdatePlatform(const Win32UpdatePlatform&) = delete;
    Win32UpdatePlatform& operator=(const Win32UpdatePlatform&) = delete;

    UpdatePlatform& platform() { return ports; }

    // Every download stops at progress's cancel, and the new executable's
    // reports to it; ZebUpdater is started only once mayHandOver() allows
    // it, and not at all once cancelled.
    void follow(std::shared_ptr<DownloadProgress> progress, std::function<bool()> mayHandOver);

private:
    UrlMonDownloader downloader;
    Win32Files files;
    Win32Launcher launcher;
    Win32AppValues values;
    ComGuidSource guids;
    CngSignatureVerifier verifier;
    UpdatePlatform ports;
};
