// Events of the elements of a hosted page, bound to handler methods through a
// per-class table of (selector, event) pairs.
//
// Between BEGIN_DHTML_EVENT_MAP(Class) and END_DHTML_EVENT_MAP() a class lists
// DHTML_EVENT_CLASS (elements of a CSS class) and DHTML_EVENT_TAG (elements of
// a tag) entries. The table is searched in order and the first entry whose
// event and selector match the event's source element runs. Tables are not
// inherited piecewise: a class that declares its own table replaces its
// base's whole.
#pragma once

#include <mshtml.h>
#include <windows.h>

class CDHtmlDialog;

using DHtmlEventHandler = HRESULT (*)(CDHtmlDialog* self, IHTMLElement* element);

enum DHtmlSelector : int {
  DHtmlEnd = 0,
  DHtmlClass,  // the element's class list holds the name
  DHtmlTag,    // the element's tag is the name (any letter case)
};

struct DHtmlEventMapEntry {
  DHtmlSelector kind;
  DISPID dispid;
  const wchar_t* name;
  DHtmlEventHandler handler;
};

// The entry that handles event `dispid` of an element with this tag and class
// attribute (a blank-separated list of class names), or null.
const DHtmlEventMapEntry* FindDHtmlEventEntry(const DHtmlEventMapEntry* table, DISPID dispid,
                                              const wchar_t* tagName, const wchar_t* className);

#define DECLARE_DHTML_EVENT_MAP() \
 public:                          \
  const DHtmlEventMapEntry* GetDHtmlEventMap() const override;

#define BEGIN_DHTML_EVENT_MAP(theClass)                          \
  const DHtmlEventMapEntry* theClass::GetDHtmlEventMap() const { \
    using ThisClass [[maybe_unused]] = theClass;                 \
    static const DHtmlEventMapEntry entries[] = {
#define END_DHTML_EVENT_MAP()       \
  { DHtmlEnd, 0, nullptr, nullptr } \
  }                                 \
  ;                                 \
  return entries;                   \
  }

// HRESULT ThisClass::fn(IHTMLElement* element)
#define DHTML_EVENT_CLASS(dispid, name, fn)       \
  {DHtmlClass, static_cast<DISPID>(dispid), name, \
   [](CDHtmlDialog* d, IHTMLElement* e) -> HRESULT { return static_cast<ThisClass*>(d)->fn(e); }},
#define DHTML_EVENT_TAG(dispid, name, fn)       \
  {DHtmlTag, static_cast<DISPID>(dispid), name, \
   [](CDHtmlDialog* d, IHTMLElement* e) -> HRESULT { return static_cast<ThisClass*>(d)->fn(e); }},
