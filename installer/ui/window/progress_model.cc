#include "installer/ui/window/progress_model.h"

namespace lite_installer {

int DownloadPercent(float fraction) {
  float value = fraction * 40.0f + (1.0f - fraction) * 5.0f;
  return static_cast<int>(value);
}

int InstallStagePercent(int stage) {
  switch (stage) {
    case 5:
      return 75;
    case 7:
      return 79;
    default:
      return 0;
  }
}

int ImportPercent(int import_percent) {
  float share = static_cast<float>(import_percent) / 100.0f;
  float value = share * 100.0f + (1.0f - share) * 80.0f;
  return static_cast<int>(value);
}

std::wstring ProgressText(int percent, const ProgressPhaseLabels* labels) {
  std::wstring text = std::to_wstring(percent) + L"%";
  if (!labels) return text;
  const std::wstring& label = percent <= 40   ? labels->downloading
                              : percent <= 90 ? labels->installing
                                              : labels->almost_done;
  return label + text;
}

bool ProgressState::Accept(int percent) {
  if (!active_ || percent == shown_) return false;
  shown_ = percent;
  return true;
}

}  // namespace lite_installer
