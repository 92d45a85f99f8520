// TrueType fonts from the executable's resources, added to this process
// only (AddFontMemResourceEx) and removed again when the owner goes.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <vector>

#include "base/scoped_handle.h"
#include "resource_ids.h"

namespace lite_installer {

// The FONT resources of the redesigned look: "KS Display" and "KS Text"
// (regular and medium).
constexpr int kFontDisplay = IDF_KS_DISPLAY;
constexpr int kFontText = IDF_KS_TEXT;
constexpr int kFontTextMedium = IDF_KS_TEXT_MEDIUM;

class PrivateFonts {
 public:
  PrivateFonts() = default;
  PrivateFonts(const PrivateFonts&) = delete;
  PrivateFonts& operator=(const PrivateFonts&) = delete;

  // Adds every FONT resource of `ids` that can be added; each failure and
  // each success is logged. Returns how many were added.
  int Add(std::initializer_list<int> ids);
  size_t size() const { return fonts_.size(); }

 private:
  std::vector<base::ScopedFontMemResource> fonts_;
};

// Adds FONT resource `id` of this executable; an empty owner on failure.
base::ScopedFontMemResource AddPrivateFont(int id);

}  // namespace lite_installer
