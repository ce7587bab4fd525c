// Resource, control, command, timer and hot-key ids of Zeb. Its window
// messages are in Messages.h, which comes with this header in C++.
#pragma once

#ifndef RC_INVOKED
#include "res/Messages.h"
#endif

#define IDR_MAINFRAME 128       // program icon
#define IDD_MINIFRAME 102       // mini-window
#define IDD_SETTINGS 131
#define IDD_DISPLAY_PAGE 129
#define IDD_STOCKLIST_PAGE 130
#define IDD_CONNECTION_PAGE 136
#define IDD_ABOUT 145
#define IDR_TRAYMENU 143
#define IDB_STRIP 140           // close, hide and menu glyphs
#define IDB_STRIP_FILL 141      // shading slice
#define IDB_REFRESH 147
// The strip's bitmaps again for 150 % and 200 % screens: 100 and 200 above.
#define IDB_STRIP_SCALED_STEP 100
#define IDB_STRIP_150 240
#define IDB_STRIP_FILL_150 241
#define IDB_REFRESH_150 247
#define IDB_STRIP_200 340
#define IDB_STRIP_FILL_200 341
#define IDB_REFRESH_200 347
#define IDR_UPDATER 148         // ZebUpdater.exe, resource type "DAT"

// mini-window controls
#define IDC_NOTICE 1030
#define IDC_STRIP 1034
#define IDC_BROWSER 1036
#define IDC_STRIP_FILL 1037
#define IDC_REFRESH 1046
#define IDC_BUSY 1047

// menu commands
#define ID_SETTINGS 32771
#define ID_ABOUT 32772
#define ID_EXIT 32773
#define ID_TRANSPARENT 32775
#define ID_REFRESH 32778
#define ID_AUTO_UPGRADE 32780
#define ID_HOME_PAGE 32781
#define ID_DISCREET 32782

#define HOVER_TIMER_ID 1
#define TRAY_RETRY_TIMER_ID 2  // adding the tray icon again while there is no taskbar
#define SHOW_HOTKEY_ID 1001
#define ZEB_BROWSER_CLASS "ZebWebBrowser"  // CWebBrowser2::windowClass

// About box controls
#define IDC_ABOUT_CONTACT 1040
#define IDC_ABOUT_SITE 1041
#define IDC_ABOUT_VERSION 1044

// The update's progress window
#define IDD_UPDATE_PROGRESS 150
#define IDC_UPDATE_TEXT 1070
#define IDC_UPDATE_BAR 1071
