// The add-account prompt as the main window uses it, over a stand-in main
// window with a link where the caption's "登录其他账号" stands.
#include <gtest/gtest.h>

#include <string>

#include "base/messages.h"
#include "gamewnd/add_acc_dlg.h"
#include "res/resource.h"

namespace {

TEST(AddAccountPrompt, DropsUnderTheLinkWithRightEdgesAligned) {
  const RECT r = AddAccountPromptRect({700, 40, 792, 56}, {284, 150});
  EXPECT_EQ(508, r.left);
  EXPECT_EQ(56, r.top);
  EXPECT_EQ(792, r.right);
  EXPECT_EQ(206, r.bottom);
}

class Prompt : public testing::Test {
 protected:
  void SetUp() override {
    main_ = CreateWindowExW(0, L"STATIC", L"main", WS_POPUP | WS_VISIBLE, 100, 50, 900, 600,
                            nullptr, nullptr, nullptr, nullptr);
    link_ = CreateWindowExW(0, L"STATIC", L"登录其他账号", WS_CHILD | WS_VISIBLE, 527, 7, 92, 16,
                            main_, nullptr, nullptr, nullptr);
    ASSERT_TRUE(link_);
  }
  void TearDown() override { DestroyWindow(main_); }
  // The answers posted to the main window so far.
  std::vector<WPARAM> Answers() {
    std::vector<WPARAM> got;
    MSG m;
    while (PeekMessageW(&m, main_, WM_ADD_ACCOUNT, WM_ADD_ACCOUNT, PM_REMOVE)) {
      EXPECT_EQ(0, m.lParam);
      got.push_back(m.wParam);
    }
    return got;
  }
  static RECT WindowRect(HWND h) {
    RECT r = {};
    GetWindowRect(h, &r);
    return r;
  }
  HWND main_ = nullptr;
  HWND link_ = nullptr;
};

TEST_F(Prompt, CreatedOnceSkinnedAndShownUnderTheLink) {
  CAddAccDlg prompt;
  prompt.Hide();  // no window yet: nothing happens
  EXPECT_EQ(nullptr, prompt.m_hWnd);
  prompt.ShowUnder(main_, link_);
  ASSERT_TRUE(prompt.m_hWnd);
  EXPECT_EQ(main_, GetParent(prompt.m_hWnd));
  EXPECT_TRUE(IsWindowVisible(prompt.m_hWnd));
  const RECT r = WindowRect(prompt.m_hWnd);
  const RECT link = WindowRect(link_);
  EXPECT_EQ(284, r.right - r.left);
  EXPECT_EQ(150, r.bottom - r.top);
  EXPECT_EQ(link.right, r.right);
  EXPECT_EQ(link.bottom, r.top);
  wchar_t text[256] = {};
  GetWindowTextW(prompt.m_hWnd, text, 256);
  EXPECT_STREQ(L"登录其他账号", text);
  EXPECT_EQ(
      L"在当前窗口新增标签页？\r\n点击\"是\"，在当前窗口登录(支持3个标签页)；\r\n点击\"否\"，"
      L"在新窗口中登录。",
      prompt.m_lblQuestion.m_strText);
  EXPECT_EQ(5, prompt.m_lblQuestion.m_nLineSpacing);
  EXPECT_EQ(L"是", prompt.m_btnYes.m_strText);
  EXPECT_EQ(L"否", prompt.m_btnNo.m_strText);
  // Each button is one 57 × 23 cell of the dialog button strip; no caption buttons.
  for (HWND b : {prompt.m_btnYes.m_hWnd, prompt.m_btnNo.m_hWnd}) {
    EXPECT_EQ(57, WindowRect(b).right - WindowRect(b).left);
    EXPECT_EQ(23, WindowRect(b).bottom - WindowRect(b).top);
  }
  EXPECT_EQ(nullptr, prompt.m_btnClose.m_hWnd);

  // The link moved (the main window was resized): the same window follows.
  HWND first = prompt.m_hWnd;
  MoveWindow(link_, 300, 7, 92, 16, FALSE);
  prompt.ShowUnder(main_, link_);
  EXPECT_EQ(first, prompt.m_hWnd);
  EXPECT_EQ(WindowRect(link_).right, WindowRect(prompt.m_hWnd).right);
  EXPECT_TRUE(IsWindowVisible(prompt.m_hWnd));
  prompt.Hide();
  EXPECT_FALSE(IsWindowVisible(prompt.m_hWnd));
  EXPECT_TRUE(Answers().empty());
}

TEST_F(Prompt, EachButtonPostsItsAnswerAndHides) {
  CAddAccDlg prompt;
  prompt.ShowUnder(main_, link_);
  SendMessageW(prompt.m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(prompt.m_btnYes.m_hWnd));
  EXPECT_FALSE(IsWindowVisible(prompt.m_hWnd));
  prompt.ShowUnder(main_, link_);
  SendMessageW(prompt.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(prompt.m_btnNo.m_hWnd));
  EXPECT_FALSE(IsWindowVisible(prompt.m_hWnd));
  EXPECT_EQ((std::vector<WPARAM>{1, 0}), Answers());
}

TEST_F(Prompt, DeactivationEscAndAltF4DismissWithoutAnAnswer) {
  CAddAccDlg prompt;
  prompt.ShowUnder(main_, link_);
  SendMessageW(prompt.m_hWnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
  EXPECT_TRUE(IsWindowVisible(prompt.m_hWnd));
  SendMessageW(prompt.m_hWnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0),
               reinterpret_cast<LPARAM>(main_));
  EXPECT_FALSE(IsWindowVisible(prompt.m_hWnd));

  prompt.ShowUnder(main_, link_);
  MSG esc = {prompt.m_btnYes.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
  EXPECT_TRUE(prompt.PreTranslateMessage(&esc));
  EXPECT_FALSE(IsWindowVisible(prompt.m_hWnd));

  // Alt+F4: the dialog's own handling would post the Cancel button's "否".
  prompt.ShowUnder(main_, link_);
  SendMessageW(prompt.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  MSG m;
  while (PeekMessageW(&m, prompt.m_hWnd, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
  EXPECT_FALSE(IsWindowVisible(prompt.m_hWnd));
  EXPECT_TRUE(IsWindow(prompt.m_hWnd));
  EXPECT_TRUE(Answers().empty());
}

TEST_F(Prompt, NeverDraggedEvenByItsCaption) {
  CAddAccDlg prompt;
  prompt.ShowUnder(main_, link_);
  const RECT r = WindowRect(prompt.m_hWnd);
  for (POINT p : {POINT{r.left + 40, r.top + 10}, POINT{r.left + 1, r.top + 1},
                  POINT{r.right - 2, r.bottom - 2}}) {
    EXPECT_EQ(HTCLIENT, SendMessageW(prompt.m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)));
  }
}

}  // namespace
