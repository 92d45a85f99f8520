#include "base/resource_data.h"

namespace base {

std::string_view ResourceData(HMODULE module, const wchar_t* name, const wchar_t* type) {
  if (!module) module = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(module, name, type);
  if (!found) return {};
  const DWORD size = ::SizeofResource(module, found);
  HGLOBAL loaded = size ? ::LoadResource(module, found) : nullptr;
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data) return {};
  return std::string_view(static_cast<const char*>(data), size);
}

}  // namespace base
