// Which picture of the slide list is shown for a counter value, and which
// file the slide downloader asks for next. Pure code: no Windows header.
#pragma once

#include <cstddef>
#include <string>

namespace lite_installer {

class SlideRotation {
 public:
  // `initial_count`: the pictures the list starts with (from the resources).
  explicit SlideRotation(size_t initial_count);

  // The index (below `count`) of the picture to show for `counter` in a list
  // of `count` pictures, advancing the rotation state: the first time the
  // index comes round to 0, picture 0 is shown; on later rounds a list that
  // started with several pictures shows picture 1 instead (its picture 0 is
  // shown only once) and shifts the rotation by one. -1 for an empty list.
  int IndexFor(int counter, size_t count);

  bool several_initial() const { return several_initial_; }
  int initial_left() const { return initial_left_; }
  int offset() const { return offset_; }
  bool wrapped_once() const { return wrapped_once_; }

 private:
  bool several_initial_;
  int initial_left_;
  int offset_ = 0;
  bool wrapped_once_ = false;
};

// The number of the next picture to fetch after `fetched` pictures have
// been fetched: 2 for the first, so the folder holds 02.jpg, 03.jpg, ...
// (The count of fetched pictures, not the rotation's state, decides it, so
// a wrap while the downloader still runs skips no file.)
int NextSlideNumber(size_t fetched);

// "02.jpg" for 2, "10.jpg" for 10, "123.jpg" for 123.
std::string SlideFileName(int number);

// `base_url` + "x2/" + the file name: the double-resolution folder.
std::wstring SlideUrl(const std::wstring& base_url, int number);

}  // namespace lite_installer
