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

std::wstring LoginReportUrl(const std::wstring& account, size_t index) {
  return ClientServiceUrl(L"/login.htm", kGameTag) + L"&uid=" + account + L"&index=" +
         std::to_wstring(index);
}

RECT TabContentRect(const RECT& mainClient) {
  return RECT{4, 30, mainClient.right - 4, mainClient.bottom - 4};
}
