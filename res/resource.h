// Resource ids of Tolv.exe.
#pragma once

#define IDR_MAINFRAME 128     // application icon
#define IDD_MAIN 102          // main game window
#define IDD_MESSAGEBOX 130    // message box (sized to its content)
#define IDB_LOGIN_BACKGROUND 129  // PNG: login background art
#define IDC_MSGBOX_TEXT 1100  // message box text
#define IDC_MSGBOX_BTN1 5000  // message box first button
#define IDC_MSGBOX_BTN2 5001  // message box second button
#define IDC_MAIN_LINK 1028    // main window portal link
#define IDD_WEBPAGE 157       // empty pop-up that web-page windows fill
