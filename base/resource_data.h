// The bytes of a module's resources.
#pragma once

#include <windows.h>

#include <string_view>

namespace base {

// Resource `name` of `type` in `module` (null: this program), mapped with
// the module and valid while it stays loaded; empty when the resource is
// missing or empty.
std::string_view ResourceData(HMODULE module, const wchar_t* name, const wchar_t* type);

}  // namespace base
