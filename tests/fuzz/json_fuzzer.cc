// The JSON reader on any bytes: no crash, no sanitizer report, and whatever
// it accepts is written and read back to the same value.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  base::ReadJson(text, base::kJsonStrict, &error);
  const auto value = base::ReadJson(text, base::kJsonExtended, &error);
  if (!value) {
    if (error.rfind("Line: ", 0) != 0) std::abort();  // every failure names its place
    return 0;
  }
  for (int options : {int{base::kJsonWritePretty}, int{base::kJsonWriteCompact}}) {
    std::string written;
    if (!base::WriteJson(*value, options, &written)) std::abort();
    const auto again = base::ReadJson(written, base::kJsonStrict, &error);
    if (!again || !(*again == *value)) std::abort();
  }
  return 0;
}
