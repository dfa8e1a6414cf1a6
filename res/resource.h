// Resource and command identifiers. The numbers are fixed: settings, tests
// and the portal's pages know the client by them.
#pragma once

// String table (language 2052)
#define IDS_GAME_TITLE 102        // "Vexaria"
#define IDS_COMPANY 103           // start-menu company folder
#define IDS_PRODUCT_NAME 104      // main window title, tray tip, close question
#define IDS_UNINSTALL_NAME 105    // name of the uninstall shortcut
#define IDS_GAMECODE_URL 109      // the portal's game-code base URL
#define IDS_CLEANING_TEXT 111     // text of the mask dialog
#define IDS_GAME_FOLDER 112       // "vexa"
#define IDS_DOWNLOAD_FILE 113     // "\v5vexatmp.exe"
#define IDS_UPDATE_FOLDER 114     // "\velmo\"
#define IDS_UNINSTALLER_FILE 115  // "\cache\v5vexatmpu.exe"
#define IDS_COMPANY_FOLDER 118    // "velmo"
#define IDS_PUBLISHER 119         // desktop shortcut prefix, Publisher
#define IDS_VERSION_SERVER 191    // the version server's base URL
#define IDS_VERSION_QUERY 192     // path and query of the version check
#define IDS_SETTINGS_FILE 197     // "res//systemset.ini"

// Dialog templates
#define IDD_MAIN 102
#define IDD_LOGIN 103
#define IDD_MESSAGE_BOX 164
#define IDD_MASK 274

// Icons, bitmaps, menus, accelerators, archive
#define IDI_MAIN 273
#define IDB_LOGIN_SKIN 129
#define IDR_TRAY_MENU 154
#define IDR_ACCELERATORS 304
#define IDR_ARCHIVE 269

// Main window controls
#define IDC_BTN_CLOSE 1001
#define IDC_BTN_RESTORE 1004
#define IDC_BTN_MINIMIZE 1005
#define IDC_BTN_FULLSCREEN 1006
#define IDC_BTN_BOSSKEY 1007
#define IDC_BTN_RESELECT 1009
#define IDC_BTN_MAXIMIZE 1010
#define IDC_BTN_UNUSED1 1013
#define IDC_BTN_UNUSED2 1019
#define IDC_BTN_REFRESH 1023
#define IDC_BTN_CLEANCACHE 1032
#define IDC_STATIC_UNUSED 1033
#define IDC_GAME_VIEW 10000

// Login window controls
#define IDC_LOGIN_MINIMIZE 1018
#define IDC_LOGIN_CLOSE 1029

// Message box controls (besides IDOK and IDCANCEL)
#define IDC_BOX_CLOSE 1001

// Commands
#define ID_TRAY_SHOWHIDE 32775
#define ID_TRAY_CLEANCACHE 32776
#define ID_TRAY_EXIT 32777
#define ID_ACCEL_F5 32778
#define IDM_GAMECODE_READY 10001   // login page navigated to the game URL
#define IDM_CLEANING_DONE 10002    // the cache-cleaning worker has finished

// Messages and timers
#define WM_TRAY_CALLBACK (WM_USER + 1)
#define TIMER_FIT_WORK_AREA 102
#define TIMER_MASK_ANIMATION 5000
