// A one-colour opaque picture for tests that need slides or backgrounds.
#pragma once

#include <windows.h>

#include <cstdint>

#include "installer/ui/resource_bitmap.h"
#include "installer/ui/window_drawing.h"

namespace testing_support {

inline lite_installer::ResourceBitmap SolidPicture(int width, int height, COLORREF colour) {
  void* bits = nullptr;
  base::ScopedBitmap dib = lite_installer::CreateScreenBitmap(width, height, &bits);
  if (!dib) return {};
  const uint32_t pixel = 0xFF000000u | (uint32_t(GetRValue(colour)) << 16) |
                         (uint32_t(GetGValue(colour)) << 8) | GetBValue(colour);
  auto* p = static_cast<uint32_t*>(bits);
  for (int i = 0; i < width * height; ++i) p[i] = pixel;
  return lite_installer::ResourceBitmap::FromHBITMAP(dib.get());
}

}  // namespace testing_support
