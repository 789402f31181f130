// The portal's button-info answer: whether updating is switched on, and the
// caption and address of the main window's extra caption link.
#pragma once

#include <string>

struct ButtonInfo {
  int updateFlag = 0;    // updating is considered only when exactly 1
  std::wstring caption;  // at most 127 characters
  std::wstring link;     // at most 1023 characters
};

// Applies the answer text to `info`; whatever the answer does not supply
// leaves its field as it was. The text is parsed in the OEM code page, as the
// portal's answers always have been.
void InterpretButtonInfo(const std::wstring& answer, ButtonInfo* info);

// Queries the portal and interprets its answer; failures leave `info` as it was.
void GetButtonInfo(ButtonInfo* info);
