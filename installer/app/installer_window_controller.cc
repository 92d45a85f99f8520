// The product's window controller: a thin layer over `Installer`, which
// runs the installation on its own install thread.
#include <memory>
#include <string>

#include "base/logging.h"
#include "installer/app/startup_steps.h"
#include "installer/controller/installer.h"
#include "installer/ui/window/window_controller.h"
#include "installer/util/install_stat_sender.h"

namespace lite_installer {
namespace {

class InstallerWindowController : public WindowController {
 public:
  InstallerWindowController(InstallProgressReceiver* receiver, const BrandInfo* brand,
                            const DistribInfoParams* params, const InstallerOptions* options)
      : installer_(receiver, brand, params, options, /*with_remote_configuration=*/true) {}

  void SetInstallationType(std::string_view type) override {
    LOG(INFO) << "Installation type: " << std::string(type);
  }
  void SetInterfaceAvailability(uint32_t status) override { installer_.set_interface_availability(status); }
  bool StartAsync() override { return installer_.StartAsync(); }
  bool StartElevatedInstaller() override { return installer_.StartElevatedInstaller(); }
  void RecordClickTime() override { installer_.RecordClickTime(); }
  void SetMakeDefault(bool make_default) override { installer_.SetMakeDefault(make_default); }
  void SetSendStatistics(bool send) override { installer_.set_send_statistics(send); }
  void SetPinAssistant(bool pin) override { installer_.set_pin_assistant(pin); }
  void AllowInstall() override { installer_.AllowInstall(); }
  bool Stop() override { return installer_.WaitForInstallAsync(); }
  void CountCancel() override { installer_.set_cancelled(true); }
  int32_t ResultCode() const override { return installer_.result_code(); }

  void RaiseWindowEvent(std::string_view kind, std::wstring_view value) override {
    installer_util::InstallStatSender* stats = installer_.stats();
    if (!stats) return;
    const std::wstring text(value);
    if (kind == "clicked_button")
      stats->SendClickedButtonEvent(text);
    else if (kind == "clicked_link")
      stats->SendClickedLinkEvent(text);
    else if (kind == "chosen_checkbox")
      stats->SendChosenCheckboxEvent(text);
  }
  void RaiseInstallClicked(bool default_checked, bool sendstat_checked) override {
    if (installer_util::InstallStatSender* stats = installer_.stats())
      stats->SendInstallButtonClickedEvent(default_checked, sendstat_checked);
  }

 private:
  Installer installer_;
};

}  // namespace

std::unique_ptr<WindowController> CreateInstallerWindowController(InstallProgressReceiver* receiver,
                                                                  const BrandInfo* brand,
                                                                  const DistribInfoParams* params,
                                                                  const InstallerOptions* options) {
  return std::make_unique<InstallerWindowController>(receiver, brand, params, options);
}

}  // namespace lite_installer
