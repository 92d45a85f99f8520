// The progress bar of the progress screen (control 215): a subclassed
// standard progress bar painted from a fill and a track picture, optionally
// over a background picture. Its accessible value is the percent text.
#pragma once

#include <windows.h>

#include "installer/ui/resource_bitmap.h"
#include "installer/ui/controls/subclassed_window.h"

namespace lite_installer {

// How many columns of the bar are filled: width × (pos − low) / (high − low),
// in integers, kept inside 0..width.
int ProgressDoneWidth(int width, int low, int high, int pos);

class CustomProgressBar : public SubclassedWindow {
 public:
  // Subclasses `bar` and gives it the accessible role "progress bar".
  explicit CustomProgressBar(HWND bar);

  // `background` covers the parent's client area from its top-left corner.
  void SetImages(ResourceBitmap fill, ResourceBitmap track, ResourceBitmap background);
  void SetRange(int low, int high);
  // PBM_SETPOS, then the accessible value "<pos>%".
  void SetPos(int value);
  int GetPos() const;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void Paint(HDC dc, const RECT& client);

  ResourceBitmap fill_;
  ResourceBitmap track_;
  ResourceBitmap background_;
};

}  // namespace lite_installer
