// The start-up run of the vendor client: the ping, then the notice line or
// the upgrade prompt, and possibly an update that ends the process.
#pragma once

#include "update/SelfUpdate.h"
#include "update/UpdatePorts.h"

#include <atomic>

// The mini-window as the start-up run reaches it from its own thread.
class UpdateWorkerWindow {
public:
    virtual ~UpdateWorkerWindow() = default;
    // The notice line: its text and its link ("" for a plain line).
    virtual void showNotice(const char* text, const char* url) = 0;
    // A message box owned by the mini-window, OK and Cancel with the question
    // icon; true when the user chose OK.
    virtual bool ask(const char* text) = 0;
    // A message box owned by the mini-window, OK with the information icon.
    virtual void tell(const char* text) = 0;
    // The upgrade demand was lifted: the quote page takes the upgrade page's
    // place without waiting for the next refresh.
    virtual void showQuotes() = 0;
    // Ends the program through the mini-window's usual close (which saves
    // the settings and the window's record and removes the tray icon), for
    // ZebUpdater, which waits for it to end.
    virtual void endProcess() = 0;
};

// Runs once per process, on its own thread.
void runUpdateWorker(UpdatePlatform& platform, UpdateWorkerWindow& window, UpdateGuard& guard,
                     std::atomic<int>& blocked);
