#include "browser/sprite_button.h"

#include <windowsx.h>

bool IsDisabledValue(const VARIANT& value) {
  return V_VT(&value) == VT_BOOL && V_BOOL(&value) != VARIANT_FALSE;
}

HRESULT CSpriteButtonPress::SetButtonNormal(IHTMLElement* element) {
  // While a press is in progress, leaving the button keeps its frame.
  if (element && !HoldsCapture()) ShowFrame(element, 0);
  return S_FALSE;
}

HRESULT CSpriteButtonPress::SetButtonHover(IHTMLElement* element) {
  if (element && !HoldsCapture() && !IsElementDisabled(element)) {
    ShowFrame(element, -ElementWidth(element));
  }
  return S_FALSE;
}

HRESULT CSpriteButtonPress::OnButtonMouseDown(IHTMLElement* element) {
  if (!element || IsElementDisabled(element)) return S_FALSE;
  HoldElement(element);
  IHTMLElement* previous = m_spPressedElement;
  m_spPressedElement = element;
  if (previous) DropElement(previous);
  TakeCapture();
  ShowFrame(element, -2 * ElementWidth(element));
  return S_FALSE;
}

HRESULT CSpriteButtonPress::OnButtonMouseUp(IHTMLElement* element) {
  if (!element) return S_FALSE;
  SetButtonHover(element);
  ClickElement(element);
  return S_FALSE;
}

bool CSpriteButtonPress::EndPress(LPARAM lParam) {
  if (!HoldsCapture()) return false;
  DropCapture();
  if (IHTMLElement* element = m_spPressedElement) {
    const RECT rect = ElementRect(element);
    const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (::PtInRect(&rect, pt)) {
      SetButtonHover(element);
      ClickElement(element);
    } else {
      SetButtonNormal(element);
    }
  }
  ReleasePressed();
  return true;
}

void CSpriteButtonPress::ReleasePressed() {
  if (IHTMLElement* element = m_spPressedElement) {
    m_spPressedElement = nullptr;
    DropElement(element);
  }
}
