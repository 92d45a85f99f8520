// The first screen of the installer window: the title, the Install button,
// the option checkboxes (make the browser the default one, send usage
// statistics, pin the assistant) with their first states, the privacy link
// and the licence line under Install. It reads the choices the user made
// and gives its windows up when the progress screen takes over.
#pragma once

#include <windows.h>

#include <memory>

#include "installer/ui/controls/link_control.h"
#include "installer/ui/controls/sprite_button.h"
#include "installer/ui/controls/sprite_checkbox.h"
#include "installer/ui/window/window_frame.h"

namespace lite_installer {

// What the first screen offers besides the frame.
struct FirstScreenOptions {
  int kind = 0;  // bit 0 "default", bit 1 "sendstat", bit 2 "kepin_trial" offered
  bool open_mode = true;
  bool can_make_default = true;
  int kepin_offer_state = 0;  // 0..3
};

class FirstScreen {
 public:
  FirstScreen(WindowFrame& frame, FirstScreenOptions options);
  FirstScreen(const FirstScreen&) = delete;
  FirstScreen& operator=(const FirstScreen&) = delete;

  // The texts of Install, the checkboxes, the privacy link and the title.
  void SetTexts();
  // The licence line's piece windows under the Install button.
  void CreateLicenceLine();
  // The control objects: Install, the frame's buttons, the checkboxes in
  // their first states and the links.
  void CreateControls();
  // Title, checkboxes, privacy link, Install and close in their places.
  void Layout();
  // Tab order: Install, the links, the checkboxes in the look's order, close.
  void FixTabOrder();

  // The background and the logo (or, redesigned, where minimize will be).
  void Paint(HDC dc, const RECT& client) const;
  // WM_DRAWITEM of the licence text, a checkbox or a link of this screen;
  // false for any other control.
  bool DrawItem(const DRAWITEMSTRUCT& draw) const;
  SpriteButton* install_button() const { return install_button_.get(); }
  SpriteCheckbox* CheckboxFor(HWND control) const;
  // BN_CLICKED of checkbox `id`.
  void Toggle(int id);

  bool has_stat_checkbox() const { return stat_checkbox_ != nullptr; }
  bool DefaultChecked() const { return default_checkbox_ && default_checkbox_->IsChecked(); }
  bool StatChecked() const { return stat_checkbox_ && stat_checkbox_->IsChecked(); }
  bool KepinChecked() const { return kepin_checkbox_ && kepin_checkbox_->IsChecked(); }

  // Destroys this screen's windows and objects, the title's too unless the
  // screen was `skipped`, and the close button's in the origin look.
  void Destroy(bool skipped);

 private:
  void CreateCheckboxes();
  void CreateLinks();
  LinkControl* LinkFor(HWND control) const;

  WindowFrame& frame_;
  const FirstScreenOptions options_;

  std::unique_ptr<SpriteButton> install_button_;
  std::unique_ptr<LinkControl> policy_link_;
  std::unique_ptr<LinkControl> licence_link_;
  std::unique_ptr<SpriteCheckbox> default_checkbox_;
  std::unique_ptr<SpriteCheckbox> stat_checkbox_;
  std::unique_ptr<SpriteCheckbox> kepin_checkbox_;
};

}  // namespace lite_installer
