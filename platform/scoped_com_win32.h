// COM held for as long as a scope lasts: the library initialised on this thread, and interface
// pointers released, on every path out of the scope.
#pragma once

#include <windows.h>
#include <objbase.h>

class ScopedCom {
 public:
  ScopedCom() : result_(CoInitialize(nullptr)) {}
  ~ScopedCom() {
    // S_FALSE (already initialised on this thread) is paired with an uninitialise as well.
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ScopedCom(const ScopedCom&) = delete;
  ScopedCom& operator=(const ScopedCom&) = delete;

 private:
  HRESULT result_;
};

template <typename T>
class ScopedComPtr {
 public:
  ScopedComPtr() = default;
  ~ScopedComPtr() {
    if (pointer_) pointer_->Release();
  }
  ScopedComPtr(const ScopedComPtr&) = delete;
  ScopedComPtr& operator=(const ScopedComPtr&) = delete;

  T* operator->() const { return pointer_; }
  T* get() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  // For the calls that hand back an interface: CoCreateInstance, QueryInterface, SHGetMalloc.
  void** OutVoid() { return reinterpret_cast<void**>(&pointer_); }
  T** Out() { return &pointer_; }

 private:
  T* pointer_ = nullptr;
};
