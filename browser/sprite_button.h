// Elements of the CSS class "button" on a hosted page behave as three-state
// image buttons: their background is a horizontal strip of equal frames
// (normal, hover, pressed), one frame as wide as the element.
//
// A press is a small state: idle (no capture, no element held) -> pressed
// (capture taken, element held, pressed frame shown) on mouse-down over an
// enabled button -> idle on the window's next left or right button-up, which
// clicks the element when the pointer is still over it. While a press is in
// progress the other buttons keep their frames.
//
// The window and the page are reached only through the virtuals below, which
// the dialog implements with the mouse capture and MSHTML.
#pragma once

#include <mshtml.h>
#include <windows.h>

class CSpriteButtonPress {
 public:
  virtual ~CSpriteButtonPress() = default;

  // The element-event handlers; each returns S_FALSE so that the page's own
  // default action (selection, focus) does not happen.
  HRESULT SetButtonNormal(IHTMLElement* element);
  HRESULT SetButtonHover(IHTMLElement* element);
  HRESULT OnButtonMouseDown(IHTMLElement* element);
  HRESULT OnButtonMouseUp(IHTMLElement* element);

  // A left or right button-up at `lParam` (client coordinates) reached the
  // window. True when it ended a press (the window must not pass it on);
  // false when the window does not hold the capture.
  bool EndPress(LPARAM lParam);
  // Forgets the held element without clicking (the dialog's end).
  void ReleasePressed();

  // The button held down, with one reference; null when idle.
  IHTMLElement* m_spPressedElement = nullptr;

 protected:
  // The mouse capture of the dialog window.
  virtual bool HoldsCapture() = 0;
  virtual void TakeCapture() = 0;
  virtual void DropCapture() = 0;
  // The element's "disabled" attribute reads as boolean true.
  virtual bool IsElementDisabled(IHTMLElement* element) = 0;
  virtual long ElementWidth(IHTMLElement* element) = 0;
  // The element's box in the dialog's client coordinates.
  virtual RECT ElementRect(IHTMLElement* element) = 0;
  // Shows the frame at horizontal background offset `x` (0, -w, -2w).
  virtual void ShowFrame(IHTMLElement* element, long x) = 0;
  virtual void ClickElement(IHTMLElement* element) = 0;
  // Counted references of the held element.
  virtual void HoldElement(IHTMLElement* element) = 0;
  virtual void DropElement(IHTMLElement* element) = 0;
};

// Whether an attribute value read from an element marks it disabled: only a
// boolean true does; absence or any other type means enabled.
bool IsDisabledValue(const VARIANT& value);
