// Until the slide show with downloaded slides is part of the build, the
// progress screen shows its first picture: the composed first slide.
#include "installer/lite_installer/ui/window/slide_painter.h"

namespace lite_installer {
namespace {

class StaticSlide : public SlideShowPainter {
 public:
  StaticSlide(SIZE area, HBRUSH brush, ResourceBitmap picture)
      : area_(area), brush_(brush), picture_(std::move(picture)) {}
  bool Tick() override { return false; }
  bool HasAdvanced() const override { return false; }
  void Paint(HDC dc, const RECT& rect) override {
    if (brush_) ::FillRect(dc, &rect, brush_);
    if (picture_.empty()) return;
    const int width = picture_.Width() < area_.cx ? picture_.Width() : area_.cx;
    const int top = area_.cy - picture_.Height();
    picture_.Draw(dc, 0, top, width, picture_.Height(), 0, 0, width, picture_.Height());
  }
  ResourceBitmap CurrentPicture() const override { return picture_; }

 private:
  SIZE area_;
  HBRUSH brush_;
  ResourceBitmap picture_;
};

}  // namespace

std::unique_ptr<SlideShowPainter> CreateSlideShow(const BrandInfo&, SIZE area, HBRUSH brush,
                                                  std::vector<ResourceBitmap> initial, unsigned) {
  return std::make_unique<StaticSlide>(area, brush, initial.empty() ? ResourceBitmap() : initial.back());
}

}  // namespace lite_installer
