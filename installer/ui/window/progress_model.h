// The percent the progress screen shows and its text. Pure code.
#pragma once

#include <string>

namespace lite_installer {

// The download fills 5 % to 40 %: trunc(f × 40 + (1 − f) × 5) in single
// precision.
int DownloadPercent(float fraction);
// Setup stage 5 is 75 %, stage 7 is 79 %, any other stage 0 (no change).
int InstallStagePercent(int stage);
// Import progress 0..100 fills 80 % to 100 %, in single precision.
int ImportPercent(int import_percent);

struct ProgressPhaseLabels {
  std::wstring downloading;  // up to 40 %
  std::wstring installing;   // above 40 % up to 90 %
  std::wstring almost_done;  // above 90 %
};

// "42%"; with the labels (redesigned look) "Installing...55%".
std::wstring ProgressText(int percent, const ProgressPhaseLabels* labels);

// The last percent shown: an unchanged value and anything before the
// progress screen opened are ignored.
class ProgressState {
 public:
  void Activate() { active_ = true; }
  bool active() const { return active_; }
  // True when `percent` is to be shown.
  bool Accept(int percent);
  int shown() const { return shown_; }

 private:
  bool active_ = false;
  int shown_ = 0;
};

}  // namespace lite_installer
