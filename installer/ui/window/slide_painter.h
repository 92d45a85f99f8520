// What the progress screen needs from its background slides: a tick every
// 20 ms, the first change, painting and the picture on show.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "installer/ui/resource_bitmap.h"

namespace lite_installer {

class BrandInfo;

class SlideShowPainter {
 public:
  virtual ~SlideShowPainter() = default;
  // Advances when the slide's time is up; true when the picture changed.
  virtual bool Tick() = 0;
  // True once the first slide change has happened.
  virtual bool HasAdvanced() const = 0;
  // Fills `rect` with the background brush and draws the slide on show.
  virtual void Paint(HDC dc, const RECT& rect) = 0;
  virtual ResourceBitmap CurrentPicture() const = 0;
};

// The slide show of the progress screen: `initial` pictures first (the
// window background, when the first screen was skipped, then the composed
// first slide), then pictures fetched from the brand's slide folder, decoded
// for the display's `scale_factor`.
std::unique_ptr<SlideShowPainter> CreateSlideShow(const BrandInfo& brand, SIZE area, HBRUSH brush,
                                                  std::vector<ResourceBitmap> initial,
                                                  unsigned period_ms, double scale_factor);

}  // namespace lite_installer
