// The names Zeb is known by outside its own process: the class other programs
// find its window by, the mutex a running copy holds, and the registry key
// with its values. The program, ZebUpdater and the test tools share them.
// (The window's message and command ids are in res/resource.h.)
#pragma once

// The main window's class: a copy of the dialog class. The dialog template
// (res/Zeb.rc) names it too, through the macro.
#define ZEB_FRAME_CLASS "ZebMFrame"
#ifndef RC_INVOKED
constexpr const char* frameClassName = ZEB_FRAME_CLASS;
// Held by a running Zeb for as long as it runs: one copy per desktop.
constexpr const char* instanceMutexName = "zeb_started";

// The program's key under HKEY_CURRENT_USER, and its values.
constexpr const char* appRegKey = "Software\\Quillon\\zeb\\";
constexpr const char* stockListValueName = "StkCode";            // the stock list (REG_SZ)
constexpr const char* quoteHostValueName = "QuoteHost";          // host[:port] replacing the quote service's
constexpr const char* vendorHostValueName = "VendorHost";        // host[:port] replacing the vendor site's
constexpr const char* guidValueName = "Guid";                    // the installation's id sent with the ping
constexpr const char* updateDemandValueName = "Update";          // a remembered upgrade demand (REG_DWORD)
constexpr const char* updateNoBuildValueName = "UpdateNoBuild";  // a demand no signed build was found for
constexpr const char* installedVerValueName = "InstalledVer";    // the highest build number handed to ZebUpdater (REG_DWORD)
#endif
