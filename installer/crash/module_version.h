// The fixed file version block of a module file (for the user agent of the
// crash upload).
#pragma once

#include <windows.h>

#include <string>

namespace crash {

// False, with a log line, when the file has no readable version resource.
bool GetModuleVersionAndType(const std::wstring& path, VS_FIXEDFILEINFO* info);

}  // namespace crash
