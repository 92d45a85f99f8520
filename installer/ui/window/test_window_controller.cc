#include "installer/ui/window/test_window_controller.h"

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "base/logging.h"
#include "base/strings.h"
#include "base/test_hooks.h"
#include "installer/ui/install_progress_receiver.h"

namespace lite_installer {
namespace {

#if KELMOR_TEST_BUILD
#define TEST_LOG LOG_TAG(INFO, "TestWindowController")

// Every call is one log line that the window tests read.
class RecordingController : public WindowController {
 public:
  RecordingController(InstallProgressReceiver* receiver, const std::string& script) : receiver_(receiver) {
    std::vector<std::string> parts = base::SplitString(script, ';');
    result_ = parts.empty() ? 0 : static_cast<int32_t>(base::ParseInt64(parts[0]).value_or(0));
    for (size_t i = 1; i < parts.size(); ++i) {
      const std::string& step = parts[i];
      const size_t eq = step.find('=');
      const std::string name = step.substr(0, eq);
      const std::string value = eq == std::string::npos ? "" : step.substr(eq + 1);
      if (name == "error_at_start")
        error_at_start_ = static_cast<int32_t>(base::ParseInt64(value).value_or(1));
      else
        steps_.push_back({name, value});
    }
  }
  ~RecordingController() override {
    if (worker_.joinable()) worker_.join();
  }

  void SetInstallationType(std::string_view type) override { TEST_LOG << "installation type " << std::string(type); }
  void SetInterfaceAvailability(uint32_t status) override { TEST_LOG << "interface availability " << status; }
  bool StartAsync() override {
    TEST_LOG << "StartAsync";
    if (error_at_start_ && receiver_) receiver_->ShowError(error_at_start_);
    return true;
  }
  bool StartElevatedInstaller() override {
    TEST_LOG << "StartElevatedInstaller";
    return false;
  }
  void RecordClickTime() override { TEST_LOG << "RecordClickTime"; }
  void SetMakeDefault(bool v) override { TEST_LOG << "SetMakeDefault " << v; }
  void SetSendStatistics(bool v) override { TEST_LOG << "SetSendStatistics " << v; }
  void SetPinAssistant(bool v) override { TEST_LOG << "SetPinAssistant " << v; }
  void AllowInstall() override {
    TEST_LOG << "AllowInstall";
    // The steps run on a thread of their own, as the install thread's do.
    if (!steps_.empty() && receiver_ && !worker_.joinable()) worker_ = std::thread([this] { RunSteps(); });
  }
  bool Stop() override {
    TEST_LOG << "Stop";
    if (worker_.joinable()) worker_.join();
    return true;
  }
  void CountCancel() override { TEST_LOG << "CountCancel"; }
  int32_t ResultCode() const override { return result_; }
  void RaiseWindowEvent(std::string_view kind, std::wstring_view value) override {
    TEST_LOG << "window event " << std::string(kind) << "=" << value;
  }
  void RaiseInstallClicked(bool d, bool s) override { TEST_LOG << "install clicked default=" << d << " sendstat=" << s; }

 private:
  void RunSteps() {
    for (const auto& [name, value] : steps_) {
      const int64_t number = base::ParseInt64(value).value_or(0);
      if (name == "sleep") {
        ::Sleep(static_cast<DWORD>(number));
      } else if (name == "download") {
        receiver_->OnDownloadProgress(static_cast<float>(std::stod(value.empty() ? "0" : value)));
      } else if (name == "progress") {
        receiver_->SetProgress(static_cast<int32_t>(number));
      } else if (name == "error") {
        receiver_->ShowError(static_cast<int32_t>(number));
      } else if (name == "remove_cancel") {
        receiver_->RemoveCancelButton();
      } else if (name == "close") {
        receiver_->CloseWindow();
      }
    }
  }

  InstallProgressReceiver* receiver_;
  int32_t result_ = 0;
  int32_t error_at_start_ = 0;
  std::vector<std::pair<std::string, std::string>> steps_;
  std::thread worker_;
};
#endif

}  // namespace

std::unique_ptr<WindowController> CreateTestWindowController(InstallProgressReceiver* receiver) {
#if KELMOR_TEST_BUILD
  std::optional<std::string> hook = base::GetTestHook("WINDOW_CONTROLLER");
  if (!hook) return nullptr;
  return std::make_unique<RecordingController>(receiver, *hook);
#else
  (void)receiver;
  return nullptr;
#endif
}

}  // namespace lite_installer
