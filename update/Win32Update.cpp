#include "update/Win32Update.h"

#include "res/resource.h"
#include "winui/Trace.h"

#include <windows.h>

Win32UpdatePlatform::Win32UpdatePlatform(const Deployment& deployment)
    : ports{downloader, files, launcher, values, guids, verifier, deployment}
{
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(IDR_UPDATER), L"DAT");
    HGLOBAL loaded = found ? LoadResource(self, found) : nullptr;
    ports.updaterData = loaded ? LockResource(loaded) : nullptr;
    ports.updaterSize = ports.updaterData ? SizeofResource(self, found) : 0;
    if (!ports.updaterData)
        traceLastError("update: the carried ZebUpdater cannot be loaded");
    ports.failureTrace = [](const char* why) { trace(why); };
}

void Win32UpdatePlatform::follow(std::shared_ptr<DownloadProgress> progress, std::function<bool()> mayHandOver)
{
    launcher.cancel = &progress->cancel;
    downloader.reportTo(std::move(progress));
    launcher.holdWhile = [mayHandOver = std::move(mayHandOver)] { return !mayHandOver(); };
}
