#include "framework/wnd.h"

#include <unordered_map>

namespace {

// Window objects of this process by handle. Only the user-interface thread
// creates and destroys windows, so no lock is needed.
std::unordered_map<HWND, CWnd*>& Registry() {
  static std::unordered_map<HWND, CWnd*> windows;
  return windows;
}

}  // namespace

const MsgMap* CWnd::GetThisMessageMap() {
  static const MsgMapEntry entries[] = {{0, 0, nullptr}};
  static const MsgMap map = {nullptr, entries};
  return &map;
}

CWnd::~CWnd() {
  if (m_hWnd) {
    Registry().erase(m_hWnd);
    m_hWnd = nullptr;
  }
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
  auto it = Registry().find(hWnd);
  return it == Registry().end() ? nullptr : it->second;
}

void CWnd::Attach(HWND hWnd) {
  m_hWnd = hWnd;
  Registry()[hWnd] = this;
}

void CWnd::OnNcDestroyed() {
  Registry().erase(m_hWnd);
  m_hWnd = nullptr;
  PostNcDestroy();
}

BOOL CWnd::DestroyWindow() {
  return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

BOOL CWnd::PreTranslateMessage(MSG*) {
  return FALSE;
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const UINT id = message == WM_COMMAND ? LOWORD(wParam) : kAnyId;
  for (const MsgMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
    for (const MsgMapEntry* e = map->entries; e->message; ++e) {
      if (e->message == message && (e->id == kAnyId || e->id == id)) {
        *result = e->handler(this, wParam, lParam);
        return true;
      }
    }
  }
  // Owner-drawn controls draw themselves: reflect the request to the control.
  if (message == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (CWnd* child = item ? FromHandlePermanent(item->hwndItem) : nullptr) {
      return child->OnChildNotify(message, wParam, lParam, result);
    }
  }
  return false;
}

BOOL WalkPreTranslateTree(HWND stop, MSG* pMsg) {
  for (HWND h = pMsg->hwnd; h; h = ::GetParent(h)) {
    if (CWnd* wnd = CWnd::FromHandlePermanent(h)) {
      if (wnd->PreTranslateMessage(pMsg)) return TRUE;
    }
    if (h == stop) break;
  }
  return FALSE;
}
