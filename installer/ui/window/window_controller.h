// What the installer window needs from the installer controller. The
// window owns one; the product's is a thin layer over `Installer`
// (installer_window_controller.cc), tests give their own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace lite_installer {

class BrandInfo;
class DistribInfoParams;
class InstallProgressReceiver;

class WindowController {
 public:
  virtual ~WindowController() = default;

  // "corporate", "user" or "none".
  virtual void SetInstallationType(std::string_view type) = 0;
  // The status number of the default-browser interface check.
  virtual void SetInterfaceAvailability(uint32_t status) = 0;
  // Starts the install thread (the download runs while the first screen shows).
  virtual bool StartAsync() = 0;
  // Starts the elevated instance now; false when that failed or was refused.
  virtual bool StartElevatedInstaller() = 0;
  virtual void RecordClickTime() = 0;
  virtual void SetMakeDefault(bool make_default) = 0;
  virtual void SetSendStatistics(bool send) = 0;
  virtual void SetPinAssistant(bool pin) = 0;
  // The go-ahead: setup may run once the download is done.
  virtual void AllowInstall() = 0;
  // Sets the stop event and waits up to a minute for the install thread;
  // false when it is still running.
  virtual bool Stop() = 0;
  // The user chose to stop the installation.
  virtual void CountCancel() = 0;
  virtual int32_t ResultCode() const = 0;

  // Window statistics: `kind` is "clicked_button", "clicked_link" or
  // "chosen_checkbox".
  virtual void RaiseWindowEvent(std::string_view kind, std::wstring_view value) = 0;
  // The Install press with the two checkbox states.
  virtual void RaiseInstallClicked(bool default_checked, bool sendstat_checked) = 0;
};

}  // namespace lite_installer
