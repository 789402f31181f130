#include "net/button_info.h"

#include <windows.h>

#include <cstdlib>
#include <memory>

#include <json/json.h>

#include "net/http.h"

namespace {

constexpr size_t kMaxCaption = 127;
constexpr size_t kMaxLink = 1023;

std::string ToOem(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_OEMCP, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  ::WideCharToMultiByte(CP_OEMCP, 0, text.data(), static_cast<int>(text.size()), &out[0], n,
                        nullptr, nullptr);
  return out;
}

std::wstring FromOem(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      ::MultiByteToWideChar(CP_OEMCP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  ::MultiByteToWideChar(CP_OEMCP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
  return out;
}

// The JSON value's type is an integer, not a real or a boolean.
bool IsInteger(const Json::Value& v) {
  return v.type() == Json::intValue || v.type() == Json::uintValue;
}

}  // namespace

void InterpretButtonInfo(const std::wstring& answer, ButtonInfo* info) {
  if (answer.empty()) return;
  const std::string text = ToOem(answer);
  Json::Value root;
  Json::CharReaderBuilder builder;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  if (!reader->parse(text.data(), text.data() + text.size(), &root, nullptr) || !root.isObject()) {
    return;
  }
  const Json::Value& status = root["status"];
  if (!IsInteger(status) || !status.isInt() || status.asInt() != 1) return;
  // A "data" that is not an object supplies nothing.
  const Json::Value& data = root["data"];
  if (!data.isObject()) {
    info->caption.clear();
    return;
  }
  const Json::Value& btn = data["btn"];
  info->caption = btn.isString() ? FromOem(btn.asString()).substr(0, kMaxCaption) : L"";
  const Json::Value& url = data["url"];
  if (url.isString()) info->link = FromOem(url.asString()).substr(0, kMaxLink);
  const Json::Value& update = data["update"];
  if (update.isString()) {
    info->updateFlag = std::atoi(update.asCString());
  } else if (IsInteger(update) && update.isInt()) {
    info->updateFlag = update.asInt();
  }
}

void GetButtonInfo(ButtonInfo* info) {
  std::wstring answer;
  if (!FetchButtonInfo(&answer)) return;
  InterpretButtonInfo(answer, info);
}
