// Digests and random bytes through CryptoAPI.
#pragma once

#include <string>
#include <string_view>

namespace base {

// Lower-case hexadecimal digests; empty on failure.
std::string Md5Hex(std::string_view data);
std::string Sha1Hex(std::string_view data);
std::string Sha256Hex(std::string_view data);
// Raw digest bytes; empty on failure. `alg_id` is a CALG_ value.
std::string Digest(unsigned alg_id, std::string_view data);
// `count` bytes from the system's cryptographic random source; empty on
// failure.
std::string RandomBytes(size_t count);

}  // namespace base
