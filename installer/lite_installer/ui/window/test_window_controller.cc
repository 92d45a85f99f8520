#include "installer/lite_installer/ui/window/test_window_controller.h"

#include "base/logging.h"
#include "base/strings.h"
#include "base/test_hooks.h"

namespace lite_installer {
namespace {

#if KELMOR_TEST_BUILD
// Every call is one log line that the window tests read.
class RecordingController : public WindowController {
 public:
  explicit RecordingController(int32_t result) : result_(result) {}

  void SetInstallationType(std::string_view type) override { LOG_TAG(INFO, "TestWindowController") << "installation type " << std::string(type); }
  void SetInterfaceAvailability(uint32_t status) override { LOG_TAG(INFO, "TestWindowController") << "interface availability " << status; }
  bool StartAsync() override {
    LOG_TAG(INFO, "TestWindowController") << "StartAsync";
    return true;
  }
  bool StartElevatedInstaller() override {
    LOG_TAG(INFO, "TestWindowController") << "StartElevatedInstaller";
    return false;
  }
  void RecordClickTime() override { LOG_TAG(INFO, "TestWindowController") << "RecordClickTime"; }
  void SetMakeDefault(bool v) override { LOG_TAG(INFO, "TestWindowController") << "SetMakeDefault " << v; }
  void SetSendStatistics(bool v) override { LOG_TAG(INFO, "TestWindowController") << "SetSendStatistics " << v; }
  void SetPinAssistant(bool v) override { LOG_TAG(INFO, "TestWindowController") << "SetPinAssistant " << v; }
  void AllowInstall() override { LOG_TAG(INFO, "TestWindowController") << "AllowInstall"; }
  bool Stop() override {
    LOG_TAG(INFO, "TestWindowController") << "Stop";
    return true;
  }
  void CountCancel() override { LOG_TAG(INFO, "TestWindowController") << "CountCancel"; }
  int32_t ResultCode() const override { return result_; }
  void RaiseWindowEvent(std::string_view kind, std::wstring_view value) override {
    LOG_TAG(INFO, "TestWindowController") << "window event " << std::string(kind) << "=" << value;
  }
  void RaiseInstallClicked(bool d, bool s) override { LOG_TAG(INFO, "TestWindowController") << "install clicked default=" << d << " sendstat=" << s; }

 private:
  int32_t result_;
};
#endif

}  // namespace

std::unique_ptr<WindowController> CreateTestWindowController() {
#if KELMOR_TEST_BUILD
  std::optional<std::string> hook = base::GetTestHook("WINDOW_CONTROLLER");
  if (!hook) return nullptr;
  return std::make_unique<RecordingController>(static_cast<int32_t>(base::ParseInt64(*hook).value_or(0)));
#else
  return nullptr;
#endif
}

}  // namespace lite_installer
