#include "installer/ui/slides/slide_rotation.h"

namespace lite_installer {

SlideRotation::SlideRotation(size_t initial_count)
    : several_initial_(initial_count > 1),
      initial_left_(initial_count > 0 ? static_cast<int>(initial_count) - 1 : 0) {}

int SlideRotation::IndexFor(int counter, size_t count) {
  if (count == 0) return -1;
  const long long n = static_cast<long long>(count);
  long long index = (static_cast<long long>(counter) + offset_) % n;
  if (index < 0) index += n;
  if (index != 0) return static_cast<int>(index);
  if (!wrapped_once_) {
    wrapped_once_ = true;
    return 0;
  }
  if (!several_initial_) return 0;
  ++offset_;
  if (initial_left_ > 0) --initial_left_;
  return count > 1 ? 1 : 0;
}

int NextSlideNumber(size_t fetched) { return static_cast<int>(fetched) + 2; }

std::string SlideFileName(int number) {
  std::string name = std::to_string(number);
  if (number >= 0 && number < 10) name.insert(0, "0");
  return name + ".jpg";
}

std::wstring SlideUrl(const std::wstring& base_url, int number) {
  const std::string file = SlideFileName(number);
  return base_url + L"x2/" + std::wstring(file.begin(), file.end());
}

}  // namespace lite_installer
