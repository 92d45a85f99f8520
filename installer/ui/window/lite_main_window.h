// The installer window of this installer: the main window with the
// progress-phase labels of the redesigned look and the keyboard hook that
// moves the focus between Install and the licence link with the arrows.
#pragma once

#include "installer/ui/window/main_window.h"

namespace lite_installer {

class LiteMainWindow : public MainWindow {
 public:
  LiteMainWindow(std::shared_ptr<const BrandInfo> brand, std::shared_ptr<const DistribInfoParams> params,
                 bool open_mode, MainWindowEnvironment environment);
  ~LiteMainWindow() override;

 protected:
  std::wstring ProgressTextFor(int percent) const override;
  void OnFirstScreenCreated() override;
  void OnWindowDestroyed() override;

 private:
  static LRESULT CALLBACK KeyboardHook(int code, WPARAM wparam, LPARAM lparam);
  void RemoveHook();

  ProgressPhaseLabels labels_;
  HHOOK hook_ = nullptr;
};

// Which control the arrow key moves the focus to: the licence link from
// Install with Left or Up, Install from the link with Right or Down; 0 for
// no move.
int ArrowFocusTarget(int focused_id, UINT virtual_key);

}  // namespace lite_installer
