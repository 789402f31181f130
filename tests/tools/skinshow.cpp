// Shows Tolv's skinned controls for the end-to-end tests, which screenshot
// them and compare pixels with the artwork:
//
//   skinshow box TYPE TEXT   ShowMessageBox(none, TEXT, TYPE); the exit code
//                            is the box's result
//   skinshow controls        a skinned window "TolvSkinShow" holding image
//                            buttons in their four states (1001-1004),
//                            progress bars at 0, 50 and 100 percent
//                            (1011-1013) and labels (1021-1023; 1022 a link
//                            that turns red while hovered); WM_APP makes its
//                            caption buttons again, as a second SetSkin does
//   skinshow prompt          a window "TolvPromptHost" 800 × 400 at 100, 100 with
//                            the link "登录其他账号" (1005) where the main window
//                            has it; a click on it drops the add-account
//                            prompt; the exit code is 10 + the first answer
#include <windows.h>

#include <cstdlib>
#include <string>

#include "base/messages.h"
#include "framework/winapp.h"
#include "gamewnd/add_acc_dlg.h"
#include "res/resource.h"
#include "ui/dlg_ex.h"
#include "ui/image_load.h"
#include "ui/img_progress.h"
#include "ui/message_box.h"
#include "ui/static_ex.h"

#define IDD_SKINSHOW 200
#define WM_RESKIN WM_APP

namespace {

HBITMAP Image(UINT id) {
  return LoadResourceImage(AfxGetInstanceHandle(), id);
}

class CSkinShowDlg : public CDlgEx {
 public:
  CSkinShowDlg() : CDlgEx(IDD_SKINSHOW) {}
  ~CSkinShowDlg() override {
    for (HBITMAP b : {m_hButton, m_hClose, m_hMin}) ::DeleteObject(b);
  }

 protected:
  BOOL OnInitDialog() override {
    CDlgEx::OnInitDialog();
    ::SetWindowPos(m_hWnd, nullptr, 100, 100, 440, 300, SWP_NOZORDER);
    m_nCaptionHeight = 30;
    m_nBorder = 4;
    m_nBtnRight = 4;
    m_nBtnTop = 1;
    m_bResizable = TRUE;
    m_hButton = Image(IDB_DLG_BUTTON);
    m_hClose = Image(IDB_CAPTION_CLOSE);
    m_hMin = Image(IDB_CAPTION_MIN);
    SetSkin(Image(IDB_MAIN_BACK), FALSE, TRUE, m_hClose, m_hMin, Image(IDB_CAPTION_MAX),
            Image(IDB_CAPTION_RESTORE));
    SetCaptionText(L"TolvSkinShow");

    // One button per state: normal, hover, pressed (latched), disabled.
    for (int i = 0; i < 4; ++i) {
      const RECT rc = {20 + 70 * i, 50, 20 + 70 * i + 57, 73};
      m_buttons[i].Create(L"", WS_VISIBLE | BS_OWNERDRAW, rc, m_hWnd, 1001 + i);
      m_buttons[i].SetBitmap(m_hButton, TRUE);
    }
    m_buttons[1].m_bHover = true;
    m_buttons[2].m_bPressed = true;
    ::EnableWindow(m_buttons[3].m_hWnd, FALSE);

    const int positions[] = {0, 50, 100};
    for (int i = 0; i < 3; ++i) {
      const RECT rc = {20, 90 + 30 * i, 120, 100 + 30 * i};
      m_progress[i].Create(WS_VISIBLE, rc, m_hWnd, 1011 + i);
      m_progress[i].SetImages(Image(IDB_PROGRESS_BACK), Image(IDB_PROGRESS_BAR));
      m_progress[i].SetRange32(0, 100);
      m_progress[i].SetPos(positions[i]);
    }

    // Two labels whose glyphs differ only if real Chinese glyphs are drawn,
    // and one that must grow to three lines.
    const wchar_t* texts[] = {L"一一一一", L"田田田田", L"登录其他账号登录其他账号登录其他账号"};
    const RECT rects[] = {{20, 190, 120, 210}, {140, 190, 240, 210}, {260, 190, 360, 202}};
    for (int i = 0; i < 3; ++i) {
      m_labels[i].Create(texts[i], WS_VISIBLE | SS_LEFT | (i == 1 ? SS_NOTIFY : 0), rects[i],
                         m_hWnd, 1021 + i);
    }
    // The second label is a link: red while the pointer rests on it.
    m_labels[1].m_bHoverColor = TRUE;
    m_labels[1].m_crHover = RGB(220, 0, 0);
    m_labels[1].m_bHandCursor = TRUE;
    return TRUE;
  }

 private:
  LRESULT OnReskin(WPARAM, LPARAM) {
    SetSkin(m_bmpBack, FALSE, TRUE, m_hClose, m_hMin, m_bmpMax, m_bmpRestore);
    return 0;
  }

  HBITMAP m_hButton = nullptr, m_hClose = nullptr, m_hMin = nullptr;
  CBtnEx m_buttons[4];
  CImgProgress m_progress[3];
  CStaticEx m_labels[3];

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSkinShowDlg, CDlgEx)
  ON_MESSAGE(WM_RESKIN, OnReskin)
END_MESSAGE_MAP()

// The main window's caption link and the prompt under it.
class CPromptHostDlg : public CDialog {
 public:
  CPromptHostDlg() : CDialog(IDD_SKINSHOW) {}

 protected:
  BOOL OnInitDialog() override {
    SetWindowText(L"TolvPromptHost");
    ::SetWindowPos(m_hWnd, nullptr, 100, 100, 800, 400, SWP_NOZORDER);
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    const RECT rc = {client.right - 373, 7, client.right - 281, 23};
    m_link.Create(L"登录其他账号", WS_VISIBLE | SS_LEFT | SS_NOTIFY, rc, m_hWnd, 1005);
    m_link.m_bHandCursor = TRUE;
    m_link.m_bUnderline = TRUE;
    return TRUE;
  }

 private:
  void OnLink() { m_prompt.ShowUnder(m_hWnd, m_link.m_hWnd); }
  LRESULT OnAnswer(WPARAM wParam, LPARAM) {
    EndDialog(10 + static_cast<int>(wParam));
    return 0;
  }
  CStaticEx m_link;
  CAddAccDlg m_prompt;

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPromptHostDlg, CDialog)
  ON_COMMAND(1005, OnLink)
  ON_MESSAGE(WM_ADD_ACCOUNT, OnAnswer)
END_MESSAGE_MAP()

class CSkinShowApp : public CWinApp {
 public:
  BOOL InitInstance() override {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), 0xFF};
    ::InitCommonControlsEx(&icc);
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"box" && argc > 3) {
      m_nExitCode = ShowMessageBox(nullptr, argv[3], _wtoi(argv[2]));
    } else if (mode == L"controls") {
      CSkinShowDlg dlg;
      m_pMainWnd = &dlg;
      dlg.DoModal();
      m_pMainWnd = nullptr;
    } else if (mode == L"prompt") {
      CPromptHostDlg dlg;
      m_pMainWnd = &dlg;
      m_nExitCode = static_cast<int>(dlg.DoModal());
      m_pMainWnd = nullptr;
    } else {
      m_nExitCode = 100;
    }
    ::LocalFree(argv);
    return FALSE;
  }
};

CSkinShowApp theApp;

}  // namespace
