// Resource ids of Tolv.exe.
#pragma once

#define IDR_MAINFRAME 128     // application icon
#define IDD_MAIN 102          // main game window
#define IDD_MESSAGEBOX 130    // message box (sized to its content)
#define IDC_MSGBOX_TEXT 1100  // message box text (hidden; the box draws it)
#define IDC_MSGBOX_BTN1 5000  // message box first button
#define IDC_MSGBOX_BTN2 5001  // message box second button
#define IDC_MAIN_HIDE 1001         // main window hide button
#define IDC_MAIN_SOUND 1002        // main window sound button
#define IDC_MAIN_SYSTEM 1003       // main window "系统" button
#define IDC_MAIN_ADD_ACCOUNT 1005  // main window "登录其他账号" link
#define IDC_MAIN_SITE 1026         // main window "官网" button
#define IDC_MAIN_FORUM 1027        // main window "论坛" button
#define IDC_MAIN_LINK 1028         // main window portal link
#define IDD_WEBPAGE 157       // empty pop-up that web-page windows fill
#define IDD_PROGRESS 156      // update window
#define IDC_PROGRESS 1000     // update window progress bar
#define IDD_FAVOURITE 159     // "添加收藏" favourite dialog
#define IDC_FAV_NAME 1018     // favourite dialog name box
#define IDD_ADDACC 161        // add-account prompt ("是" IDOK, "否" IDCANCEL)
#define IDC_ADDACC_TEXT 1023  // add-account prompt question

// The hotkey settings dialog and its controls.
#define IDD_SETTING 158                 // hotkey settings
#define IDC_SETTING_BOSS_LABEL 1006     // "请输入老板键"
#define IDC_SETTING_BOSS 1007           // boss key field
#define IDC_SETTING_BOSS_EXAMPLE 1008   // boss key example
#define IDC_SETTING_SWITCH_LABEL 1009   // "请输入窗口切换键"
#define IDC_SETTING_SWITCH 1010         // window-switch key field
#define IDC_SETTING_SWITCH_EXAMPLE 1011 // window-switch key example
#define IDC_SETTING_SWITCH_GROUP 1012   // window-switch key group box
#define IDC_SETTING_SOUND_GROUP 1013    // sound key group box
#define IDC_SETTING_SOUND 1014          // sound key field
#define IDC_SETTING_SOUND_EXAMPLE 1015  // sound key example
#define IDC_SETTING_SOUND_LABEL 1016    // "请输入声音键"
#define IDC_SETTING_BOSS_GROUP 1017     // boss key group box

// The skin's images (resource type "PNG", drawn by res/art/make_art.py).
#define IDB_LOGIN_BACK 129       // login background, 1100 x 630 with alpha
#define IDB_DLG_BACK 131         // small dialogs' background, nine-grid 30 x 51
#define IDB_CAPTION_CLOSE 132    // caption close strip, 4 cells of 33 x 28
#define IDB_DLG_BUTTON 133       // dialog push button strip, 4 cells of 57 x 23
#define IDB_MAIN_BACK 134        // main window background, nine-grid 30 x 51
#define IDB_CAPTION_MAX 135      // caption maximise strip, 4 cells of 27 x 28
#define IDB_CAPTION_MIN 136      // caption minimise strip, 4 cells of 27 x 28
#define IDB_CAPTION_RESTORE 137  // caption restore strip, 4 cells of 27 x 28
#define IDB_HIDE_BUTTON 138      // main window hide strip, 4 cells of 27 x 27
#define IDB_TEXT_BUTTON 139      // main window caption text buttons, 4 cells of 44 x 28
#define IDB_ACCOUNT_TAB 140      // account tab, 3 cells of 189 x 22
#define IDB_TAB_CLOSE 141        // tab close cross, 3 cells of 13 x 13
#define IDB_ADD_ACCOUNT 142      // add-account link icon, 14 x 16
#define IDB_SOUND_OFF 148        // sound button while muted, 4 cells of 27 x 27
#define IDB_SOUND_ON 149         // sound button while playing, 4 cells of 27 x 27
#define IDB_PROGRESS_BACK 152    // progress track, 390 x 21
#define IDB_PROGRESS_BAR 153     // progress fill, 390 x 21
#define IDI_FAVOURITE 155        // favourite dialog icon
#define IDB_ADDACC_BACK 162      // add-account prompt background, 284 x 150
#define IDB_PORTAL_LINK 166      // portal link icon, 14 x 16
