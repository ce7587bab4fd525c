// The program's background work around the mini-window: the refresh worker
// on its own thread, wired to the quote service, the page builder and the
// window; the vendor's start-up ping with its notice or upgrade prompt; the
// clean-up after an update.
#pragma once

#include "ui/MiniFrameDlg.h"

#include <memory>
#include <string>

class BackgroundWorkers : public FrameWorkers {
public:
    explicit BackgroundWorkers(std::wstring pagePath);
    ~BackgroundWorkers() override;

    void start(CMiniFrameDlg& frame) override;
    // Waits up to 3 seconds for the refresh worker, answering the calls it
    // carries to the window meanwhile. The update and clean-up workers are
    // not waited for: they end with the process.
    bool stop() override;

private:
    struct Refresh;
    std::wstring pagePath;
    std::unique_ptr<Refresh> refresh;
};
