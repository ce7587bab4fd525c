// The program's background work around the mini-window: the refresh worker
// on its own thread, wired to the quote service, the page builder and the
// window; the vendor's start-up ping with its notice or upgrade prompt; the
// clean-up after an update.
#pragma once

#include "quotes/RefreshWorker.h"

#include <memory>
#include <string>

class CMiniFrameDlg;
class ProgramState;
struct DownloadProgress;

class BackgroundWorkers {
public:
    BackgroundWorkers(ProgramState& program, std::wstring pagePath);
    ~BackgroundWorkers();

    // What the mini-window is handed of the refresh worker.
    RefreshRequests& refreshRequests();

    // Starts the workers on the set-up window. One that cannot start is
    // reported to the user (the refresh worker) or simply missing (the
    // start-up ping, the clean-up).
    void start(CMiniFrameDlg& frame);
    // Cancels the start-up ping's download (or its update's) and waits up
    // to 3 seconds for the refresh worker, answering the calls it carries to
    // the window meanwhile. The update and clean-up workers are not waited
    // for: they end with the process. False when the refresh worker is still
    // held up.
    [[nodiscard]] bool stop();

private:
    struct Refresh;
    ProgramState& program;
    std::unique_ptr<Refresh> refresh;
    std::shared_ptr<DownloadProgress> updateDownload;
};
