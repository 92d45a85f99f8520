// Owners for GDI device contexts, selections and icons: each move-only (copy
// deleted, a move hands the handle over), each releasing once.
//
// The GDI objects themselves (fonts, bitmaps, brushes, regions: DeleteObject)
// and a bare memory DC (DeleteDC) are ScopedFont, ScopedBitmap, ScopedBrush,
// ScopedRegion, ScopedGdiObject and ScopedMemoryDC in base/scoped_handle.h.
#pragma once

#include <windows.h>

#include <utility>

#include "base/scoped_handle.h"

namespace base {

// An icon (CreateIconIndirect, LoadImage without LR_SHARED, ...): DestroyIcon.
struct IconTraits {
  using Handle = HICON;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DestroyIcon(h); }
};
using ScopedIcon = ScopedGeneric<IconTraits>;

// The painting context of a window: BeginPaint in the constructor, EndPaint
// in the destructor. Only for WM_PAINT.
class ScopedPaintDC {
 public:
  explicit ScopedPaintDC(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  ScopedPaintDC(const ScopedPaintDC&) = delete;
  ScopedPaintDC& operator=(const ScopedPaintDC&) = delete;
  ScopedPaintDC(ScopedPaintDC&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), paint_(other.paint_), dc_(std::exchange(other.dc_, nullptr)) {}
  ScopedPaintDC& operator=(ScopedPaintDC&& other) noexcept {
    if (this != &other) {
      End();
      window_ = std::exchange(other.window_, nullptr);
      paint_ = other.paint_;
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  ~ScopedPaintDC() { End(); }

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }
  const PAINTSTRUCT& paint() const { return paint_; }

 private:
  void End() {
    if (window_) ::EndPaint(window_, &paint_);
    window_ = nullptr;
    dc_ = nullptr;
  }

  HWND window_;
  PAINTSTRUCT paint_ = {};
  HDC dc_;
};

// A window's common device context: GetDC in the constructor, ReleaseDC in
// the destructor. A null window is the screen's context.
class ScopedGetDC {
 public:
  explicit ScopedGetDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;
  ScopedGetDC(ScopedGetDC&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
  ScopedGetDC& operator=(ScopedGetDC&& other) noexcept {
    if (this != &other) {
      Release();
      window_ = std::exchange(other.window_, nullptr);
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  ~ScopedGetDC() { Release(); }

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  void Release() {
    if (dc_) ::ReleaseDC(window_, dc_);
    window_ = nullptr;
    dc_ = nullptr;
  }

  HWND window_;
  HDC dc_;
};

// The screen's device context (GetDC(nullptr) / ReleaseDC).
class ScopedScreenDC : public ScopedGetDC {
 public:
  ScopedScreenDC() : ScopedGetDC(nullptr) {}
};

// Selects an object into a context and selects the previous one back on
// destruction. A null object selects nothing.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;
  ScopedSelectObject(ScopedSelectObject&& other) noexcept
      : dc_(std::exchange(other.dc_, nullptr)), previous_(std::exchange(other.previous_, nullptr)) {}
  ScopedSelectObject& operator=(ScopedSelectObject&& other) noexcept {
    if (this != &other) {
      Restore();
      dc_ = std::exchange(other.dc_, nullptr);
      previous_ = std::exchange(other.previous_, nullptr);
    }
    return *this;
  }
  ~ScopedSelectObject() { Restore(); }

  // Selects the previous object back now.
  void Restore() {
    if (dc_ && previous_) ::SelectObject(dc_, previous_);
    dc_ = nullptr;
    previous_ = nullptr;
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A memory device context with a bitmap selected into it, for drawing off
// screen. On destruction the context's previous bitmap is selected back, the
// context is deleted (DeleteDC) and then the bitmap, when this owner made it
// (DeleteObject).
class ScopedBitmapDC {
 public:
  ScopedBitmapDC() = default;
  // A new bitmap compatible with `dc`, width by height, owned here.
  ScopedBitmapDC(HDC dc, int width, int height)
      : ScopedBitmapDC(dc, ScopedBitmap(::CreateCompatibleBitmap(dc, width, height))) {}
  // `bitmap`, owned here.
  ScopedBitmapDC(HDC dc, ScopedBitmap bitmap) : bitmap_(std::move(bitmap)), dc_(::CreateCompatibleDC(dc)) {
    Select(bitmap_.get());
  }
  // A bitmap that the caller keeps (it must outlive this owner).
  ScopedBitmapDC(HDC dc, HBITMAP borrowed) : dc_(::CreateCompatibleDC(dc)) { Select(borrowed); }
  ScopedBitmapDC(const ScopedBitmapDC&) = delete;
  ScopedBitmapDC& operator=(const ScopedBitmapDC&) = delete;
  ScopedBitmapDC(ScopedBitmapDC&& other) noexcept
      : bitmap_(std::move(other.bitmap_)),
        dc_(std::move(other.dc_)),
        selected_(std::exchange(other.selected_, nullptr)),
        previous_(std::exchange(other.previous_, nullptr)) {}
  ScopedBitmapDC& operator=(ScopedBitmapDC&& other) noexcept {
    if (this != &other) {
      Unselect();
      dc_ = std::move(other.dc_);  // the old context goes before its bitmap
      bitmap_ = std::move(other.bitmap_);
      selected_ = std::exchange(other.selected_, nullptr);
      previous_ = std::exchange(other.previous_, nullptr);
    }
    return *this;
  }
  ~ScopedBitmapDC() { Unselect(); }  // then dc_ (DeleteDC), then bitmap_ (DeleteObject)

  // The memory context; null when CreateCompatibleDC failed.
  HDC get() const { return dc_.get(); }
  // The bitmap selected into it (owned or borrowed).
  HBITMAP bitmap() const { return selected_; }
  // Both a context and a bitmap.
  explicit operator bool() const { return dc_.is_valid() && selected_ != nullptr; }

 private:
  void Select(HBITMAP bitmap) {
    if (!dc_ || !bitmap) return;
    selected_ = bitmap;
    previous_ = ::SelectObject(dc_.get(), bitmap);
  }
  void Unselect() {
    if (dc_ && previous_) ::SelectObject(dc_.get(), previous_);
    previous_ = nullptr;
  }

  // Declared before the context so that it is destroyed after it.
  ScopedBitmap bitmap_;
  ScopedMemoryDC dc_;
  HBITMAP selected_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

}  // namespace base
