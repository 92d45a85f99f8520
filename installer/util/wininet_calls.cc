#include "installer/util/wininet_calls.h"

#include "base/scoped_handle.h"
#include "base/strings.h"
#include "installer/util/download_logic.h"

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

std::wstring CombineUrl(const std::wstring& base_url, const std::wstring& relative) {
  std::wstring buffer(INTERNET_MAX_URL_LENGTH + 1, L'\0');
  DWORD length = static_cast<DWORD>(buffer.size());
  if (!::InternetCombineUrlW(base_url.c_str(), relative.c_str(), buffer.data(), &length,
                             ICU_NO_ENCODE))
    return {};
  buffer.resize(length);
  return buffer;
}

bool QueryNumber(HINTERNET request, DWORD what, uint32_t* value) {
  DWORD number = 0;
  DWORD size = sizeof(number);
  if (!::HttpQueryInfoW(request, what | HTTP_QUERY_FLAG_NUMBER, &number, &size, nullptr))
    return false;
  *value = number;
  return true;
}

std::wstring QueryHeaderText(HINTERNET request, DWORD what) {
  std::wstring buffer(512, L'\0');
  DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (!::HttpQueryInfoW(request, what, buffer.data(), &size, nullptr)) {
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
    buffer.assign(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (!::HttpQueryInfoW(request, what, buffer.data(), &size, nullptr)) return {};
  }
  buffer.resize(size / sizeof(wchar_t));
  return buffer;
}

std::string QueryCustomHeaderText(HINTERNET request, const std::string& name) {
  if (!request || name.empty()) return {};
  std::string buffer(name.size() + 1, '\0');
  buffer.replace(0, name.size(), name);
  DWORD size = static_cast<DWORD>(buffer.size());
  if (::HttpQueryInfoA(request, HTTP_QUERY_CUSTOM, buffer.data(), &size, nullptr))
    return buffer.substr(0, size);
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
  // The required length; never shorter than the name written into it.
  const size_t required = size > name.size() + 1 ? size : name.size() + 1;
  buffer.assign(required, '\0');
  buffer.replace(0, name.size(), name);
  buffer[required - 1] = '\0';
  size = static_cast<DWORD>(required);
  if (!::HttpQueryInfoA(request, HTTP_QUERY_CUSTOM, buffer.data(), &size, nullptr)) return {};
  return buffer.substr(0, size);
}

bool QueryContentLength(HINTERNET request, uint64_t* length) {
  const std::wstring text = QueryHeaderText(request, HTTP_QUERY_CONTENT_LENGTH);
  return !text.empty() && ParseContentLength(base::WideToUtf8(text), length);
}

}  // namespace installer_util
