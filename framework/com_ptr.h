// A counted reference to a COM interface: holds one reference while it points
// at an object and gives it back when it is reset, reassigned or destroyed.
#pragma once

#include <unknwn.h>

template <class T>
class CComPtr {
 public:
  CComPtr() = default;
  CComPtr(T* p) : p_(p) {  // NOLINT: converting, like the framework's
    if (p_) p_->AddRef();
  }
  CComPtr(const CComPtr& other) : CComPtr(other.p_) {}
  CComPtr(CComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
  ~CComPtr() { Release(); }

  CComPtr& operator=(T* p) {
    if (p) p->AddRef();
    Release();
    p_ = p;
    return *this;
  }
  CComPtr& operator=(const CComPtr& other) { return *this = other.p_; }
  CComPtr& operator=(CComPtr&& other) noexcept {
    if (this != &other) {
      Release();
      p_ = other.p_;
      other.p_ = nullptr;
    }
    return *this;
  }

  void Release() {
    if (T* p = p_) {
      p_ = nullptr;
      p->Release();
    }
  }
  // The address to receive a new reference through (an out parameter);
  // whatever was held before is given back first.
  T** operator&() {
    Release();
    return &p_;
  }
  T* operator->() const { return p_; }
  operator T*() const { return p_; }
  T* p() const { return p_; }

  // Asks the held object for another of its interfaces.
  template <class Q>
  HRESULT QueryInterface(Q** out) const {
    *out = nullptr;
    return p_ ? p_->QueryInterface(__uuidof(Q), reinterpret_cast<void**>(out)) : E_POINTER;
  }

 private:
  T* p_ = nullptr;
};
