// Owners for Windows handles: one small move-only type per handle kind.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <utility>

namespace base {

// Traits: `static T Invalid()`, `static bool IsValid(T)`, `static void Close(T)`.
template <class Traits>
class ScopedGeneric {
 public:
  using Handle = typename Traits::Handle;

  ScopedGeneric() : handle_(Traits::Invalid()) {}
  explicit ScopedGeneric(Handle handle) : handle_(handle) {}
  ScopedGeneric(const ScopedGeneric&) = delete;
  ScopedGeneric& operator=(const ScopedGeneric&) = delete;
  ScopedGeneric(ScopedGeneric&& other) noexcept : handle_(other.release()) {}
  ScopedGeneric& operator=(ScopedGeneric&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~ScopedGeneric() { reset(); }

  bool is_valid() const { return Traits::IsValid(handle_); }
  explicit operator bool() const { return is_valid(); }
  Handle get() const { return handle_; }

  void reset(Handle handle = Traits::Invalid()) {
    if (Traits::IsValid(handle_)) Traits::Close(handle_);
    handle_ = handle;
  }
  Handle release() {
    Handle h = handle_;
    handle_ = Traits::Invalid();
    return h;
  }
  // For APIs that return a handle through an out-parameter.
  Handle* receive() {
    reset();
    return &handle_;
  }

 private:
  Handle handle_;
};

struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
// Process, thread, event, mutex, file and mapping handles. Both null and
// INVALID_HANDLE_VALUE count as empty.
using ScopedHandle = ScopedGeneric<KernelHandleTraits>;

struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::FindClose(h); }
};
using ScopedFindHandle = ScopedGeneric<FindHandleTraits>;

struct RegKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::RegCloseKey(h); }
};
using ScopedRegKey = ScopedGeneric<RegKeyTraits>;

struct LibraryTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::FreeLibrary(h); }
};
using ScopedLibrary = ScopedGeneric<LibraryTraits>;

struct LocalMemTraits {
  using Handle = HLOCAL;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::LocalFree(h); }
};
using ScopedLocalMem = ScopedGeneric<LocalMemTraits>;

struct MappedViewTraits {
  using Handle = const void*;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::UnmapViewOfFile(h); }
};
using ScopedMappedView = ScopedGeneric<MappedViewTraits>;

// WinINet handles (HINTERNET). Close is defined beside the download client
// (installer/util/downloader.cc): the WinINet header clashes with WinHTTP's,
// so it stays out of this one.
struct InternetHandleTraits {
  using Handle = void*;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h);
};
using ScopedInternetHandle = ScopedGeneric<InternetHandleTraits>;

// GDI objects (fonts, bitmaps, brushes, regions): DeleteObject.
template <class T>
struct GdiObjectTraits {
  using Handle = T;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DeleteObject(h); }
};
using ScopedFont = ScopedGeneric<GdiObjectTraits<HFONT>>;
using ScopedBitmap = ScopedGeneric<GdiObjectTraits<HBITMAP>>;
using ScopedBrush = ScopedGeneric<GdiObjectTraits<HBRUSH>>;
using ScopedRegion = ScopedGeneric<GdiObjectTraits<HRGN>>;
using ScopedPen = ScopedGeneric<GdiObjectTraits<HPEN>>;
using ScopedGdiObject = ScopedGeneric<GdiObjectTraits<HGDIOBJ>>;

// Memory device contexts (CreateCompatibleDC): DeleteDC. A memory context
// with a bitmap selected into it, and the contexts that are released rather
// than deleted, are in base/scoped_gdi.h.
struct MemoryDCTraits {
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DeleteDC(h); }
};
using ScopedMemoryDC = ScopedGeneric<MemoryDCTraits>;

// Fonts added from memory (AddFontMemResourceEx).
struct FontMemResourceTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::RemoveFontMemResourceEx(h); }
};
using ScopedFontMemResource = ScopedGeneric<FontMemResourceTraits>;

// A window (DestroyWindow).
struct WindowTraits {
  using Handle = HWND;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DestroyWindow(h); }
};
using ScopedWindow = ScopedGeneric<WindowTraits>;

// A CryptoAPI certificate store (CertCloseStore) and message (CryptMsgClose).
// Providers and hashes are in base/scoped_crypt.h.
struct CertStoreTraits {
  using Handle = HCERTSTORE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::CertCloseStore(h, 0); }
};
using ScopedCertStore = ScopedGeneric<CertStoreTraits>;

struct CryptMsgTraits {
  using Handle = HCRYPTMSG;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::CryptMsgClose(h); }
};
using ScopedCryptMsg = ScopedGeneric<CryptMsgTraits>;

// A slim reader/writer lock held exclusively for this object's lifetime.
class ScopedExclusiveLock {
 public:
  explicit ScopedExclusiveLock(SRWLOCK* lock) : lock_(lock) { ::AcquireSRWLockExclusive(lock_); }
  ScopedExclusiveLock(const ScopedExclusiveLock&) = delete;
  ScopedExclusiveLock& operator=(const ScopedExclusiveLock&) = delete;
  ~ScopedExclusiveLock() { ::ReleaseSRWLockExclusive(lock_); }

 private:
  SRWLOCK* lock_;
};

// A mutex that this object has acquired; releases it on destruction.
class ScopedMutexLock {
 public:
  ScopedMutexLock() = default;
  explicit ScopedMutexLock(HANDLE mutex) : mutex_(mutex) {}
  ScopedMutexLock(const ScopedMutexLock&) = delete;
  ScopedMutexLock& operator=(const ScopedMutexLock&) = delete;
  ~ScopedMutexLock() {
    if (mutex_) ::ReleaseMutex(mutex_);
  }

 private:
  HANDLE mutex_ = nullptr;
};

}  // namespace base
