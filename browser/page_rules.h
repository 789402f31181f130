// What a page shown as a native window may do: the decisions of the DHTML
// dialog base, free of windows and COM so that they can be checked directly.
#pragma once

#include <windows.h>

#include <string>

// Navigation of the page or of one of its frames to `url`. Command URLs
// ("app:", exactly in this case) never reach the browser; "javascript" URLs
// are let through even when the browser proposed to cancel them; anything
// else keeps the browser's proposal.
void FilterNavigation(const std::wstring& url, BOOL* cancel);

enum class PageKey {
  Default,    // the browser handles the key as usual
  Swallow,    // consumed: Ctrl with "+" or "-" would zoom the page
  SelectAll,  // select the whole page, then the browser handles it as usual
};
// What a key offered by the browser does, from its virtual-key code (the
// message's wParam) and whether Ctrl is held.
PageKey DecidePageKey(WPARAM key, bool ctrlDown);
