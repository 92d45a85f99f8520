// The progress screen's background slides: the built-in pictures first, then
// the pictures that SlideSource fetches from the brand's slide folder on the
// download network, rotated by SlideShow on the window's 20 ms timer.
#include <memory>
#include <string>
#include <utility>

#include "base/files.h"
#include "base/logging.h"
#include "base/strings.h"
#include "base/test_hooks.h"
#include "installer/config/distrib_info_params.h"
#include "installer/ui/slides/slide_show.h"
#include "installer/ui/window/slide_painter.h"

namespace lite_installer {
namespace {

class ShowOnScreen : public SlideShowPainter {
 public:
  explicit ShowOnScreen(std::unique_ptr<SlideShow> show) : show_(std::move(show)) {}

  bool Tick() override {
    if (!show_->Tick()) return false;
    LOG(INFO) << "Slide " << show_->counter() << " on show";
    return true;
  }
  bool HasAdvanced() const override { return show_->HasAdvanced(); }
  void Paint(HDC dc, const RECT& rect) override { show_->Paint(dc, rect); }
  ResourceBitmap CurrentPicture() const override { return show_->CurrentPicture(); }

 private:
  std::unique_ptr<SlideShow> show_;
};

// The show's clock. Tests of the test configuration move it by hand: the
// file named by the hook SLIDE_CLOCK_FILE holds the number of slide periods
// that have passed.
SlideClock ShowClock(unsigned period_ms) {
  if (const auto file = base::GetTestHook("SLIDE_CLOCK_FILE")) {
    const std::wstring path = base::Utf8ToWide(*file);
    return [path, period_ms] {
      const auto text = base::ReadFileToString(path, 32);
      const auto periods = text ? base::ParseInt64(base::TrimWhitespaceAscii(*text)) : std::nullopt;
      return static_cast<uint64_t>(periods.value_or(0)) * period_ms;
    };
  }
  return MonotonicMillis;
}

}  // namespace

std::unique_ptr<SlideShowPainter> CreateSlideShow(const BrandInfo& brand, SIZE area, HBRUSH brush,
                                                  std::vector<ResourceBitmap> initial,
                                                  unsigned period_ms, double scale_factor) {
  const std::string folder = BuildSlideBaseUrl(brand);
  LOG(INFO) << "Slides from " << folder;
  auto source = std::make_unique<SlideSource>(std::move(initial), base::Utf8ToWide(folder), scale_factor);
  return std::make_unique<ShowOnScreen>(std::make_unique<SlideShow>(
      area, std::move(source), brush, static_cast<int>(period_ms), 1, ShowClock(period_ms)));
}

}  // namespace lite_installer
