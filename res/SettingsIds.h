// Control ids of the settings dialog (131) and its four pages: display
// (129), stock list (130), connection (136) and codes (IDD_CODES_PAGE). The pages are separate
// dialogs, so some numbers serve a different control on each page.
#pragma once

// settings dialog
#define IDC_SETTINGS_TABS 1028
#define IDC_SETTINGS_STATUS 1030
#define IDC_FEEDBACK_LINK 1055

// display page
#define IDC_FONT_SIZE 1000
#define IDC_SHOW_REFRESH_TIME 1007
#define IDC_CUSTOM_COLORS 1011
#define IDC_SWATCH_UP 1017
#define IDC_SWATCH_DOWN 1018
#define IDC_SHOW_CHANGE_PERCENT 1019
#define IDC_SHOW_CHANGE 1020
#define IDC_HOTKEY_HIDES_TRAY 1021
#define IDC_SWATCH_NAME 1022
#define IDC_SWATCH_BACK 1023
#define IDC_SWATCH_HEADER 1024
#define IDC_ALWAYS_ON_TOP 1031
#define IDC_TITLE_ON_HOVER 1032
#define IDC_SHOW_HEADER 1045
#define IDC_SHOW_NAME 1050
#define IDC_SHOW_CODE 1051
#define IDC_SHOW_PRICE 1056
#define IDC_HIDE_AT_START 1057
#define IDC_AUTO_RUN 1058
#define IDC_SHOW_PROFIT 1059

// stock list page
#define IDC_CODE_LIST 1000
#define IDC_ADD_CODE 1021
#define IDC_DELETE_CODE 1022
#define IDC_REFRESH_SLIDER 1023
#define IDC_SOURCE_SOHU 1024
#define IDC_SOURCE_SINA 1025
#define IDC_HOTKEY 1027
#define IDC_MOVE_UP 1038
#define IDC_REFRESH_LABEL 1039
#define IDC_MOVE_DOWN 1052
#define IDC_CODE_QUERY 1053

// connection page
#define IDC_USE_PROXY 1001
#define IDC_PROXY_ADDRESS 1002
#define IDC_PROXY_PORT 1003
#define IDC_USE_CREDENTIALS 1011
#define IDC_USE_IE 1019
#define IDC_PROXY_USER 1042
#define IDC_PROXY_PASSWORD 1043

// codes page
#define IDD_CODES_PAGE 138
#define IDC_CODES_LIST 1080
#define IDC_CODE_ALIAS 1081
#define IDC_CODE_SHARES 1082
#define IDC_CODE_COST 1083
#define IDC_ALERT_ABOVE 1084
#define IDC_ALERT_BELOW 1085
#define IDC_ALERT_MOVE 1086

// The display page's dialog-initialisation block (resource type 240, the
// same id as the page) and the message number it uses for adding a string.
#define RT_DIALOG_INIT 240
#define DLGINIT_ADDSTRING 0x0403
