// Resource identifiers, shared by updater.rc and the Windows code.
#pragma once

#define IDS_APP_TITLE 103         // "Veltrane Updater"
#define IDS_WINDOW_CLASS 109      // "VELTRANEUPDATER"
#define IDS_HELP_ARTICLE 110      // the pairing guide's address (pairing_address.txt overrides it)
#define IDA_ACCELERATORS 109
#define IDD_ABOUTBOX 103
#define IDD_SELECT_FIRMWARE 129
#define IDI_APPLICATION_ICON 131
#define IDI_SMALL_ICON 128
#define IDC_LOG_LIST 1000
#define IDC_PROMPT_TEXT -1
#define IDC_SAVE_REPORT 1001      // About box: "Save report"
#define IDC_RECORD_SESSION 1002   // About box: "Record the next device session"
#define IDM_ABOUT 104
#define IDR_THEMED_CONTROLS 200   // the manifest the dialogs and message boxes are made under

// Bitmaps: the skin resource numbers of ui/skins.h, 143 to 168.
