// What each installer dialog shows and does: the kinds of the redesigned
// look and of the classic look with their string ids, the choice of the
// error dialog for a controller error code, the pages the dialogs open and
// the sizes the redesigned layout gives. Pure code (no Windows header).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lite_installer {

// End codes of a dialog: main button, second button, close button.
constexpr int kDialogEndMain = 1;
constexpr int kDialogEndSecond = 212;
constexpr int kDialogEndClose = 213;

enum class DialogButtonStyle { kPrimary, kSecondary };

// What the main button does before the dialog ends with 1.
enum class DialogAction {
  kClose,
  kOpenSupportPage,
  kOpenDownloadPage,
  kOpenBrowserSite,
  kOpenFeedbackPage,
  kLaunchBrowser,
};

// String ids of one dialog; 0 means no such text (a missing second button
// text hides the second button).
struct DialogTexts {
  uint32_t title = 0;
  uint32_t text = 0;
  uint32_t main_button = 0;
  uint32_t second_button = 0;
};

struct RedesignedKind {
  DialogTexts texts;
  DialogButtonStyle main_style = DialogButtonStyle::kPrimary;
  DialogAction action = DialogAction::kClose;
};

// Redesigned kinds 0 to 12; nullopt for any other kind.
std::optional<RedesignedKind> RedesignedDialogKind(int kind);

enum class ClassicKind {
  kNewerVersion,
  kCorporateNewerVersion,
  kCorporateBrowserExists,
  kResume,
  kUnsupportedSystem,
  kNotEnoughDiskSpace,
};

struct ClassicKindInfo {
  DialogTexts texts;
  DialogAction action = DialogAction::kClose;
};
ClassicKindInfo ClassicDialogKind(ClassicKind kind);

// The redesigned kind shown for a controller error code: none for 0; 5, 8,
// 9, 10 and 11 for the codes 3 to 7; for 1, 2 and every other code kind 12
// when the download button is disabled ("disable-error-dialog-download-
// button"), else kind 6.
std::optional<int> ErrorDialogKindForCode(int32_t code, bool download_button_disabled);

// Kind 12's text: the message, a line break and the log file's path.
std::wstring TextWithLogPath(std::wstring text, std::wstring_view log_path);

// Top-level domain of the dialogs' regional sites for a brand id.
std::string DialogDomainZone(std::string_view brand_id);

// Pages that the main buttons open. `site_stem` and `browser_site_stem` are
// scheme and host without the zone ("https://kelmor" + "." + zone).
std::string SupportPageUrl(std::string_view site_stem, std::string_view brand_id);
std::string BrowserSiteUrl(std::string_view browser_site_stem, std::string_view brand_id);
std::string FeedbackPageUrl(std::string_view browser_site_stem, std::string_view brand_id);

// The redesigned layout: where title, text, buttons and the close button go
// for measured sizes (all values already scaled).
struct DialogBox {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const DialogBox&) const = default;
};
struct DialogExtent {
  int width = 0;
  int height = 0;
};
struct RedesignedMetrics {
  int margin_left = 30;
  int margin_top = 30;
  int margin_right = 50;
  int margin_bottom = 30;
  int title_to_text = 16;
  int text_to_buttons = 24;
  int button_padding_x = 16;
  int button_padding_y = 10;
  int button_gap = 10;
  int buttons_to_right = 40;
  int close_inset = 10;
  int close_size = 20;
};
// `metrics` scaled by `factor` (each value truncated).
RedesignedMetrics ScaledRedesignedMetrics(double factor);

struct RedesignedLayout {
  DialogExtent window;
  DialogBox title;
  DialogBox text;
  DialogBox main_button;
  std::optional<DialogBox> second_button;
  DialogBox close_button;
};
// `second_text` with width 0 means there is no second button.
RedesignedLayout LayoutRedesignedDialog(const RedesignedMetrics& m, DialogExtent title, DialogExtent text,
                                        DialogExtent main_text, DialogExtent second_text);

}  // namespace lite_installer
