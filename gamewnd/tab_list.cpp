#include "gamewnd/tab_list.h"

#include <algorithm>

#include "base/endpoints.h"
#include "base/product.h"

size_t TabList::AcceptAccount(const std::wstring& serverText) {
  if (std::find(m_accounts.begin(), m_accounts.end(), serverText) != m_accounts.end()) return 0;
  m_accounts.push_back(serverText);
  return m_accounts.size();
}

void TabList::AddTab(HWND frame) {
  m_windows.push_back(frame);
  m_current = Count() - 1;
}

int TabList::RemoveTab(int index) {
  if (index < 0 || index >= Count()) return -1;
  m_windows.erase(m_windows.begin() + index);
  if (index < static_cast<int>(m_accounts.size())) m_accounts.erase(m_accounts.begin() + index);
  if (m_windows.empty()) {
    m_current = 0;
    return -1;
  }
  m_current = std::min(index, Count() - 1);
  return m_current;
}

int TabList::RemoveGoneTabs(bool (*gone)(HWND)) {
  int removed = 0, before = 0;
  bool currentGone = false;
  for (int i = Count() - 1; i >= 0; --i) {
    if (!gone(m_windows[i])) continue;
    m_windows.erase(m_windows.begin() + i);
    if (i < static_cast<int>(m_accounts.size())) m_accounts.erase(m_accounts.begin() + i);
    ++removed;
    if (i < m_current) ++before;
    if (i == m_current) currentGone = true;
  }
  m_current -= before;
  if (currentGone || m_current >= Count()) m_current = std::min(m_current, Count() - 1);
  if (m_current < 0) m_current = 0;
  return removed;
}

int TabList::IndexOf(HWND window) const {
  const auto at = std::find(m_windows.begin(), m_windows.end(), window);
  return at == m_windows.end() ? -1 : static_cast<int>(at - m_windows.begin());
}

bool TabList::Select(int index) {
  if (index < 0 || index >= Count()) return false;
  m_current = index;
  return true;
}

int TabList::NextIndex() const {
  return m_windows.empty() ? -1 : (m_current + 1) % Count();
}

HWND TabList::Window(int index) const {
  return index >= 0 && index < Count() ? m_windows[index] : nullptr;
}

std::wstring TabList::Account(int index) const {
  return index >= 0 && index < static_cast<int>(m_accounts.size()) ? m_accounts[index] : L"";
}

std::wstring EncodeReportValue(const std::wstring& value) {
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring out;
  for (wchar_t c : value) {
    if (c < 0x20 || c == 0x7F || c == L' ' || c == L'#' || c == L'&' || c == L'%' || c == L'+' ||
        c == L'?') {
      out += L'%';
      out += kHex[(c >> 4) & 0xF];
      out += kHex[c & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

std::wstring LoginReportUrl(const std::wstring& account, size_t index) {
  const std::wstring head = ClientServiceUrl(L"/login.htm", kGameTag) + L"&uid=";
  const std::wstring tail = L"&index=" + std::to_wstring(index);
  std::wstring uid = EncodeReportValue(account);
  if (head.size() + uid.size() + tail.size() > kMaxReportUrl) {
    // Cut the account, never inside an escape or a pair, so that the address
    // still ends in its index.
    const size_t fixed = head.size() + tail.size();
    size_t keep = kMaxReportUrl > fixed ? kMaxReportUrl - fixed : 0;
    if (keep >= 1 && uid[keep - 1] == L'%') {
      keep -= 1;
    } else if (keep >= 2 && uid[keep - 2] == L'%') {
      keep -= 2;
    }
    if (keep >= 1 && uid[keep - 1] >= 0xD800 && uid[keep - 1] <= 0xDBFF) keep -= 1;
    uid.resize(keep);
  }
  return head + uid + tail;
}

AddAccountAction DecideAddAccount(WPARAM answer, int tabCount, bool limitShown) {
  if (limitShown) return AddAccountAction::Ignore;
  if (answer == 0) return AddAccountAction::NewWindow;
  return tabCount < kMaxTabs ? AddAccountAction::StartLogin : AddAccountAction::ShowLimit;
}

RECT TabContentRect(const RECT& mainClient) {
  return RECT{4, 30, mainClient.right - 4, mainClient.bottom - 4};
}
