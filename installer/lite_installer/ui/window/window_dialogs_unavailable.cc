// The installer's dialogs are not part of this build yet. Until they are,
// every dialog request is logged and answered as if the user had closed the
// dialog: the resume question stops the installation the user asked to
// close, errors and notices end the window without showing anything.
//
// The dialogs replace this file: CreateWindowDialogs is the single place
// that builds them.
#include "installer/lite_installer/ui/window/window_dialogs.h"

#include "base/logging.h"

namespace lite_installer {
namespace {

class UnavailableDialogs : public WindowDialogs {
 public:
  int RunResume(HWND) override {
    LOG(WARNING) << "Resume dialog is not available in this build";
    return kDialogCloseButton;
  }
  void EndResume(int) override {}
  void RunError(HWND, int32_t error_kind) override {
    LOG(WARNING) << "Error dialog is not available in this build, error kind " << error_kind;
  }
  int RunNotice(HWND, NoticeKind kind) override {
    LOG(WARNING) << "Notice dialog is not available in this build, kind " << static_cast<int>(kind);
    return kDialogCloseButton;
  }
};

}  // namespace

std::unique_ptr<WindowDialogs> CreateWindowDialogs(const BrandInfo*, const DistribInfoParams*) {
  return std::make_unique<UnavailableDialogs>();
}

}  // namespace lite_installer
