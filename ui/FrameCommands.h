// The menu's commands that open something of their own: the settings
// dialog, the About box, the vendor's home page and the update.
#pragma once

#include <windows.h>

class CSettingsDlg;

class FrameCommands {
public:
    // Runs the settings dialog over owner on a working copy of the live
    // settings; true when OK made the copy live. While it runs, further
    // calls only bring it to the front and give false.
    bool editSettings(HWND owner);
    bool settingsOpen() const { return openSettings != nullptr; }

    void showAbout();
    void openHomePage();
    // Checks for a newer build and installs it, telling owner's user how it
    // went; true when ZebUpdater runs and the program must now close.
    // Blocking: the window does not respond while the downloads run.
    bool updateFromMenu(HWND owner);

private:
    CSettingsDlg* openSettings = nullptr;
};
