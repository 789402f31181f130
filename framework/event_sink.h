// Browser events bound to handler methods through a per-class event table.
//
// A class that handles events of its browser control declares
// DECLARE_EVENTSINK_MAP() and lists them between
// BEGIN_EVENTSINK_MAP(Class, Base) and END_EVENTSINK_MAP(), one line per
// event. For each event the first entry whose event and control id match is
// taken, searching the most-derived class's table first and then each base's;
// only that entry's handler runs. A class that lists an event therefore
// replaces its bases' handling of that event instead of chaining to it.
#pragma once

#include <exdisp.h>
#include <exdispid.h>
#include <oaidl.h>
#include <windows.h>

#include <string>

class CEventSinkTarget;

// Runs one handler with the event's arguments (in the browser's order, which
// is the reverse of DISPPARAMS').
using EventThunk = void (*)(CEventSinkTarget* self, DISPPARAMS* params);

struct EventSinkEntry {
  UINT nCtrlID;  // 0 with a null thunk ends the table
  DISPID dispid;
  UINT nArgs;  // how many arguments the browser passes with this event
  EventThunk thunk;
};

struct EventSinkMap {
  const EventSinkMap* (*base)();  // the base class's table, or null at the root
  const EventSinkEntry* entries;
};

// Anything that receives events of browser controls it hosts.
class CEventSinkTarget {
 public:
  virtual ~CEventSinkTarget() = default;

  // Routes one event of control `nCtrlID`; false when no table lists it (or
  // its arguments are not what the browser sends with it).
  bool OnEvent(UINT nCtrlID, DISPID dispid, DISPPARAMS* params);

  static const EventSinkMap* GetThisEventSinkMap();
  virtual const EventSinkMap* GetEventSinkMap() const { return GetThisEventSinkMap(); }
};

// The event's argument `index` counted in the browser's order, whether it was
// passed by value or by reference.
IDispatch* EventArgDispatch(DISPPARAMS* params, UINT index);
IDispatch** EventArgDispatchRef(DISPPARAMS* params, UINT index);
VARIANT* EventArgVariant(DISPPARAMS* params, UINT index);
VARIANT_BOOL* EventArgBoolRef(DISPPARAMS* params, UINT index);
DWORD EventArgDword(DISPPARAMS* params, UINT index);
BSTR EventArgBstr(DISPPARAMS* params, UINT index);

// The text of a URL-like variant (a string, or a reference to one); empty for
// anything else.
std::wstring VariantText(const VARIANT* v);

// Runs `call` with a BOOL that mirrors the browser's VARIANT_BOOL cancel flag
// and writes the handler's decision back.
template <class Call>
void WithCancelFlag(VARIANT_BOOL* flag, Call call) {
  BOOL cancel = flag && *flag != VARIANT_FALSE;
  call(&cancel);
  if (flag) *flag = cancel ? VARIANT_TRUE : VARIANT_FALSE;
}

#define DECLARE_EVENTSINK_MAP()                          \
 public:                                                 \
  static const EventSinkMap* GetThisEventSinkMap();      \
  const EventSinkMap* GetEventSinkMap() const override { \
    return GetThisEventSinkMap();                        \
  }

#define BEGIN_EVENTSINK_MAP(theClass, baseClass)        \
  const EventSinkMap* theClass::GetThisEventSinkMap() { \
    using ThisClass [[maybe_unused]] = theClass;        \
    using TheBase = baseClass;                          \
    static const EventSinkEntry entries[] = {
#define END_EVENTSINK_MAP()                                                 \
  { 0, 0, 0, nullptr }                                                      \
  }                                                                         \
  ;                                                                         \
  static const EventSinkMap map = {&TheBase::GetThisEventSinkMap, entries}; \
  return &map;                                                              \
  }

#define TOLV_EVENT_SELF(t) static_cast<ThisClass*>(t)

// fn(IDispatch* pDisp, VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
//    VARIANT* PostData, VARIANT* Headers, BOOL* Cancel)
#define ON_EVENT_BEFORENAVIGATE2(id, fn)                                                           \
  {static_cast<UINT>(id), DISPID_BEFORENAVIGATE2, 7, [](CEventSinkTarget* t, DISPPARAMS* p) {      \
     WithCancelFlag(EventArgBoolRef(p, 6), [&](BOOL* cancel) {                                     \
       TOLV_EVENT_SELF(t)->fn(EventArgDispatch(p, 0), EventArgVariant(p, 1),                       \
                              EventArgVariant(p, 2), EventArgVariant(p, 3), EventArgVariant(p, 4), \
                              EventArgVariant(p, 5), cancel);                                      \
     });                                                                                           \
   }},

// fn(IDispatch* pDisp, VARIANT* URL, VARIANT* TargetFrameName,
//    VARIANT* StatusCode, BOOL* Cancel)
#define ON_EVENT_NAVIGATEERROR(id, fn)                                                      \
  {static_cast<UINT>(id), DISPID_NAVIGATEERROR, 5, [](CEventSinkTarget* t, DISPPARAMS* p) { \
     WithCancelFlag(EventArgBoolRef(p, 4), [&](BOOL* cancel) {                              \
       TOLV_EVENT_SELF(t)->fn(EventArgDispatch(p, 0), EventArgVariant(p, 1),                \
                              EventArgVariant(p, 2), EventArgVariant(p, 3), cancel);        \
     });                                                                                    \
   }},

// fn(IDispatch* pDisp, VARIANT* URL)
#define ON_EVENT_NAVIGATECOMPLETE2(id, fn)                                                      \
  {static_cast<UINT>(id), DISPID_NAVIGATECOMPLETE2, 2, [](CEventSinkTarget* t, DISPPARAMS* p) { \
     TOLV_EVENT_SELF(t)->fn(EventArgDispatch(p, 0), EventArgVariant(p, 1));                     \
   }},

// fn(IDispatch* pDisp, VARIANT* URL)
#define ON_EVENT_DOCUMENTCOMPLETE(id, fn)                                                      \
  {static_cast<UINT>(id), DISPID_DOCUMENTCOMPLETE, 2, [](CEventSinkTarget* t, DISPPARAMS* p) { \
     TOLV_EVENT_SELF(t)->fn(EventArgDispatch(p, 0), EventArgVariant(p, 1));                    \
   }},

// fn(IDispatch** ppDisp, BOOL* Cancel, DWORD dwFlags, BSTR bstrUrlContext,
//    BSTR bstrUrl)
#define ON_EVENT_NEWWINDOW3(id, fn)                                                      \
  {static_cast<UINT>(id), DISPID_NEWWINDOW3, 5, [](CEventSinkTarget* t, DISPPARAMS* p) { \
     WithCancelFlag(EventArgBoolRef(p, 1), [&](BOOL* cancel) {                           \
       TOLV_EVENT_SELF(t)->fn(EventArgDispatchRef(p, 0), cancel, EventArgDword(p, 2),    \
                              EventArgBstr(p, 3), EventArgBstr(p, 4));                   \
     });                                                                                 \
   }},

// fn(BSTR Text)
#define ON_EVENT_TITLECHANGE(id, fn)             \
  {static_cast<UINT>(id), DISPID_TITLECHANGE, 1, \
   [](CEventSinkTarget* t, DISPPARAMS* p) { TOLV_EVENT_SELF(t)->fn(EventArgBstr(p, 0)); }},
