#include "installer/ui/window/first_screen.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/logging.h"
#include "installer/config/brand_info.h"
#include "installer/ui/controls/accessible_proxy.h"
#include "installer/ui/controls/control_painting.h"
#include "installer/ui/controls/initial_checkbox_states.h"
#include "installer/ui/text_pieces.h"
#include "installer/ui/ui_strings.h"
#include "installer/ui/window/window_look.h"

namespace lite_installer {
namespace {

constexpr UINT kStringInstall = 414;
constexpr UINT kStringKepinOffer = 428;

}  // namespace

FirstScreen::FirstScreen(WindowFrame& frame, FirstScreenOptions options) : frame_(frame), options_(options) {}

void FirstScreen::SetTexts() {
  HWND window = frame_.window;
  const WindowLook& look = *frame_.look;
  const LANGID langid = frame_.langid;
  SetControlText(window, kIdInstall, kStringInstall, langid);
  SetControlText(window, kIdDefaultCheckbox, look.default_checkbox_text_id, langid);
  SetControlText(window, kIdStatCheckbox, kStringStatisticsSentence, langid);
  SetControlText(window, kIdPolicyLink, kStringPrivacyPolicy, langid);
  SetControlText(window, kIdTitle, look.title_text_id, langid);
  if (options_.kind & 4) SetControlText(window, kIdKepinCheckbox, kStringKepinOffer, langid);
}

void FirstScreen::CreateLicenceLine() {
  const WindowLook& look = *frame_.look;
  const std::wstring text = LicenceLineText(frame_.langid, frame_.brand->LessContrasty(), frame_.facetune);
  CreateTextPieceWindows(frame_.window, look.licence_line, text, look.body_font, false, kIdLicenceText,
                         kIdLicenceLink, look.extra_line_spacing);
}

void FirstScreen::CreateControls() {
  const WindowLook& look = *frame_.look;
  if (HWND control = ::GetDlgItem(frame_.window, kIdInstall)) {
    install_button_ = std::make_unique<SpriteButton>(control, look.install_sprite);
    install_button_->set_background(frame_.background);
    install_button_->set_font(look.body_font);
    install_button_->set_text_colour(look.install_text_colour);
    install_button_->set_focus_inset(frame_.facetune ? 0 : 2);
  }
  frame_.CreateButtons();
  CreateCheckboxes();
  CreateLinks();
}

void FirstScreen::CreateCheckboxes() {
  HWND window = frame_.window;
  const WindowLook& look = *frame_.look;
  const BrandInfo& brand = *frame_.brand;
  CheckboxStateInputs inputs;
  inputs.make_browser_default = brand.make_browser_default;
  inputs.send_statistics = brand.send_statistics;
  inputs.open_mode = options_.open_mode;
  inputs.can_make_default = options_.can_make_default;
  inputs.kepin_offer_state = options_.kepin_offer_state;
  const CheckboxStates states = ComputeInitialCheckboxStates(inputs);
  const bool visual_styles = VisualStylesActive();
  // The tag of the line the first-paint benchmark reads.
  LOG_TAG(INFO, "CreateFirstScreenControls") << "Checkboxes: visual styles " << (visual_styles ? "on" : "off");
  CheckboxStyle style;
  style.text_colour = look.checkbox_colour;
  style.font = look.body_font;
  style.text_offset = look.checkbox_text_gap;
  auto make_checkbox = [&](int id) -> std::unique_ptr<SpriteCheckbox> {
    HWND control = ::GetDlgItem(window, id);
    if (!control) return nullptr;
    auto checkbox = std::make_unique<SpriteCheckbox>(control, look.checkbox_sprite, style, visual_styles);
    checkbox->set_background(frame_.background);
    return checkbox;
  };
  if (options_.kind & 1) {
    default_checkbox_ = make_checkbox(kIdDefaultCheckbox);
    if (default_checkbox_) default_checkbox_->SetChecked(states.default_checked);
  }
  if (options_.kind & 2) {
    HWND control = ::GetDlgItem(window, kIdStatCheckbox);
    if (control && frame_.facetune) {
      CheckboxStyle facetune_style = style;
      facetune_style.opacity = look.licence_colour.opacity;
      auto checkbox = std::make_unique<FacetuneCheckbox>(control, look.checkbox_sprite, facetune_style,
                                                         visual_styles, StatisticsSentenceWithPolicyLink(frame_.langid),
                                                         look.extra_line_spacing);
      checkbox->set_background(frame_.background);
      stat_checkbox_ = std::move(checkbox);
    } else if (control) {
      stat_checkbox_ = make_checkbox(kIdStatCheckbox);
    }
    if (stat_checkbox_) stat_checkbox_->SetChecked(states.sendstat_checked);
  }
  if (options_.kind & 4) {
    kepin_checkbox_ = make_checkbox(kIdKepinCheckbox);
    if (kepin_checkbox_) kepin_checkbox_->SetChecked(states.kepin_checked);
  }
}

void FirstScreen::CreateLinks() {
  HWND window = frame_.window;
  const WindowLook& look = *frame_.look;
  if (HWND licence = ::GetDlgItem(window, kIdLicenceLink)) {
    licence_link_ = std::make_unique<LinkControl>(licence, look.licence_link_colour.colour,
                                                  look.licence_link_colour.opacity, look.link_font, frame_.background);
    if (AccessibleProxy* proxy = AccessibleProxy::For(licence)) {
      proxy->SetRole(kAccRoleLink);
      proxy->SetName(RemoveParentheses(LoadUiString(
          frame_.brand->LessContrasty() ? kStringLicenceLineLessContrasty : kStringLicenceLine, frame_.langid)));
    }
  }
  HWND policy = ::GetDlgItem(window, kIdPolicyLink);
  if (policy && stat_checkbox_) {
    policy_link_ = std::make_unique<LinkControl>(policy, look.licence_link_colour.colour,
                                                 look.licence_link_colour.opacity, look.link_font, frame_.background);
    if (AccessibleProxy* proxy = AccessibleProxy::For(policy)) {
      proxy->SetRole(kAccRoleLink);
      proxy->SetName(LoadUiString(kStringPrivacyPolicy, frame_.langid));
    }
  } else if (policy) {
    ::ShowWindow(policy, SW_HIDE);
  }
}

void FirstScreen::Layout() {
  const WindowLook& look = *frame_.look;
  frame_.PlaceTitle();

  auto place_checkbox = [&](SpriteCheckbox* checkbox, RECT rect) -> RECT {
    if (!checkbox || IsZero(rect)) {
      if (checkbox) ::ShowWindow(checkbox->hwnd(), SW_HIDE);
      return RECT{};
    }
    const int height = checkbox->MeasureHeight(rect);
    rect.bottom = rect.top + height;
    frame_.PlaceAt(checkbox->hwnd(), rect, SIZE{rect.right - rect.left, height}, true);
    return rect;
  };
  RECT stat_rect = {};
  if (frame_.brand->LessContrasty()) {
    stat_rect = place_checkbox(stat_checkbox_.get(), look.stat_checkbox);
    RECT default_rect = look.default_checkbox;
    if (!IsZero(stat_rect) && !IsZero(default_rect)) {
      const int height = default_rect.bottom - default_rect.top;
      default_rect.top = stat_rect.bottom + Scaled(4, look.scale);
      default_rect.bottom = default_rect.top + height;
    }
    place_checkbox(default_checkbox_.get(), default_rect);
    place_checkbox(kepin_checkbox_.get(), look.kepin_checkbox);
  } else {
    place_checkbox(default_checkbox_.get(), look.default_checkbox);
    place_checkbox(kepin_checkbox_.get(), look.kepin_checkbox);
    stat_rect = place_checkbox(stat_checkbox_.get(), look.stat_checkbox);
  }

  // The privacy link goes with the statistics text.
  if (policy_link_ && !IsZero(stat_rect)) {
    if (auto* facetune = dynamic_cast<FacetuneCheckbox*>(stat_checkbox_.get())) {
      facetune->LayoutLinks(policy_link_->hwnd());
    } else {
      const SIZE text = policy_link_->MeasureText();
      const int left = stat_rect.left + stat_checkbox_->frame_size().cx + look.checkbox_text_gap;
      RECT link = {left, stat_rect.bottom + Scaled(2, look.scale), left + text.cx,
                   stat_rect.bottom + Scaled(2, look.scale) + text.cy};
      frame_.PlaceAt(policy_link_->hwnd(), link, SIZE{text.cx, text.cy}, true);
    }
    ::ShowWindow(policy_link_->hwnd(), SW_SHOW);
  }

  if (install_button_)
    frame_.PlaceAt(install_button_->hwnd(), look.install_button, install_button_->GetSize(), true);
  if (SpriteButton* close = frame_.close_button.get())
    frame_.PlaceAt(close->hwnd(), look.close_button, close->GetSize(), true);
}

void FirstScreen::FixTabOrder() {
  const bool less = frame_.brand->LessContrasty();
  const int order_normal[] = {kIdInstall, kIdLicenceLink, kIdPolicyLink, kIdDefaultCheckbox,
                              kIdKepinCheckbox, kIdStatCheckbox, kIdClose};
  const int order_less[] = {kIdInstall, kIdLicenceLink, kIdPolicyLink, kIdStatCheckbox,
                            kIdKepinCheckbox, kIdDefaultCheckbox, kIdClose};
  const int* order = less ? order_less : order_normal;
  HWND previous = HWND_TOP;
  for (int i = 0; i < 7; ++i) {
    // Every window with the id (the licence line has several pieces).
    for (HWND child = ::GetWindow(frame_.window, GW_CHILD); child;) {
      HWND next = ::GetWindow(child, GW_HWNDNEXT);
      if (::GetDlgCtrlID(child) == order[i]) {
        ::SetWindowPos(child, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = child;
      }
      child = next;
    }
  }
}

void FirstScreen::Paint(HDC dc, const RECT& client) const {
  const WindowLook& look = *frame_.look;
  const ResourceBitmap& background = frame_.background;
  background.Draw(dc, 0, 0, client.right - client.left, client.bottom - client.top, 0, 0, background.Width(),
                  background.Height());
  if (!frame_.facetune) {
    const ResourceBitmap& logo_picture = look.logo_dark;
    const RECT& logo = look.logo;
    logo_picture.Draw(dc, logo.left, logo.top, logo_picture.Width(), logo_picture.Height(), 0, 0,
                      logo_picture.Width(), logo_picture.Height());
  } else if (!look.minimize_glyph.empty()) {
    const RECT& place = look.minimize_button;
    look.minimize_glyph.Draw(dc, place.left, place.top);
  }
}

SpriteCheckbox* FirstScreen::CheckboxFor(HWND control) const {
  for (SpriteCheckbox* checkbox : {default_checkbox_.get(), stat_checkbox_.get(), kepin_checkbox_.get()})
    if (checkbox && checkbox->hwnd() == control) return checkbox;
  return nullptr;
}

LinkControl* FirstScreen::LinkFor(HWND control) const {
  for (LinkControl* link : {policy_link_.get(), licence_link_.get()})
    if (link && link->hwnd() == control) return link;
  return nullptr;
}

bool FirstScreen::DrawItem(const DRAWITEMSTRUCT& draw) const {
  const WindowLook& look = *frame_.look;
  switch (static_cast<int>(draw.CtlID)) {
    case kIdLicenceText:
      DrawBackgroundUnder(draw.hDC, frame_.background, draw.hwndItem, draw.rcItem);
      DrawTextWithOpacity(draw.hDC, draw.rcItem, GetWindowTextString(draw.hwndItem), look.body_font,
                          look.licence_colour.colour, look.licence_colour.opacity,
                          DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
      return true;
    case kIdDefaultCheckbox:
    case kIdStatCheckbox:
    case kIdKepinCheckbox:
      if (SpriteCheckbox* checkbox = CheckboxFor(draw.hwndItem)) checkbox->PaintOwnerDraw(draw);
      return true;
    case kIdPolicyLink:
    case kIdLicenceLink:
      if (LinkControl* link = LinkFor(draw.hwndItem)) link->Paint(draw);
      return true;
    default:
      return false;
  }
}

void FirstScreen::Toggle(int id) {
  SpriteCheckbox* checkbox = id == kIdDefaultCheckbox ? default_checkbox_.get()
                             : id == kIdStatCheckbox  ? stat_checkbox_.get()
                                                      : kepin_checkbox_.get();
  if (checkbox) checkbox->Toggle();
}

void FirstScreen::Destroy(bool skipped) {
  std::vector<int> ids = {kIdInstall,      kIdClose,         kIdTitle,      kIdLicenceLink, kIdDefaultCheckbox,
                          kIdStatCheckbox, kIdKepinCheckbox, kIdPolicyLink, kIdLicenceText};
  if (frame_.facetune) ids.erase(std::remove(ids.begin(), ids.end(), kIdClose), ids.end());
  if (skipped) ids.erase(std::remove(ids.begin(), ids.end(), kIdTitle), ids.end());
  for (int id : ids) frame_.DestroyControls(id);
  install_button_.reset();
  licence_link_.reset();
  policy_link_.reset();
  default_checkbox_.reset();
  stat_checkbox_.reset();
  kepin_checkbox_.reset();
  if (!frame_.facetune) frame_.close_button.reset();
}

}  // namespace lite_installer
