#include "installer/ui/dialogs/dialog_kinds.h"

#include <algorithm>
#include <array>

namespace lite_installer {
namespace {

using S = DialogButtonStyle;
using A = DialogAction;

constexpr uint32_t kGotIt = 500;
constexpr uint32_t kStop = 503;
constexpr uint32_t kContactUs = 506;

const std::array<RedesignedKind, 13> kRedesignedKinds = {{
    {{455, 456, kGotIt, 0}, S::kSecondary, A::kClose},
    {{472, 473, kGotIt, 0}, S::kSecondary, A::kClose},
    {{476, 477, 501, 0}, S::kPrimary, A::kOpenSupportPage},
    {{498, 499, kGotIt, 0}, S::kSecondary, A::kClose},
    {{492, 493, 508, 509}, S::kPrimary, A::kClose},
    {{441, 442, kGotIt, 0}, S::kSecondary, A::kClose},
    {{432, 452, 507, kStop}, S::kPrimary, A::kOpenDownloadPage},
    {{421, 422, 502, kStop}, S::kPrimary, A::kClose},
    {{444, 445, 504, 0}, S::kPrimary, A::kOpenBrowserSite},
    {{447, 0, 505, 0}, S::kPrimary, A::kLaunchBrowser},
    {{449, 450, kContactUs, 0}, S::kPrimary, A::kOpenFeedbackPage},
    {{437, 438, kContactUs, 0}, S::kPrimary, A::kOpenFeedbackPage},
    {{434, 435, kContactUs, 0}, S::kPrimary, A::kOpenFeedbackPage},
}};

std::string ZoneUrl(std::string_view stem, std::string_view brand_id, std::string_view path) {
  std::string url(stem);
  url += ".";
  url += DialogDomainZone(brand_id);
  url += path;
  return url;
}

}  // namespace

std::optional<RedesignedKind> RedesignedDialogKind(int kind) {
  if (kind < 0 || kind >= static_cast<int>(kRedesignedKinds.size())) return std::nullopt;
  return kRedesignedKinds[static_cast<size_t>(kind)];
}

ClassicKindInfo ClassicDialogKind(ClassicKind kind) {
  switch (kind) {
    case ClassicKind::kNewerVersion:
      return {{453, 454, 460, 0}, A::kClose};
    case ClassicKind::kCorporateNewerVersion:
      return {{496, 497, 460, 0}, A::kClose};
    case ClassicKind::kCorporateBrowserExists:
      return {{490, 491, 494, 495}, A::kClose};
    case ClassicKind::kResume:
      return {{418, 0, 419, 420}, A::kClose};
    case ClassicKind::kUnsupportedSystem:
      return {{474, 475, 478, 479}, A::kOpenSupportPage};
    case ClassicKind::kNotEnoughDiskSpace:
      return {{470, 471, 460, 0}, A::kClose};
  }
  return {};
}

std::optional<int> ErrorDialogKindForCode(int32_t code, bool download_button_disabled) {
  switch (code) {
    case 0:
      return std::nullopt;
    case 3:
      return 5;
    case 4:
      return 8;
    case 5:
      return 9;
    case 6:
      return 10;
    case 7:
      return 11;
    default:
      return download_button_disabled ? 12 : 6;
  }
}

std::wstring TextWithLogPath(std::wstring text, std::wstring_view log_path) {
  text += L"\r\n";
  text += log_path;
  return text;
}

std::string DialogDomainZone(std::string_view brand_id) {
  if (brand_id == "tr") return "com.tr";
  if (brand_id == "int") return "com";
  if (brand_id == "ua-uk" || brand_id == "ua-ru") return "ua";
  return "ru";
}

std::string SupportPageUrl(std::string_view site_stem, std::string_view brand_id) {
  return ZoneUrl(site_stem, brand_id, "/support/browser/about/install.xml");
}

std::string BrowserSiteUrl(std::string_view browser_site_stem, std::string_view brand_id) {
  return ZoneUrl(browser_site_stem, brand_id, "/?from=installer");
}

std::string FeedbackPageUrl(std::string_view browser_site_stem, std::string_view brand_id) {
  return ZoneUrl(browser_site_stem, brand_id, "/feedback/?from=installer");
}

RedesignedMetrics ScaledRedesignedMetrics(double factor) {
  auto s = [factor](int v) { return static_cast<int>(v * factor); };
  RedesignedMetrics m;
  m.margin_left = s(m.margin_left);
  m.margin_top = s(m.margin_top);
  m.margin_right = s(m.margin_right);
  m.margin_bottom = s(m.margin_bottom);
  m.title_to_text = s(m.title_to_text);
  m.text_to_buttons = s(m.text_to_buttons);
  m.button_padding_x = s(m.button_padding_x);
  m.button_padding_y = s(m.button_padding_y);
  m.button_gap = s(m.button_gap);
  m.buttons_to_right = s(m.buttons_to_right);
  m.close_inset = s(m.close_inset);
  m.close_size = s(m.close_size);
  return m;
}

RedesignedLayout LayoutRedesignedDialog(const RedesignedMetrics& m, DialogExtent title, DialogExtent text,
                                        DialogExtent main_text, DialogExtent second_text) {
  RedesignedLayout out;
  out.title = {m.margin_left, m.margin_top, m.margin_left + title.width, m.margin_top + title.height};
  const int text_top = out.title.bottom + m.title_to_text;
  out.text = {m.margin_left, text_top, m.margin_left + text.width, text_top + text.height};
  const int row_top = out.text.bottom + m.text_to_buttons;

  const DialogExtent main = {main_text.width + 2 * m.button_padding_x, main_text.height + 2 * m.button_padding_y};
  const bool has_second = second_text.width > 0;
  const DialogExtent second = {has_second ? second_text.width + 2 * m.button_padding_x : 0,
                               has_second ? second_text.height + 2 * m.button_padding_y : 0};
  const int buttons = main.width + (has_second ? m.button_gap + second.width : 0);

  const int widest = std::max(title.width, text.width);
  const int width = std::max(widest + m.margin_right, buttons + m.buttons_to_right) + m.margin_left;
  const int row_height = std::max(main.height, second.height);
  out.window = {width, row_top + row_height + m.margin_bottom};

  // The row ends buttons_to_right from the right edge.
  const int row_right = width - m.buttons_to_right;
  if (has_second) {
    out.second_button = DialogBox{row_right - second.width, row_top, row_right, row_top + second.height};
    const int main_right = out.second_button->left - m.button_gap;
    out.main_button = {main_right - main.width, row_top, main_right, row_top + main.height};
  } else {
    out.main_button = {row_right - main.width, row_top, row_right, row_top + main.height};
  }
  out.close_button = {width - m.close_inset - m.close_size, m.close_inset, width - m.close_inset,
                      m.close_inset + m.close_size};
  return out;
}

}  // namespace lite_installer
