#include "installer/lite_installer/ui/ui_strings.h"

namespace lite_installer {

std::wstring LoadUiString(UINT id, LANGID langid) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC block = ::FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), langid);
  if (!block) return {};
  HGLOBAL loaded = ::LoadResource(module, block);
  const DWORD size = ::SizeofResource(module, block);
  const auto* data = static_cast<const WCHAR*>(::LockResource(loaded));
  if (!data) return {};
  const WCHAR* end = data + size / sizeof(WCHAR);
  const WCHAR* p = data;
  for (UINT entry = 0; entry < id % 16; ++entry) {
    if (p >= end) return {};
    p += 1 + *p;
  }
  if (p >= end || p + 1 + *p > end) return {};
  return std::wstring(p + 1, *p);
}

std::wstring LoadUiStringForUser(UINT id) {
  std::wstring text = LoadUiString(id, ::GetUserDefaultUILanguage());
  if (text.empty()) text = LoadUiString(id, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  return text;
}

}  // namespace lite_installer
