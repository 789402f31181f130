#include "net/button_info.h"

#include <windows.h>

#include <cstdlib>
#include <exception>
#include <memory>

#include <json/json.h>

#include "net/http.h"

namespace {

constexpr size_t kMaxCaption = 127;
constexpr size_t kMaxLink = 1023;

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(n, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                        nullptr);
  return out;
}

std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(n, L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
  return out;
}

// At most `limit` characters, never ending in the first half of a pair.
std::wstring Cut(std::wstring text, size_t limit) {
  if (text.size() > limit) {
    text.resize(limit);
    if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) text.pop_back();
  }
  return text;
}

// The JSON value's type is an integer, not a real or a boolean.
bool IsInteger(const Json::Value& v) {
  return v.type() == Json::intValue || v.type() == Json::uintValue;
}

}  // namespace

bool ParseJson(const std::string& text, Json::Value* root) {
  Json::CharReaderBuilder builder;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  // The reader reports some malformed input (nesting deeper than its limit,
  // for one) by throwing rather than by its result: either way it is no JSON.
  try {
    return reader->parse(text.data(), text.data() + text.size(), root, nullptr);
  } catch (const std::exception&) {
    *root = Json::Value();
    return false;
  }
}

void InterpretButtonInfo(const std::wstring& answer, ButtonInfo* info) {
  if (answer.empty()) return;
  Json::Value root;
  if (!ParseJson(ToUtf8(answer), &root) || !root.isObject()) return;
  const Json::Value& status = root["status"];
  if (!IsInteger(status) || !status.isInt() || status.asInt() != 1) return;
  // A "data" that is not an object supplies nothing.
  const Json::Value& data = root["data"];
  if (!data.isObject()) {
    info->caption.clear();
    return;
  }
  const Json::Value& btn = data["btn"];
  info->caption = btn.isString() ? Cut(FromUtf8(btn.asString()), kMaxCaption) : L"";
  const Json::Value& url = data["url"];
  if (url.isString()) info->link = Cut(FromUtf8(url.asString()), kMaxLink);
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
