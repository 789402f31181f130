// The portal's button-info answer: whether updating is switched on, and the
// caption and address of the main window's extra caption link.
#pragma once

#include <string>

namespace Json {
class Value;
}

struct ButtonInfo {
  int updateFlag = 0;    // updating is considered only when exactly 1
  std::wstring caption;  // at most 127 characters
  std::wstring link;     // at most 1023 characters
};

// Parses `text` (UTF-8) into `root`. False for anything that is not JSON,
// however the reader reports it; never throws.
bool ParseJson(const std::string& text, Json::Value* root);

// Applies the answer text to `info`; whatever the answer does not supply
// leaves its field as it was. The text is parsed as UTF-8, so that characters
// sent raw and characters sent as JSON escapes ("\u6d3b") both survive.
void InterpretButtonInfo(const std::wstring& answer, ButtonInfo* info);

// Queries the portal and interprets its answer; failures leave `info` as it was.
void GetButtonInfo(ButtonInfo* info);
