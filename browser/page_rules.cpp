#include "browser/page_rules.h"

void FilterNavigation(const std::wstring& url, BOOL* cancel) {
  if (!cancel) return;
  if (url.compare(0, 4, L"app:") == 0) {
    *cancel = TRUE;
  } else if (url.compare(0, 10, L"javascript") == 0) {
    *cancel = FALSE;
  }
}

PageKey DecidePageKey(WPARAM key, bool ctrlDown) {
  if (!ctrlDown) return PageKey::Default;
  if (key == VK_OEM_PLUS || key == VK_OEM_MINUS) return PageKey::Swallow;
  if (key == 'A') return PageKey::SelectAll;
  return PageKey::Default;
}
