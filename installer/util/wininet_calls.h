// WinINet calls shared by the download clients and the request sender: the
// ones that may be the first of the process (and so load the library) or
// that run foreign code are made under the structured-exception guard.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>

#include "base/seh_guard.h"

namespace installer_util {

// What the two download clients send.
inline constexpr wchar_t kDownloadUserAgent[] = L"Kelmor.Browser lite installer";
inline constexpr wchar_t kAcceptAnyHeader[] = L"Accept: */*";

struct GuardedResult {
  HINTERNET handle = nullptr;
  DWORD error = 0;         // GetLastError right after the call
  bool raised = false;     // a structured exception ended the call
  base::SehFailure failure;
};

GuardedResult GuardedInternetOpen(const wchar_t* user_agent);
GuardedResult GuardedInternetOpenUrl(HINTERNET internet, const wchar_t* url, const wchar_t* headers,
                                     DWORD flags, DWORD_PTR context);

// `relative` (a redirect's Location) resolved against `base_url`, not
// escaped again; empty when WinINet cannot combine them.
std::wstring CombineUrl(const std::wstring& base_url, const std::wstring& relative);
// A response header (HTTP_QUERY_*) as a number; false when it is absent or
// no number.
bool QueryNumber(HINTERNET request, DWORD what, uint32_t* value);
// A response header (HTTP_QUERY_*) as text; empty when it is absent.
std::wstring QueryHeaderText(HINTERNET request, DWORD what);
// A response header by name (HTTP_QUERY_CUSTOM); empty when it is absent.
std::string QueryCustomHeaderText(HINTERNET request, const std::string& name);
// The response's Content-Length in 64 bits, read as text (WinINet's number
// form is a DWORD and cannot tell 4 GiB + 1 from 1); false when there is
// none or it is not a number.
bool QueryContentLength(HINTERNET request, uint64_t* length);

}  // namespace installer_util
