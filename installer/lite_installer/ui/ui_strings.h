// Interface texts from the string table (ids 400-509) in sixteen languages.
#pragma once

#include <windows.h>

#include <string>

namespace lite_installer {

// Text `id` in language `langid`, or "" (a missing text is never an error).
std::wstring LoadUiString(UINT id, LANGID langid);
// In the user's default UI language, falling back to English.
std::wstring LoadUiStringForUser(UINT id);

}  // namespace lite_installer
