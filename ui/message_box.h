// Every question and notice Tolv shows goes through ShowMessageBox: a skinned
// modal box titled "BrindloTolvane" with the text centred as a block and one
// or two image buttons, whose results are the system message box's (IDOK,
// IDCANCEL, IDYES, IDNO).
#pragma once

#include <string>

#include "ui/dlg_ex.h"

class CMessageBox : public CDlgEx {
 public:
  explicit CMessageBox(HWND parent);
  ~CMessageBox() override;

  // Gives the box its images (owned by the box from now on), its text (lines
  // separated by "\n") and button set (MB_OK, MB_OKCANCEL or MB_YESNO;
  // anything else acts as MB_OK).
  void Prepare(HBITMAP background, HBITMAP closeStrip, HBITMAP strip1, HBITMAP strip2,
               const std::wstring& text, int type);

  // Enter and Esc never answer the box, not even on a focused button.
  BOOL PreTranslateMessage(MSG* pMsg) override;

  HBITMAP m_hBack = nullptr;
  HBITMAP m_hClose = nullptr;
  HBITMAP m_hBtn1 = nullptr;
  HBITMAP m_hBtn2 = nullptr;
  std::wstring m_strText;
  std::wstring m_strTitle;
  int m_nType = MB_OK;
  int m_nLines = 1;
  HFONT m_pFont = nullptr;
  COLORREF m_crText = 0;
  CBtnEx m_btn1;
  CBtnEx m_btn2;

 protected:
  BOOL OnInitDialog() override;
  // Enter and Esc do nothing: only the buttons and closing end the box.
  void OnOK() override {}
  void OnCancel() override {}

 private:
  // The text, line by line, over the skinned background.
  LRESULT OnPaint(WPARAM, LPARAM);
  // "确定" or "是".
  void OnButton1();
  // "取消" or "否".
  void OnButton2();
  // The caption's close button or any other close answers IDCANCEL.
  LRESULT OnClose(WPARAM, LPARAM);

  // The background belongs to the skinned base once SetSkin has taken it.
  bool m_bBackHandedOver = false;

  DECLARE_MESSAGE_MAP()
};

int ShowMessageBox(HWND owner, const std::wstring& text, int type);
