// Single-document windows: a frame window whose client area is one view, a
// document behind it, and the template that creates the three together when
// the program carries out its shell command.
#pragma once

#include <functional>

#include "framework/html_view.h"
#include "framework/wnd.h"

class CDocument {
 public:
  virtual ~CDocument() = default;
};

class CFrameWnd : public CWnd {
 public:
  ~CFrameWnd() override;
  // Adjusts the creation parameters; the framework's: an overlapped window.
  virtual BOOL PreCreateWindow(CREATESTRUCTW& cs);
  // Creates the frame window; its WM_CREATE creates `view` as its client.
  BOOL LoadFrame(UINT nIDResource, CHtmlView* view);
  CHtmlView* GetActiveView() const { return m_pView; }

 protected:
  // The framework's frame creation: the view fills the client area.
  virtual int OnCreate(CREATESTRUCTW* cs);
  bool WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void PostNcDestroy() override;

 private:
  static LRESULT CALLBACK FrameProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

  CHtmlView* m_pView = nullptr;
  UINT m_nIDResource = 0;
};

// Creates one document, one frame and one view for a single-document program.
class CSingleDocTemplate {
 public:
  CSingleDocTemplate(UINT nIDResource, std::function<CDocument*()> newDocument,
                     std::function<CFrameWnd*()> newFrame, std::function<CHtmlView*()> newView);
  ~CSingleDocTemplate();
  // Creates document, frame and view and runs the view's initial update;
  // the frame is left hidden. Null on failure.
  CFrameWnd* OpenDocumentFile();

 private:
  UINT m_nIDResource;
  std::function<CDocument*()> m_newDocument;
  std::function<CFrameWnd*()> m_newFrame;
  std::function<CHtmlView*()> m_newView;
  // Owned here for the program's life; the frame goes first, taking its
  // windows (the view's among them) while the view object still exists.
  CDocument* m_pDocument = nullptr;
  CFrameWnd* m_pFrame = nullptr;
  CHtmlView* m_pView = nullptr;
};
