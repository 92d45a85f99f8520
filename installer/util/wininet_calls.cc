#include "installer/util/wininet_calls.h"

#include "base/scoped_handle.h"

namespace base {

void InternetHandleTraits::Close(Handle h) { ::InternetCloseHandle(h); }

}  // namespace base

namespace installer_util {

GuardedResult GuardedInternetOpen(const wchar_t* user_agent) {
  GuardedResult r;
  r.raised = !base::RunWithSehGuard(
      [&] {
        r.handle = ::InternetOpenW(user_agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        r.error = r.handle ? 0 : ::GetLastError();
      },
      &r.failure);
  if (r.raised) r.handle = nullptr;
  return r;
}

GuardedResult GuardedInternetOpenUrl(HINTERNET internet, const wchar_t* url, const wchar_t* headers,
                                     DWORD flags, DWORD_PTR context) {
  GuardedResult r;
  r.raised = !base::RunWithSehGuard(
      [&] {
        r.handle = ::InternetOpenUrlW(internet, url, headers, static_cast<DWORD>(-1), flags, context);
        r.error = r.handle ? 0 : ::GetLastError();
      },
      &r.failure);
  if (r.raised) r.handle = nullptr;
  return r;
}

}  // namespace installer_util
