// WinINet calls that may be the first one of the process (and so load the
// library) or that run foreign code, made under the structured-exception
// guard. Shared by the downloader and the request sender.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/seh_guard.h"

namespace installer_util {

struct GuardedResult {
  HINTERNET handle = nullptr;
  DWORD error = 0;         // GetLastError right after the call
  bool raised = false;     // a structured exception ended the call
  base::SehFailure failure;
};

GuardedResult GuardedInternetOpen(const wchar_t* user_agent);
GuardedResult GuardedInternetOpenUrl(HINTERNET internet, const wchar_t* url, const wchar_t* headers,
                                     DWORD flags, DWORD_PTR context);

}  // namespace installer_util
