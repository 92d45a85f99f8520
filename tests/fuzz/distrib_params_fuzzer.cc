// The distribution parameter parser on any bytes: keys never hold "=" or
// "&", values never hold "&", and every pair comes from the input.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "installer/config/distrib_params_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto params = lite_installer::ParseDistribParams(text);
  if (text.empty() && !params.empty()) std::abort();
  for (const auto& [key, value] : params) {
    if (key.find_first_of("=&") != std::string::npos) std::abort();
    if (value.find('&') != std::string::npos) std::abort();
    const std::string pair = value.empty() ? key : key + "=" + value;
    if (text.find(pair) == std::string_view::npos) std::abort();
  }
  return 0;
}
