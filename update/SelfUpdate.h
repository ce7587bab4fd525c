// Replacing the running program with a newer build: the update check, the
// download, writing out ZebUpdater and starting it; and the clean-up of what
// an update leaves behind.
#pragma once

#include "update/UpdatePorts.h"
#include "update/VendorReply.h"

#include <atomic>
#include <string>

// Files of an update, relative to the program's folder (the current directory).
constexpr const char* newExePath = ".\\Zeb.new.exe";
constexpr const char* updaterExeName = "ZebUpdater.exe";
constexpr const char* updaterExePath = ".\\ZebUpdater.exe";
constexpr const char* previousExePath = ".\\Zeb.exe.old";
// ZebUpdater's mark of an update it could not carry out.
constexpr const char* failedUpdateMarkPath = ".\\ZebUpdater.failed";

// Lets one update run at a time: the start-up prompt's and the menu's would
// write the same files. An update that started ZebUpdater keeps its turn, as
// the program is ending.
class UpdateGuard {
public:
    bool tryBegin() { return !busy.exchange(true); }
    void end() { busy = false; }

private:
    std::atomic<bool> busy{false};
};


// "ZebUpdater.exe <program> .\Zeb.new.exe"; the program's path is quoted
// when it holds a blank (a volume without short names).
std::string updaterCommandLine(const std::string& programPath);

// Processor types of a Windows program's file header.
constexpr std::uint16_t machineI386 = 0x14C;
constexpr std::uint16_t machineAmd64 = 0x8664;
constexpr std::uint16_t machineArm64 = 0xAA64;

// The processor this program is built for (0: none of those).
#if defined(_M_X64) || defined(__x86_64__)
constexpr std::uint16_t ownMachine = machineAmd64;
#elif defined(_M_IX86) || defined(__i386__)
constexpr std::uint16_t ownMachine = machineI386;
#elif defined(_M_ARM64) || defined(__aarch64__)
constexpr std::uint16_t ownMachine = machineArm64;
#else
constexpr std::uint16_t ownMachine = 0;
#endif

// True when the file starts with "MZ" and the number at offset 0x3C leads to
// "PE\0\0" and the file header's processor type inside the file; machine
// receives that type.
bool readExecutableMachine(FileSystem& files, const char* path, std::uint16_t& machine);
bool isWindowsExecutable(FileSystem& files, const char* path);

// Checks for a newer build and installs it (UpdateResult::busy when the guard
// is taken). Blocking. Only a build the update key signed is installed: a
// reply without "sha256" and "sig", a signature that does not verify for the
// offered "infoVer", a download of another hash or for another processor, and
// with the development key any offer from a vendor site not on this computer,
// is badDownload, with nothing of it kept. An offer below the highest
// "infoVer" handed to ZebUpdater ("InstalledVer", written as it starts) is
// not newer: current. A stored upgrade demand is lifted (and blocked cleared)
// when the running build is current or ZebUpdater started; when no signed
// build was found, the next ping that does not repeat it lifts it.
[[nodiscard]] UpdateResult checkAndInstallUpdate(UpdatePlatform& platform, UpdateGuard& guard,
                                                 std::atomic<int>& blocked);

// Deletes ".\Zeb.exe.old", then ".\ZebUpdater.exe", 2 s after it is called;
// a failure to delete the first leaves the second alone, and an update
// under way (guard taken) keeps both.
void cleanUpAfterUpdate(FileSystem& files, Launcher& launcher, UpdateGuard& guard);

// True once after an update ZebUpdater could not carry out: its mark is
// deleted as it is read.
bool takeFailedUpdateMark(FileSystem& files);
