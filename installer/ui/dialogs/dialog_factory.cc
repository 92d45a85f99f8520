#include "installer/ui/dialogs/dialog_factory.h"

#include <shellapi.h>

#include <string>

#include "base/files.h"
#include "base/logging.h"
#include "base/process.h"
#include "base/strings.h"
#include "build_config.h"
#include "installer/config/brand_info.h"
#include "installer/config/distrib_info_params.h"
#include "installer/config/existing_installation.h"
#include "installer/config/installer_command_line.h"
#include "installer/util/file_logger.h"
#include "installer/ui/ui_strings.h"
#include "installer/util/win_version.h"

namespace lite_installer {
namespace {

constexpr int kKindWithLogPath = 12;

LANGID LanguageOf(const BrandInfo& brand) { return static_cast<LANGID>(brand.language_id); }

bool RoundedCorners() {
  const installer_util::WindowsVersion version = installer_util::GetWindowsVersion();
  const bool rounded = installer_util::IsWindows8OrLater();
  LOG(INFO) << "Dialog on Windows " << version.major << "." << version.minor
            << (rounded ? ", rounded corners" : ", square corners");
  return rounded;
}

void OpenPage(const std::string& url) {
  LOG(INFO) << "Opening " << url;
  const std::wstring wide = base::Utf8ToWide(url);
  const HINSTANCE result = ::ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  if (reinterpret_cast<INT_PTR>(result) <= 32)
    LOG(ERROR) << "Failed to open " << url << ", error " << reinterpret_cast<INT_PTR>(result);
}

void LaunchInstalledBrowser() {
  const std::wstring directory = GetBrowserApplicationDirectory();
  if (directory.empty()) {
    LOG(ERROR) << "No browser application directory";
    return;
  }
  const std::wstring path = base::PathJoin(directory, L"browser.exe");
  LOG(INFO) << "Starting the installed browser " << path;
  base::ScopedHandle process = base::LaunchProcess(QuoteArgumentIfNeeded(path));
  if (!process) PLOG(ERROR, ::GetLastError()) << "Failed to start " << path;
}

std::unique_ptr<InstallerDialog> WithAction(std::unique_ptr<InstallerDialog> dialog, DialogAction action,
                                            const BrandInfo& brand, const DistribInfoParams* params) {
  if (action != DialogAction::kClose)
    dialog->set_main_action([action, &brand, params] { PerformDialogAction(action, brand, params); });
  return dialog;
}

std::unique_ptr<InstallerDialog> NoticeOfInvalidKind(int kind, const BrandInfo& brand) {
  LOG(ERROR) << "No notice of kind " << kind;
  return CreateRedesignedDialog(DialogContent{}, DialogButtonStyle::kSecondary, LanguageOf(brand), RoundedCorners());
}

}  // namespace

void PerformDialogAction(DialogAction action, const BrandInfo& brand, const DistribInfoParams* params) {
  switch (action) {
    case DialogAction::kClose:
      break;
    case DialogAction::kOpenSupportPage:
      OpenPage(SupportPageUrl(KELMOR_REGIONAL_SITE_STEM, brand.brand_id));
      break;
    case DialogAction::kOpenBrowserSite:
      OpenPage(BrowserSiteUrl(KELMOR_SITE_STEM, brand.brand_id));
      break;
    case DialogAction::kOpenFeedbackPage:
      OpenPage(FeedbackPageUrl(KELMOR_SITE_STEM, brand.brand_id));
      break;
    case DialogAction::kOpenDownloadPage:
      if (params) {
        OpenPage(BuildDownloadPageUrl(*params, brand));
      } else {
        const DistribInfoParams none;
        OpenPage(BuildDownloadPageUrl(none, brand));
      }
      break;
    case DialogAction::kLaunchBrowser:
      LaunchInstalledBrowser();
      break;
  }
}

std::unique_ptr<InstallerDialog> CreateRedesignedKind(int kind, const BrandInfo& brand,
                                                      const DistribInfoParams* params) {
  const std::optional<RedesignedKind> info = RedesignedDialogKind(kind);
  if (!info) return NoticeOfInvalidKind(kind, brand);
  DialogContent content = LoadDialogContent(info->texts, LanguageOf(brand));
  if (kind == kKindWithLogPath) content.text = TextWithLogPath(content.text, GetLogFilePath());
  return WithAction(CreateRedesignedDialog(std::move(content), info->main_style, LanguageOf(brand), RoundedCorners()),
                    info->action, brand, params);
}

std::unique_ptr<InstallerDialog> CreateClassicKind(ClassicKind kind, const BrandInfo& brand,
                                                   const DistribInfoParams* params) {
  return WithAction(CreateClassicDialog(kind, LanguageOf(brand)), ClassicDialogKind(kind).action, brand, params);
}

ErrorChooser::ErrorChooser(const BrandInfo& brand, const DistribInfoParams& params, bool download_button)
    : brand_(brand), params_(params), download_button_(download_button) {}

std::unique_ptr<InstallerDialog> ErrorChooser::ForCode(int32_t code) {
  const std::optional<int> kind = ErrorDialogKindForCode(code, !download_button_);
  if (!kind) return nullptr;
  return CreateRedesignedKind(*kind, brand_, &params_);
}

std::unique_ptr<InstallerDialog> DialogFactory::CreateNotice(int kind, const BrandInfo& brand,
                                                             const DistribInfoParams& params) {
  if (kind != 0 && kind != 3 && kind != 4) return NoticeOfInvalidKind(kind, brand);
  if (brand.DialogsRedesign()) return CreateRedesignedKind(kind, brand, &params);
  const ClassicKind classic = kind == 0   ? ClassicKind::kNewerVersion
                              : kind == 3 ? ClassicKind::kCorporateNewerVersion
                                          : ClassicKind::kCorporateBrowserExists;
  return CreateClassicKind(classic, brand, &params);
}

std::unique_ptr<InstallerDialog> DialogFactory::CreateResume(const BrandInfo& brand, const DistribInfoParams& params) {
  if (brand.DialogsRedesign()) return CreateRedesignedKind(7, brand, &params);
  return CreateClassicKind(ClassicKind::kResume, brand, &params);
}

std::unique_ptr<InstallerDialog> DialogFactory::CreateUnsupportedSystem(const BrandInfo& brand) {
  if (brand.FacetuneEnabled()) return CreateRedesignedKind(2, brand, nullptr);
  return CreateClassicKind(ClassicKind::kUnsupportedSystem, brand, nullptr);
}

std::unique_ptr<ErrorChooser> DialogFactory::CreateErrorChooser(const BrandInfo& brand,
                                                                const DistribInfoParams& params,
                                                                bool download_button) {
  return std::make_unique<ErrorChooser>(brand, params, download_button);
}

std::unique_ptr<InstallerDialog> CreateNotEnoughDiskSpaceDialog(const BrandInfo& brand) {
  return CreateClassicKind(ClassicKind::kNotEnoughDiskSpace, brand, nullptr);
}

}  // namespace lite_installer
