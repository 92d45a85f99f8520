// The window's dialogs, built by the dialog factory: the resume question is
// made once and run again whenever the user asks to close during the
// installation; errors go through the error chooser.
#include "installer/ui/window/window_dialogs.h"

#include "base/logging.h"
#include "installer/config/brand_info.h"
#include "installer/config/distrib_info_params.h"
#include "installer/ui/dialogs/dialog_factory.h"

namespace lite_installer {
namespace {

class FactoryDialogs : public WindowDialogs {
 public:
  FactoryDialogs(const BrandInfo& brand, const DistribInfoParams& params, bool error_download_button)
      : brand_(brand), params_(params), error_download_button_(error_download_button) {}

  int RunResume(HWND owner) override {
    if (!resume_) resume_ = factory_.CreateResume(brand_, params_);
    const int code = resume_->Run(owner);
    LOG(INFO) << "Resume dialog ended with " << code;
    return code;
  }

  void EndResume(int code) override {
    if (resume_) resume_->End(code);
  }

  void RunError(HWND owner, int32_t error_kind) override {
    std::unique_ptr<ErrorChooser> chooser = factory_.CreateErrorChooser(brand_, params_, error_download_button_);
    std::unique_ptr<InstallerDialog> dialog = chooser->ForCode(error_kind);
    if (!dialog) return;
    const int code = dialog->Run(owner);
    LOG(INFO) << "Error dialog for error kind " << error_kind << " ended with " << code;
  }

  int RunNotice(HWND owner, NoticeKind kind) override {
    std::unique_ptr<InstallerDialog> dialog = factory_.CreateNotice(static_cast<int>(kind), brand_, params_);
    const int code = dialog->Run(owner);
    LOG(INFO) << "Notice dialog of kind " << static_cast<int>(kind) << " ended with " << code;
    return code;
  }

 private:
  const BrandInfo& brand_;
  const DistribInfoParams& params_;
  bool error_download_button_;
  DialogFactory factory_;
  std::unique_ptr<InstallerDialog> resume_;
};

}  // namespace

std::unique_ptr<WindowDialogs> CreateWindowDialogs(const BrandInfo* brand, const DistribInfoParams* params,
                                                   bool error_download_button) {
  if (!brand || !params) {
    LOG(ERROR) << "No brand record for the dialogs";
    return nullptr;
  }
  return std::make_unique<FactoryDialogs>(*brand, *params, error_download_button);
}

}  // namespace lite_installer
