// The main game window: the host of the game tabs of one hub process.
#pragma once

#include <string>

#include "framework/dialog.h"

class CWayloft3Dlg : public CDialog {
 public:
  CWayloft3Dlg();
  // The extra caption link the portal's button-info answer supplies.
  void SetCaptionLink(const std::wstring& text, const std::wstring& address);

 protected:
  BOOL OnInitDialog() override;

 private:
  wchar_t m_szLinkText[128] = {};
  wchar_t m_szLinkUrl[1024] = {};

  DECLARE_MESSAGE_MAP()
};
