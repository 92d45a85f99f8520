// The per-user installation id: a GUID text kept in %APPDATA%\Kelmor\ui.
#pragma once

#include <cstdint>
#include <string>

namespace lite_installer {

// Returns the stored id, or creates and stores a new one; empty when the id
// is unreadable, or was created before and is gone (see the marker value).
std::string GetUserId();

// The id file path; `create` makes the Kelmor folder. Empty on failure.
std::wstring GetUserIdFilePath(bool create);

// "PATH_STRING_OVERFLOW(108); error: 5" for a setup exit code.
std::string DescribeSetupExitCode(uint32_t exit_code);

}  // namespace lite_installer
