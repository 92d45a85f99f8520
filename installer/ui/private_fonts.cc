#include "installer/ui/private_fonts.h"

#include "base/logging.h"

namespace lite_installer {

base::ScopedFontMemResource AddPrivateFont(int id) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), RT_FONT);
  if (!resource) {
    LOG(ERROR) << "Unable to find font id=" << id << " in resources";
    return {};
  }
  HGLOBAL loaded = ::LoadResource(module, resource);
  void* data = loaded ? ::LockResource(loaded) : nullptr;
  const DWORD size = ::SizeofResource(module, resource);
  if (!data || size == 0) {
    LOG(ERROR) << "Unable to load font id=" << id << " from resources";
    return {};
  }
  DWORD faces = 0;
  base::ScopedFontMemResource font(::AddFontMemResourceEx(data, size, nullptr, &faces));
  if (!font) {
    LOG(ERROR) << "Unable to add font id=" << id;
    return {};
  }
  LOG(INFO) << faces << " font(s) added, id=" << id;
  return font;
}

int PrivateFonts::Add(std::initializer_list<int> ids) {
  int added = 0;
  for (int id : ids) {
    base::ScopedFontMemResource font = AddPrivateFont(id);
    if (!font) continue;
    fonts_.push_back(std::move(font));
    ++added;
  }
  return added;
}

}  // namespace lite_installer
