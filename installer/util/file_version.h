// File versions, file dates and times, and the free-space check.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace installer_util {

// Product version of the file's version resource (dwProductVersionMS/LS).
bool GetFileVersion(const std::wstring& path, uint32_t* high, uint32_t* low);
// "a.b.c.d", or "0.0.0.0" when there is no version.
std::string GetFileVersionString(const std::wstring& path);
// dwFileDateMS/LS of the version resource.
bool GetFileDate(const std::wstring& path, uint32_t* high, uint32_t* low);
bool GetFileTimes(const std::wstring& path, FILETIME* creation, FILETIME* last_access,
                  FILETIME* last_write);

constexpr uint32_t kRequiredDiskSpace = 629145600;  // 600 MiB
// Errs on the side of installing: only a measurement below the limit is false.
bool HasEnoughDiskSpace(bool system_level, uint32_t required_bytes);
// The comparison itself, for callers that already measured.
inline bool IsEnoughSpace(uint64_t available, uint32_t required) { return available >= required; }

}  // namespace installer_util
