// The menu's commands that open something of their own (the settings
// dialog, the About box, the vendor's home page and the update) or keep a
// setting of their own (the discreet look).
#pragma once

#include "ui/ProgramState.h"

#include <windows.h>

class CAboutDlg;
class CSettingsDlg;
class CUpdateProgressDlg;

class FrameCommands {
public:
    explicit FrameCommands(ProgramState& program) : program(program) {}

    // Runs the settings dialog over owner on a working copy of the live
    // settings; true when OK made the copy live. While it runs, further
    // calls only bring it to the front and give false.
    bool editSettings(HWND owner);
    bool settingsOpen() const { return openSettings != nullptr; }

    // One About box at a time: while it is open, it is brought to the front.
    void showAbout();
    void openHomePage();
    // Switches the page's discreet look and keeps it in the settings file;
    // the page is to be built again.
    void toggleDiscreet();
    // Checks for a newer build and installs it on a worker thread while a
    // small window follows the download, telling owner's user how it went;
    // true when ZebUpdater runs and the program must now close. Refused
    // while one of the program's dialogs or the start-up upgrade prompt is
    // open (it is brought to the front: the hand-over must never wait on a
    // dialog), and while another update is under way (its window is brought
    // to the front, or the user is told).
    bool updateFromMenu(HWND owner);
    // The program is closing: the update from the menu, if one runs, is
    // stopped as by its Cancel.
    void stopUpdate();

private:
    ProgramState& program;
    CSettingsDlg* openSettings = nullptr;
    CAboutDlg* openAbout = nullptr;
    CUpdateProgressDlg* openProgress = nullptr;
};
