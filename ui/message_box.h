// Every question and notice Tolv shows goes through ShowMessageBox: a modal
// box titled "BrindloTolvane" with one or two buttons, whose results are the
// system message box's (IDOK, IDCANCEL, IDYES, IDNO).
#pragma once

#include <string>

#include "framework/dialog.h"

class CMessageBox : public CDialog {
 public:
  explicit CMessageBox(HWND owner);
  // Gives the box its text (lines separated by "\n") and button set
  // (MB_OK, MB_OKCANCEL or MB_YESNO; anything else acts as MB_OK).
  void Prepare(const std::wstring& text, int type);

 protected:
  BOOL OnInitDialog() override;
  // Enter and Esc do nothing: only the buttons and closing end the box.
  void OnOK() override {}
  void OnCancel() override {}

 private:
  // The first button: OK or Yes.
  void OnButton1();
  // The second button: Cancel or No.
  void OnButton2();
  // Closing the box by any other way answers IDCANCEL.
  LRESULT OnClose(WPARAM, LPARAM);

  std::wstring m_strText;
  std::wstring m_strTitle;
  int m_nType = MB_OK;

  DECLARE_MESSAGE_MAP()
};

int ShowMessageBox(HWND owner, const std::wstring& text, int type);
