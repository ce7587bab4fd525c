// Starting ZebUpdater on Windows (CreateProcess) with the running program's path.
#pragma once

#include "update/UpdatePorts.h"

#include <atomic>
#include <functional>

class Win32Launcher : public Launcher {
public:
    // Waits first while holdWhile() says so (ZebUpdater waits for Zeb to end,
    // which it cannot while one of its dialogs is open); gives up, as a start
    // that failed, once cancel is set. True once it is started.
    bool run(const std::string& commandLine) override;
    // The short form of the running program's path, in the ANSI code page for
    // the command line; "" when the path cannot be written in it.
    std::string ownPath() override;
    void sleep(unsigned milliseconds) override;

    std::function<bool()> holdWhile;
    const std::atomic<bool>* cancel = nullptr;
};
