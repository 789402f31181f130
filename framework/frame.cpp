#include "framework/frame.h"

#include "framework/winapp.h"

namespace {

constexpr wchar_t kFrameClass[] = L"TolvFrame";

bool RegisterFrameClass(WNDPROC proc) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  if (::GetClassInfoExW(AfxGetInstanceHandle(), kFrameClass, &wc)) return true;
  wc.lpfnWndProc = proc;
  wc.hInstance = AfxGetInstanceHandle();
  wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kFrameClass;
  wc.hIcon = ::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(128));
  return ::RegisterClassExW(&wc) != 0;
}

}  // namespace

CFrameWnd::~CFrameWnd() {
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTW& cs) {
  if (!cs.style) cs.style = WS_OVERLAPPEDWINDOW;
  return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, CHtmlView* view) {
  if (!RegisterFrameClass(&CFrameWnd::FrameProc)) return FALSE;
  m_nIDResource = nIDResource;
  m_pView = view;
  CREATESTRUCTW cs = {};
  cs.hInstance = AfxGetInstanceHandle();
  cs.lpszClass = kFrameClass;
  cs.lpszName = L"";
  cs.x = cs.y = CW_USEDEFAULT;
  cs.cx = cs.cy = CW_USEDEFAULT;
  if (!PreCreateWindow(cs)) return FALSE;
  HWND hWnd = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y,
                                cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, this);
  return hWnd != nullptr;
}

int CFrameWnd::OnCreate(CREATESTRUCTW*) {
  if (!m_pView) return 0;
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  return m_pView->Create(m_hWnd, client, AFX_IDW_PANE_FIRST) ? 0 : -1;
}

bool CFrameWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (OnWndMsg(message, wParam, lParam, result)) return true;
  switch (message) {
    case WM_CREATE:
      *result = OnCreate(reinterpret_cast<CREATESTRUCTW*>(lParam));
      return true;
    case WM_SIZE:
      // The view always fills the frame.
      if (m_pView && m_pView->m_hWnd) {
        ::MoveWindow(m_pView->m_hWnd, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      }
      return false;
    default:
      return false;
  }
}

void CFrameWnd::PostNcDestroy() {
  // The program's frame gone, its message loop ends.
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) {
    app->m_pMainWnd = nullptr;
    ::PostQuitMessage(0);
  }
}

LRESULT CALLBACK CFrameWnd::FrameProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    static_cast<CFrameWnd*>(create->lpCreateParams)->Attach(hWnd);
  }
  auto* self = static_cast<CFrameWnd*>(CWnd::FromHandlePermanent(hWnd));
  if (!self) return ::DefWindowProcW(hWnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    const LRESULT result = ::DefWindowProcW(hWnd, message, wParam, lParam);
    self->OnNcDestroyed();
    return result;
  }
  LRESULT result = 0;
  if (self->WindowProc(message, wParam, lParam, &result)) return result;
  return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

CSingleDocTemplate::CSingleDocTemplate(UINT nIDResource, std::function<CDocument*()> newDocument,
                                       std::function<CFrameWnd*()> newFrame,
                                       std::function<CHtmlView*()> newView)
    : m_nIDResource(nIDResource),
      m_newDocument(std::move(newDocument)),
      m_newFrame(std::move(newFrame)),
      m_newView(std::move(newView)) {}

CSingleDocTemplate::~CSingleDocTemplate() {
  delete m_pFrame;
  delete m_pView;
  delete m_pDocument;
}

CFrameWnd* CSingleDocTemplate::OpenDocumentFile() {
  if (m_pFrame) return nullptr;  // one document, one frame, one view
  m_pDocument = m_newDocument();
  m_pFrame = m_newFrame();
  m_pView = m_newView();
  if (!m_pDocument || !m_pFrame || !m_pView || !m_pFrame->LoadFrame(m_nIDResource, m_pView)) {
    return nullptr;
  }
  m_pView->OnInitialUpdate();
  return m_pFrame;
}
