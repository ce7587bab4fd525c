// The update from the menu: the check, the download and the start of
// ZebUpdater run on a worker thread while this small window follows them
// with the download's share (its bytes while the size is unknown) and a
// Cancel button, which stops the check as well as the download. The window
// leaves the mini-window usable meanwhile.
#pragma once

#include "update/SelfUpdate.h"
#include "winui/Wnd.h"

#include <atomic>
#include <functional>
#include <memory>

class CUpdateProgressDlg : public CDialog {
public:
    // The update takes guard's turn and lifts the upgrade demand in blocked
    // (both outlive the window: the worker may end after it). mayHandOver is
    // asked on the worker thread before ZebUpdater starts: true once the
    // program can close at once (none of its dialogs open). The vendor site
    // is deployment's (it outlives the window too).
    CUpdateProgressDlg(UpdateGuard& guard, std::atomic<int>& blocked, const Deployment& deployment,
                       std::function<bool()> mayHandOver);
    ~CUpdateProgressDlg() override;

    // Runs the update to its end; cancelled is true when the user stopped it
    // (nothing of it is then left behind).
    UpdateResult run(bool& cancelled);
    // As the Cancel button.
    void stop() { OnCancel(); }

protected:
    BOOL OnInitDialog() override;
    void OnCancel() override;

private:
    // Shows the download's share or bytes, or what the update waits for.
    void showProgress();

    struct Task;  // shared with the worker thread
    std::shared_ptr<Task> task;
    std::function<bool()> mayHandOver;
};
