// What the running program keeps for its whole life, owned by the
// application object and handed by reference to the mini-window, its parts
// and the background workers: the hosts of the outside services, the live
// settings, the window record, the settings store, the vendor's upgrade demand, the one update's turn, the
// page's discreet look and the state of the program's own dialogs and prompt.
#pragma once

#include "settings/Deployment.h"
#include "settings/LiveSettings.h"
#include "settings/Win32Settings.h"
#include "update/SelfUpdate.h"

#include <windows.h>

#include <atomic>

class ProgramState {
public:
    // The quote service's and the vendor site's hosts: set at start, before
    // the window and the workers, and only read afterwards.
    Deployment deployment;
    LiveSettings settings;
    // Read and written on the user-interface thread only.
    WindowState windowState = {};
    Win32SettingsStore store;
    // Set by the vendor service client when the vendor demands an upgrade of
    // this version; every later page is the upgrade notice.
    std::atomic<int> versionBlocked{0};
    // Lets one update run at a time: the start-up prompt's or the menu's.
    UpdateGuard updateGuard;
    // The colour picker's custom colours, kept from one settings dialog to the next.
    COLORREF pickerColors[16] = {};
    // The discreet look of the page (the menu's "低调显示"): set at start from
    // the settings file, switched on the user-interface thread, read by the
    // refresh worker for every page it builds.
    std::atomic<bool> discreet{false};

    // For any thread: true while a dialog is open that would hold up the
    // program's close (the settings dialog, the About box).
    bool dialogOpen() const { return openDialogs > 0; }
    // True while the start-up upgrade prompt, shown by the update worker, is up.
    bool startupPromptUp() const { return promptUp; }
    void startupPromptShown(bool shown) { promptUp = shown; }

    // Counts a dialog as open for its lifetime.
    class OpenDialog {
    public:
        explicit OpenDialog(ProgramState& program) : count(program.openDialogs) { ++count; }
        ~OpenDialog() { --count; }
        OpenDialog(const OpenDialog&) = delete;
        OpenDialog& operator=(const OpenDialog&) = delete;

    private:
        std::atomic<int>& count;
    };

private:
    std::atomic<int> openDialogs{0};
    std::atomic<bool> promptUp{false};
};
