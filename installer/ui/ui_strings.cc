#include "installer/ui/ui_strings.h"

#include <vector>

namespace lite_installer {

std::wstring LoadUiString(UINT id, LANGID langid) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  // Each RT_STRING block holds 16 counted strings: block (id / 16) + 1.
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

namespace {

struct UnnamedStaticSearch {
  HWND found = nullptr;
};

BOOL CALLBACK FindUnnamedStatic(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<UnnamedStaticSearch*>(param);
  // Templates store the id -1 as 0xFFFF (16-bit ids) or 0xFFFFFFFF.
  const LONG_PTR id = ::GetWindowLongPtrW(child, GWLP_ID);
  if (id != 0xFFFF && static_cast<LONG>(id) != -1) return TRUE;
  wchar_t class_name[16] = {};
  ::GetClassNameW(child, class_name, 16);
  if (::lstrcmpiW(class_name, L"Static") != 0) return TRUE;
  search->found = child;
  return FALSE;
}

}  // namespace

bool SetControlText(HWND dialog, int control_id, UINT string_id, LANGID langid) {
  HWND control = nullptr;
  if (control_id == -1) {
    UnnamedStaticSearch search;
    ::EnumChildWindows(dialog, &FindUnnamedStatic, reinterpret_cast<LPARAM>(&search));
    control = search.found;
  } else {
    control = ::GetDlgItem(dialog, control_id);
  }
  if (!control) return false;
  return ::SetWindowTextW(control, LoadUiString(string_id, langid).c_str()) != FALSE;
}

std::wstring DropTrailingFullStop(std::wstring text) {
  if (!text.empty() && text.back() == L'.') text.pop_back();
  return text;
}

std::wstring ComposeSentenceWithLink(std::wstring sentence, std::wstring_view link) {
  if (sentence.empty() || sentence.back() != L'.') sentence.push_back(L'.');
  sentence += L" ((";
  sentence.append(link);
  sentence += L"))";
  return sentence;
}

std::wstring RemoveParentheses(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text)
    if (c != L'(' && c != L')') out.push_back(c);
  return out;
}

std::wstring LicenceLineText(LANGID langid, bool less_contrasty, bool facetune) {
  std::wstring text =
      LoadUiString(less_contrasty ? kStringLicenceLineLessContrasty : kStringLicenceLine, langid);
  return facetune ? DropTrailingFullStop(std::move(text)) : text;
}

std::wstring StatisticsSentenceWithPolicyLink(LANGID langid) {
  return ComposeSentenceWithLink(LoadUiString(kStringStatisticsSentence, langid),
                                 LoadUiString(kStringPrivacyPolicy, langid));
}

}  // namespace lite_installer
