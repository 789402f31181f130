#include <gtest/gtest.h>
#include <mshtmdid.h>

#include <map>
#include <string>
#include <vector>

#include "browser/dhtm_dlg_ex.h"
#include "browser/page_rules.h"
#include "browser/sprite_button.h"

namespace {

BOOL Filtered(const std::wstring& url, BOOL proposed) {
  FilterNavigation(url, &proposed);
  return proposed;
}

TEST(NavigationFilter, CommandUrlsNeverNavigate) {
  EXPECT_TRUE(Filtered(L"app://loadgame|S1-alice|http://x/", FALSE));
  EXPECT_TRUE(Filtered(L"app:", FALSE));
  EXPECT_TRUE(Filtered(L"app:anything at all", TRUE));
}

TEST(NavigationFilter, OnlyTheLowerCaseSchemeIsACommand) {
  EXPECT_FALSE(Filtered(L"APP://loadgame|x|y", FALSE));
  EXPECT_FALSE(Filtered(L"App://exitgame", FALSE));
  EXPECT_FALSE(Filtered(L"ap", FALSE));
  EXPECT_FALSE(Filtered(L"", FALSE));
  // Anywhere but at the start it is no command.
  EXPECT_FALSE(Filtered(L"http://h/app:x", FALSE));
}

TEST(NavigationFilter, JavascriptUrlsAreLetThrough) {
  EXPECT_FALSE(Filtered(L"javascript:void(0)", TRUE));
  EXPECT_FALSE(Filtered(L"javascript", TRUE));
  // Not quite "javascript": the browser's proposal stands.
  EXPECT_TRUE(Filtered(L"JavaScript:void(0)", TRUE));
  EXPECT_TRUE(Filtered(L"javascrip", TRUE));
}

TEST(NavigationFilter, OtherUrlsKeepTheBrowsersProposal) {
  EXPECT_FALSE(Filtered(L"http://www.brindlo.com/", FALSE));
  EXPECT_TRUE(Filtered(L"http://www.brindlo.com/", TRUE));
  FilterNavigation(L"app:x", nullptr);  // no flag to set: nothing happens
}

TEST(PageKeys, CtrlPlusAndMinusNeverZoom) {
  EXPECT_EQ(PageKey::Swallow, DecidePageKey(VK_OEM_PLUS, true));
  EXPECT_EQ(PageKey::Swallow, DecidePageKey(VK_OEM_MINUS, true));
  EXPECT_EQ(PageKey::Default, DecidePageKey(VK_OEM_PLUS, false));
  // The numeric pad's keys are other codes and are left to the browser.
  EXPECT_EQ(PageKey::Default, DecidePageKey(VK_ADD, true));
}

TEST(PageKeys, CtrlASelectsThePageAndTheBrowserStillSeesIt) {
  EXPECT_EQ(PageKey::SelectAll, DecidePageKey('A', true));
  EXPECT_EQ(PageKey::Default, DecidePageKey('A', false));
  EXPECT_EQ(PageKey::Default, DecidePageKey('a', true));  // a character, not a key code
  EXPECT_EQ(PageKey::Default, DecidePageKey(VK_F5, true));
}

// ---- Sprite buttons ----------------------------------------------------------

// Stand-ins for page elements: never dereferenced, only told apart.
IHTMLElement* const kOk = reinterpret_cast<IHTMLElement*>(0x1000);
IHTMLElement* const kOther = reinterpret_cast<IHTMLElement*>(0x2000);
IHTMLElement* const kDisabled = reinterpret_cast<IHTMLElement*>(0x3000);

class FakePage : public CSpriteButtonPress {
 public:
  ~FakePage() override { ReleasePressed(); }
  bool capture = false;
  std::map<IHTMLElement*, long> frame;  // last frame offset shown
  std::map<IHTMLElement*, int> clicks;
  std::map<IHTMLElement*, int> refs;
  int captureTaken = 0;

 protected:
  bool HoldsCapture() override { return capture; }
  void TakeCapture() override {
    capture = true;
    ++captureTaken;
  }
  void DropCapture() override { capture = false; }
  bool IsElementDisabled(IHTMLElement* e) override { return e == kDisabled; }
  long ElementWidth(IHTMLElement*) override { return 80; }
  // Each element sits at (100, 50), 80 x 24.
  RECT ElementRect(IHTMLElement*) override { return RECT{100, 50, 180, 74}; }
  void ShowFrame(IHTMLElement* e, long x) override { frame[e] = x; }
  void ClickElement(IHTMLElement* e) override { ++clicks[e]; }
  void HoldElement(IHTMLElement* e) override { ++refs[e]; }
  void DropElement(IHTMLElement* e) override { --refs[e]; }
};

TEST(SpriteButton, HoverAndLeaveShowTheirFrames) {
  FakePage page;
  EXPECT_EQ(S_FALSE, page.SetButtonHover(kOk));
  EXPECT_EQ(-80, page.frame[kOk]);
  EXPECT_EQ(S_FALSE, page.SetButtonNormal(kOk));
  EXPECT_EQ(0, page.frame[kOk]);
}

TEST(SpriteButton, ReleaseInsideShowsHoverAndClicksOnce) {
  FakePage page;
  EXPECT_EQ(S_FALSE, page.OnButtonMouseDown(kOk));
  EXPECT_EQ(-160, page.frame[kOk]);
  EXPECT_TRUE(page.capture);
  EXPECT_EQ(kOk, page.m_spPressedElement);
  EXPECT_EQ(1, page.refs[kOk]);

  EXPECT_TRUE(page.EndPress(MAKELPARAM(100, 73)));  // the box's last pixel row
  EXPECT_EQ(-80, page.frame[kOk]);
  EXPECT_EQ(1, page.clicks[kOk]);
  EXPECT_FALSE(page.capture);
  EXPECT_EQ(nullptr, page.m_spPressedElement);
  EXPECT_EQ(0, page.refs[kOk]);
}

TEST(SpriteButton, DraggingOffAndReleasingShowsNormalWithoutClick) {
  FakePage page;
  page.OnButtonMouseDown(kOk);
  // Leaving the button while it is held keeps the pressed frame.
  page.SetButtonNormal(kOk);
  EXPECT_EQ(-160, page.frame[kOk]);
  EXPECT_TRUE(page.EndPress(MAKELPARAM(180, 60)));  // right edge is outside
  EXPECT_EQ(0, page.frame[kOk]);
  EXPECT_EQ(0, page.clicks[kOk]);
  EXPECT_EQ(0, page.refs[kOk]);
  EXPECT_FALSE(page.capture);
}

TEST(SpriteButton, ReleaseLeftOfTheWindowIsReadAsASignedPoint) {
  FakePage page;
  page.OnButtonMouseDown(kOk);
  // x = -20 packs to 0xFFEC; read unsigned it would be 65516, far right.
  EXPECT_TRUE(page.EndPress(MAKELPARAM(-20, 60)));
  EXPECT_EQ(0, page.clicks[kOk]);
}

TEST(SpriteButton, OtherButtonsKeepTheirFramesDuringAPress) {
  FakePage page;
  page.SetButtonHover(kOther);
  page.SetButtonNormal(kOther);
  page.OnButtonMouseDown(kOk);
  page.SetButtonHover(kOther);
  EXPECT_EQ(0, page.frame[kOther]);
  page.frame[kOther] = -80;
  page.SetButtonNormal(kOther);
  EXPECT_EQ(-80, page.frame[kOther]);
  EXPECT_EQ(-160, page.frame[kOk]);
}

TEST(SpriteButton, DisabledButtonsGetNoHoverNoPressNoCapture) {
  FakePage page;
  page.SetButtonHover(kDisabled);
  EXPECT_EQ(0u, page.frame.count(kDisabled));
  EXPECT_EQ(S_FALSE, page.OnButtonMouseDown(kDisabled));
  EXPECT_EQ(0u, page.frame.count(kDisabled));
  EXPECT_FALSE(page.capture);
  EXPECT_EQ(nullptr, page.m_spPressedElement);
  // Leaving it still resets the frame, as for any button.
  page.SetButtonNormal(kDisabled);
  EXPECT_EQ(0, page.frame[kDisabled]);
}

TEST(SpriteButton, ButtonUpWithoutCaptureIsNotThePresssEnd) {
  FakePage page;
  EXPECT_FALSE(page.EndPress(MAKELPARAM(120, 60)));
  EXPECT_TRUE(page.clicks.empty());
}

TEST(SpriteButton, ASecondPressLetsGoOfTheFirstElement) {
  FakePage page;
  page.OnButtonMouseDown(kOk);
  page.OnButtonMouseDown(kOther);
  EXPECT_EQ(0, page.refs[kOk]);
  EXPECT_EQ(1, page.refs[kOther]);
  // The same element pressed again keeps exactly one reference.
  page.OnButtonMouseDown(kOther);
  EXPECT_EQ(1, page.refs[kOther]);
  page.EndPress(MAKELPARAM(120, 60));
  EXPECT_EQ(1, page.clicks[kOther]);
  EXPECT_EQ(0, page.clicks[kOk]);
  EXPECT_EQ(0, page.refs[kOther]);
}

TEST(SpriteButton, MouseUpOnTheButtonItselfClicks) {
  // Without a capture (the press began elsewhere) the page's own button-up
  // reaches the element.
  FakePage page;
  EXPECT_EQ(S_FALSE, page.OnButtonMouseUp(kOk));
  EXPECT_EQ(-80, page.frame[kOk]);
  EXPECT_EQ(1, page.clicks[kOk]);
}

TEST(SpriteButton, OnlyABooleanTrueDisables) {
  VARIANT v;
  VariantInit(&v);
  EXPECT_FALSE(IsDisabledValue(v));  // absent
  V_VT(&v) = VT_BOOL;
  V_BOOL(&v) = VARIANT_TRUE;
  EXPECT_TRUE(IsDisabledValue(v));
  V_BOOL(&v) = VARIANT_FALSE;
  EXPECT_FALSE(IsDisabledValue(v));
  V_VT(&v) = VT_I4;
  V_I4(&v) = 1;
  EXPECT_FALSE(IsDisabledValue(v));
  V_VT(&v) = VT_NULL;
  EXPECT_FALSE(IsDisabledValue(v));
}

// ---- Element-event table -----------------------------------------------------

class TableOf : public CDHtmDlgEx {
 public:
  const DHtmlEventMapEntry* Find(DISPID id, const wchar_t* tag, const wchar_t* cls) {
    return FindDHtmlEventEntry(GetDHtmlEventMap(), id, tag, cls);
  }
};

constexpr DISPID kMouseOut = static_cast<DISPID>(0x80010009);
constexpr DISPID kMouseOver = static_cast<DISPID>(0x80010008);
constexpr DISPID kMouseDown = -605, kMouseUp = -607, kMouseMove = -606, kContextMenu = 1023;

TEST(PageEvents, TheDispidsAreTheDocumentEvents) {
  EXPECT_EQ(kMouseOut, DISPID_HTMLELEMENTEVENTS_ONMOUSEOUT);
  EXPECT_EQ(kMouseOver, DISPID_HTMLELEMENTEVENTS_ONMOUSEOVER);
  EXPECT_EQ(kMouseDown, DISPID_HTMLELEMENTEVENTS_ONMOUSEDOWN);
  EXPECT_EQ(kMouseUp, DISPID_HTMLELEMENTEVENTS_ONMOUSEUP);
  EXPECT_EQ(kMouseMove, DISPID_HTMLELEMENTEVENTS_ONMOUSEMOVE);
  EXPECT_EQ(kContextMenu, DISPID_HTMLELEMENTEVENTS_ONCONTEXTMENU);
}

TEST(PageEvents, ButtonClassMatchesBeforeTheBackgroundTags) {
  TableOf dlg;
  const DHtmlEventMapEntry* table = dlg.GetDHtmlEventMap();
  const DHtmlEventMapEntry* e = dlg.Find(kMouseDown, L"DIV", L"button");
  ASSERT_NE(nullptr, e);
  EXPECT_EQ(DHtmlClass, e->kind);
  EXPECT_EQ(&table[2], e);  // the button's mouse-down, not the div's drag
  // Among other classes as well.
  EXPECT_EQ(&table[2], dlg.Find(kMouseDown, L"SPAN", L"big button  red"));
  // A plain div drags the window.
  EXPECT_EQ(&table[12], dlg.Find(kMouseDown, L"DIV", L""));
  EXPECT_EQ(&table[12], dlg.Find(kMouseDown, L"div", nullptr));
}

TEST(PageEvents, ClassNamesMatchWholeAndInTheirCase) {
  TableOf dlg;
  EXPECT_EQ(nullptr, dlg.Find(kMouseOver, L"SPAN", L"buttons"));
  EXPECT_EQ(nullptr, dlg.Find(kMouseOver, L"SPAN", L"Button"));
  EXPECT_EQ(nullptr, dlg.Find(kMouseOver, L"SPAN", L"my-button"));
  EXPECT_NE(nullptr, dlg.Find(kMouseOver, L"SPAN", L"button"));
}

TEST(PageEvents, BackgroundTagsHandleTheFourMouseEvents) {
  TableOf dlg;
  for (const wchar_t* tag : {L"BODY", L"TD", L"DIV"}) {
    for (DISPID id : {kMouseDown, kMouseUp, kMouseMove, kContextMenu}) {
      const DHtmlEventMapEntry* e = dlg.Find(id, tag, L"");
      ASSERT_NE(nullptr, e) << tag << " " << id;
      EXPECT_EQ(DHtmlTag, e->kind);
    }
    // Hovering the background does nothing.
    EXPECT_EQ(nullptr, dlg.Find(kMouseOver, tag, L""));
  }
  EXPECT_EQ(nullptr, dlg.Find(kMouseDown, L"SPAN", L""));
  EXPECT_EQ(nullptr, dlg.Find(kMouseDown, L"TABLE", L""));
}

TEST(PageEvents, ContextMenuIsCancelledWithoutAnythingElse) {
  TableOf dlg;
  const DHtmlEventMapEntry* e = dlg.Find(kContextMenu, L"BODY", L"");
  ASSERT_NE(nullptr, e);
  EXPECT_EQ(S_FALSE, e->handler(&dlg, nullptr));
}

TEST(PageEvents, TheFrameworkTableIsEmpty) {
  CDHtmlDialog plain(0);
  EXPECT_EQ(nullptr, FindDHtmlEventEntry(plain.GetDHtmlEventMap(), kMouseDown, L"DIV", L"button"));
}

}  // namespace
