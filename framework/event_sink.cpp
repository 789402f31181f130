#include "framework/event_sink.h"

const EventSinkMap* CEventSinkTarget::GetThisEventSinkMap() {
  static const EventSinkEntry entries[] = {{0, 0, 0, nullptr}};
  static const EventSinkMap map = {nullptr, entries};
  return &map;
}

bool CEventSinkTarget::OnEvent(UINT nCtrlID, DISPID dispid, DISPPARAMS* params) {
  for (const EventSinkMap* map = GetEventSinkMap(); map; map = map->base ? map->base() : nullptr) {
    for (const EventSinkEntry* e = map->entries; e->thunk; ++e) {
      if (e->dispid != dispid || e->nCtrlID != nCtrlID) continue;
      // An event with fewer arguments than the browser sends cannot be
      // unpacked safely; the first matching entry still decides, so nothing runs.
      if (!params || params->cArgs < e->nArgs || (e->nArgs && !params->rgvarg)) return false;
      e->thunk(this, params);
      return true;
    }
  }
  return false;
}

namespace {

// DISPPARAMS holds the arguments last to first.
VARIANT* Arg(DISPPARAMS* params, UINT index) {
  if (!params || index >= params->cArgs || !params->rgvarg) return nullptr;
  return &params->rgvarg[params->cArgs - 1 - index];
}

// Follows VT_VARIANT | VT_BYREF (browsers nest it up to twice).
VARIANT* Deref(VARIANT* v) {
  for (int i = 0; i < 4 && v && V_VT(v) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(v); ++i) {
    v = V_VARIANTREF(v);
  }
  return v;
}

}  // namespace

IDispatch* EventArgDispatch(DISPPARAMS* params, UINT index) {
  VARIANT* v = Deref(Arg(params, index));
  if (!v) return nullptr;
  if (V_VT(v) == VT_DISPATCH) return V_DISPATCH(v);
  if (V_VT(v) == (VT_DISPATCH | VT_BYREF) && V_DISPATCHREF(v)) return *V_DISPATCHREF(v);
  return nullptr;
}

IDispatch** EventArgDispatchRef(DISPPARAMS* params, UINT index) {
  VARIANT* v = Arg(params, index);
  return v && V_VT(v) == (VT_DISPATCH | VT_BYREF) ? V_DISPATCHREF(v) : nullptr;
}

VARIANT* EventArgVariant(DISPPARAMS* params, UINT index) {
  return Deref(Arg(params, index));
}

VARIANT_BOOL* EventArgBoolRef(DISPPARAMS* params, UINT index) {
  VARIANT* v = Deref(Arg(params, index));
  return v && V_VT(v) == (VT_BOOL | VT_BYREF) ? V_BOOLREF(v) : nullptr;
}

DWORD EventArgDword(DISPPARAMS* params, UINT index) {
  VARIANT* v = Deref(Arg(params, index));
  if (!v) return 0;
  switch (V_VT(v)) {
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
      return V_UI4(v);
    default:
      return 0;
  }
}

BSTR EventArgBstr(DISPPARAMS* params, UINT index) {
  VARIANT* v = Deref(Arg(params, index));
  if (!v) return nullptr;
  if (V_VT(v) == VT_BSTR) return V_BSTR(v);
  if (V_VT(v) == (VT_BSTR | VT_BYREF) && V_BSTRREF(v)) return *V_BSTRREF(v);
  return nullptr;
}

std::wstring VariantText(const VARIANT* v) {
  for (int i = 0; i < 4 && v && V_VT(v) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(v); ++i) {
    v = V_VARIANTREF(v);
  }
  if (!v) return std::wstring();
  BSTR s = nullptr;
  if (V_VT(v) == VT_BSTR) s = V_BSTR(v);
  if (V_VT(v) == (VT_BSTR | VT_BYREF) && V_BSTRREF(v)) s = *V_BSTRREF(v);
  return s ? std::wstring(s, ::SysStringLen(s)) : std::wstring();
}
