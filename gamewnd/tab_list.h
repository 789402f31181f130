// The main window's two parallel lists: the tab windows in tab order and the
// accounts in the order they were accepted. Entry i of both belongs to one
// tab as long as every accepted login registers its frame in turn.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TabList {
 public:
  // The login hand-off: refuses a text already held (exact letter case),
  // otherwise appends it. Returns the new number of accounts, 0 if refused.
  size_t AcceptAccount(const std::wstring& serverText);

  // A game frame registered: it becomes the last tab and the current one.
  void AddTab(HWND frame);

  // Removes tab `index` and its account. Returns the index of the tab that
  // becomes current (the one that moved into its place, or the new last),
  // -1 when none is left or the index is out of range.
  int RemoveTab(int index);

  // Removes every tab whose window `gone` says is gone (its process died),
  // with its account, which may then log in again. The current tab stays
  // current if it stays; otherwise the one that moved into its place, or the
  // new last. Returns how many went.
  int RemoveGoneTabs(bool (*gone)(HWND));
  // The index of the tab shown by `window`, -1 when none.
  int IndexOf(HWND window) const;

  // Selects tab `index`; false when it is out of range.
  bool Select(int index);
  // The tab after the current one, wrapping; -1 without tabs.
  int NextIndex() const;

  int Count() const { return static_cast<int>(m_windows.size()); }
  int Current() const { return m_current; }
  HWND Window(int index) const;
  std::wstring Account(int index) const;
  const std::vector<HWND>& Windows() const { return m_windows; }

 private:
  std::vector<HWND> m_windows;
  std::vector<std::wstring> m_accounts;
  int m_current = 0;
};

// Tabs one main window holds at most.
constexpr int kMaxTabs = 3;

// What an answer of the add-account prompt does.
enum class AddAccountAction {
  NewWindow,   // a new main process
  StartLogin,  // a login process for a new tab of this window
  ShowLimit,   // the tab limit's message
  Ignore,      // the limit's message is already open: one at a time
};
// `answer` 0 asks for a new window, anything else for this one; the limit
// counts registered tabs only.
AddAccountAction DecideAddAccount(WPARAM answer, int tabCount, bool limitShown);

// Where a tab shows inside the main window (client coordinates): below the
// 30-pixel caption and tab strip, 4 pixels in from the other sides.
RECT TabContentRect(const RECT& mainClient);

// An account name as a value of the report's query: controls, blank, "#",
// "&", "%", "+" and "?" percent-encoded (they would end the value, change the
// address's meaning or break the request line); everything else as it is, so
// that servers see ordinary names unchanged.
std::wstring EncodeReportValue(const std::wstring& value);

// The longest report address: the client's 512-character buffer.
constexpr size_t kMaxReportUrl = 511;

// "http://" + ClientHost + "/login.htm?tag=Tolv&ver=3.0.1.3&uid=<account>&index=<n>",
// the account encoded; an account too long for kMaxReportUrl is cut, not
// the index.
std::wstring LoginReportUrl(const std::wstring& account, size_t index);
