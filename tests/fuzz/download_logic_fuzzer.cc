// The download client's header parsing on any bytes: Content-Range parsing
// keeps its invariants, and the range decision agrees with it.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "installer/util/download_logic.h"

using namespace installer_util;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  uint64_t first = 0, last = 0, total = 0;
  const bool parsed = ParseContentRange(text, &first, &last, &total);
  if (parsed && (first > last || (total != 0 && last >= total))) std::abort();
  const uint32_t offset = size >= 4 ? static_cast<uint32_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                                            static_cast<uint32_t>(data[3]) << 24)
                                    : 0;
  const RangeAnswer answer = ClassifyRangeAnswer(206, text, offset);
  if ((answer == RangeAnswer::kContinue) != (parsed && first == offset)) std::abort();
  if (answer == RangeAnswer::kRestart || answer == RangeAnswer::kStatus) std::abort();
  IsHeaderlessResponse(text);
  IsSchemeDowngrade(text, text.substr(size / 2));
  return 0;
}
