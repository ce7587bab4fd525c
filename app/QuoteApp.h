// The application object: one copy per desktop, the paths, the settings and
// the background work, and the modal run of the mini-window that is the
// program's whole life.
#pragma once

#include "ui/MiniFrameDlg.h"
#include "ui/ProgramState.h"

class BackgroundWorkers;

class CQuoteApp : public FrameHost {
public:
    CQuoteApp();
    ~CQuoteApp() override;

    // Runs the start-up sequence and the mini-window; returns the process's
    // exit code. A second copy hands over to the first and returns -1.
    int InitInstance();

private:
    // The mini-window's moments: the workers start once it is set up; its
    // record and the settings are saved once; the workers stop as it goes.
    void windowReady() override;
    void saveWindow(const Rect& window, bool transparent) override;
    void windowClosing() override;

    // Lives as long as the process: a worker nobody waits for may still use it
    // while the process ends.
    ProgramState program;
    BackgroundWorkers* workers = nullptr;  // while the mini-window runs
    CMiniFrameDlg* frame = nullptr;
};
