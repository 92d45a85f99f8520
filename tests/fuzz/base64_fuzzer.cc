// Base64 on any bytes: encoding then decoding gives the bytes back, and any
// text the decoder accepts is the canonical encoding of what it decodes to,
// with or without its padding.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string encoded = base::Base64Encode(bytes);
  if (encoded.size() != (size + 2) / 3 * 4) std::abort();
  if (base::Base64Decode(encoded) != bytes) std::abort();
  const std::string unpadded = encoded.substr(0, encoded.find('='));
  if (base::Base64Decode(unpadded) != bytes) std::abort();

  // The same bytes taken as text.
  const auto decoded = base::Base64Decode(bytes);
  if (!decoded) return 0;
  const std::string canonical = base::Base64Encode(*decoded);
  if (bytes != canonical && bytes != canonical.substr(0, canonical.find('='))) std::abort();
  return 0;
}
