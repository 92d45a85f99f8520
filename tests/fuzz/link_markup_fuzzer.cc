// libFuzzer target: link markup parsing and layout on any text (the bytes
// taken as 16-bit units) must neither fault nor lose text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "installer/ui/link_markup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring text;
  for (size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  const auto pieces = lite_installer::ParseLinkMarkup(text);
  size_t kept = 0;
  for (const auto& piece : pieces) kept += piece.text.size();
  // Only the marks, and whatever follows a NUL, are dropped.
  if (kept > text.size()) std::abort();
  const int width = size > 0 ? data[0] : 0;
  const auto layout = lite_installer::LayoutTextPieces(
      pieces, width, [](std::wstring_view t) { return static_cast<int>(t.size()) * 3; }, true);
  size_t laid_out = 0;
  for (const auto& run : layout.runs) {
    laid_out += run.text.size();
    if (run.line < 0 || run.line >= layout.line_count() || run.x < 0) std::abort();
  }
  if (laid_out != kept) std::abort();
  return 0;
}
