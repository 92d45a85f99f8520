// Test hooks: values that tests of a test build inject through the
// environment (KELMOR_TEST_<NAME>). Release builds compile them out.
#pragma once

#include <optional>
#include <string>

#include "build_config.h"

namespace base {

#if KELMOR_TEST_BUILD
std::optional<std::string> GetTestHook(const char* name);
#else
inline std::optional<std::string> GetTestHook(const char*) { return std::nullopt; }
#endif

}  // namespace base
