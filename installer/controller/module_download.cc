// The setup archive: where it goes, which URLs are tried, and the attempts.
#include <windows.h>

#include "base/files.h"
#include "base/logging.h"
#include "base/strings.h"
#include "build_config.h"
#include "installer/config/brand_info.h"
#include "installer/controller/controller_ports.h"
#include "installer/controller/installer.h"
#include "installer/config/installer_options.h"
#include "installer/controller/installer_events.h"
#include "installer/controller/download_plan.h"
#include "installer/util/downloader.h"
#include "installer/util/file_version.h"
#include "installer/util/win_version.h"

namespace lite_installer {
namespace {

constexpr char kUrlSuffix[] = "?from_installer=true";
constexpr char kOldSystemsArchivePath[] = "/browser-partners/_xp_builds/browser-setup.arc";

// Passes the client's notices to the controller's progress receiver.
class DownloadProgressForwarder : public installer_util::DownloadProgressObserver {
 public:
  explicit DownloadProgressForwarder(InstallProgressReceiver* receiver) : receiver_(receiver) {}
  void OnProgress(float fraction) override {
    if (receiver_) receiver_->OnDownloadProgress(fraction);
  }
  void OnSlowDownload() override {
    if (receiver_) receiver_->OnSlowDownload();
  }
  void OnTimeEstimate(int32_t seconds, int32_t phase) override {
    if (receiver_) receiver_->OnDownloadTimeEstimate(seconds + 240, phase);
  }

 private:
  InstallProgressReceiver* receiver_;
};

}  // namespace

bool GetModuleCreationTime(const std::wstring& path, uint64_t* micros) {
  uint32_t high = 0;
  uint32_t low = 0;
  if (!installer_util::GetFileDate(path, &high, &low)) {
    LOG(WARNING) << "File version resource is absent in " << path;
  } else if (high == 0 && low == 0) {
    LOG(WARNING) << "Version time is 0 in " << path;
  } else {
    *micros = (static_cast<uint64_t>(high) << 32) | low;
    return true;
  }
  LOG(WARNING) << "Used the last write file time";
  FILETIME written;
  if (!installer_util::GetFileTimes(path, nullptr, nullptr, &written)) return false;
  *micros = ((static_cast<uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime) / 10;
  return true;
}

std::wstring Installer::GetModulePath() {
  std::wstring path;
  wchar_t buffer[MAX_PATH];
  if (!temp_dir_.empty() && ::GetTempFileNameW(temp_dir_.c_str(), L"kb", 0, buffer) != 0)
    path = buffer;
  if (path.empty()) PLOG(ERROR, ::GetLastError()) << "Cannot obtain temp file.";
  return path;
}

int Installer::GetModule(const std::wstring& path, installer_util::DownloadTargetFile* lock_holder) {
  const uint64_t start = ports_->NowMicros();
  bool downloaded = false;
  const int result = DownloadOrExtractModule(path, &downloaded, lock_holder);
  download_duration_ = static_cast<int64_t>(ports_->NowMicros() - start);
  if (result != kModuleDownloaded) {
    PLOG(ERROR, ::GetLastError()) << "Module was not downloaded: " << path;
    result_code_ = kResultDownloadFailed;
    return result;
  }
  LOG(INFO) << "Module downloaded: " << path;
  OnModuleDownloaded(stats_.get(), path, download_duration_);
  return kModuleDownloaded;
}

int Installer::DownloadOrExtractModule(const std::wstring& path, bool* downloaded,
                                       installer_util::DownloadTargetFile* lock_holder) {
  base::ScopedHandle own_file;
  HANDLE file = nullptr;
  if (lock_holder) {
    if (lock_holder->Open(path)) file = lock_holder->Handle();
  } else {
    own_file.reset(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    file = own_file.get();
  }
  if (!file || file == INVALID_HANDLE_VALUE) {
    PLOG(ERROR, ::GetLastError()) << "Cannot create file:" << path;
    return kModuleFileNotCreated;
  }
  LOG(INFO) << "Try to download module:" << path;
  const int result = DownloadModule(file, options_->download_architecture);
  if (result == kModuleDownloaded) *downloaded = true;
  return result;
}

int Installer::DownloadModule(HANDLE file, DownloadArchitecture forced_architecture) {
  installer_util::FileSink sink(file);

  int architecture;
  if (forced_architecture == DownloadArchitecture::kX64) {
    architecture = 1;
  } else if (forced_architecture == DownloadArchitecture::kX86) {
    architecture = 0;
  } else {
    SYSTEM_INFO info;
    ::GetNativeSystemInfo(&info);
    architecture = info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ? 1 : 0;
  }

  std::vector<std::string> urls;
  if (!installer_util::IsWindows7OrLater()) {
    urls.push_back(std::string(KELMOR_DOWNLOAD_HOST) + kOldSystemsArchivePath);
  } else {
    urls = GetDownloadUrlsFromBrandConfig(architecture);
  }
  for (std::string& url : urls) url += kUrlSuffix;
  if (urls.empty()) {
    LOG(ERROR) << "Setup url is empty.";
    return kModuleDownloadFailed;
  }
  // One line per address, each in the log's own line format.
  LOG(INFO) << "Selected download urls: " << urls.size();
  for (size_t i = 0; i < urls.size(); ++i)
    LOG(INFO) << "Download url " << (i + 1) << ": " << urls[i];

  DownloadProgressForwarder forwarder(receiver_);
  OnDownloadStarted(stats_.get());

  const size_t budget = DownloadAttemptBudget(urls.size());
  std::string previous_url;
  for (size_t attempt = 0; !IsStopped() && attempt < budget; ++attempt) {
    const std::string& url = urls[UrlIndexForAttempt(attempt, urls.size())];
    if (url != previous_url) {
      previous_url = url;
      sink.Reset();
    }
    std::string error;
    std::wstring redirect;
    uint32_t content_length = 0;
    installer_util::DownloadFailureInfo failure;
    const bool ok =
        ports_->DownloadArchive(base::Utf8ToWide(url), &sink, &error, &redirect, &content_length,
                                stop_event_.handle(), &forwarder, &failure);
    DownloadAttempt report{ok, url, static_cast<int>(attempt + 1), sink.bytes_written,
                           content_length, error, redirect, architecture};
    if (ok) {
      OnDownloadAttempt(stats_.get(), report, IsStopped());
      return kModuleDownloaded;
    }
    if (failure.exception_code != 0) {
      std::string text = "Exception with code=" + std::to_string(failure.exception_code);
      if (!failure.dll_name.empty()) text += "dll_name=" + failure.dll_name;
      if (!failure.proc_name.empty()) text += "proc_name=" + failure.proc_name;
      PLOG(ERROR, ::GetLastError()) << text;
      const bool crypto_pro =
          failure.exception_code == 0xC06D007E &&
          base::ToLowerAscii(failure.dll_name) == "cplib.dll" &&
          base::ToLowerAscii(failure.proc_name).find("cryptopro") != std::string::npos;
      return crypto_pro ? kModuleDownloadCryptoPro : kModuleDownloadFailed;
    }
    if (ShouldRestartFromZero(sink.bytes_written, content_length)) sink.Reset();
    OnDownloadAttempt(stats_.get(), report, IsStopped());
    if (attempt + 1 < budget) ports_->PauseBetweenAttempts(stop_event_);
  }
  PLOG(ERROR, ::GetLastError()) << "Max download attempts failed (" << budget << ")";
  return kModuleDownloadFailed;
}

std::vector<std::string> Installer::GetDownloadUrlsFromBrandConfig(int architecture) const {
  std::vector<std::string> urls;
  if (!brand_) return urls;
  // A URL of the brand data that is not HTTPS (in the release) is left out.
  auto add = [&urls](const std::string& url) {
    if (AllowBrandDownloadUrl(url, "setup")) urls.push_back(url);
  };
  if (architecture == 1) {
    if (!brand_->setup_url64.empty())
      add(brand_->setup_url64);
    else
      LOG(WARNING) << "Setup url x64 empty!";
  }
  if (IsVersionedSetupUrlAllowed(brand_->setup_url_version)) add(brand_->setup_url_version);
  // An empty plain URL is left out, so that a brand without any URL gives
  // an empty list (and its log line) instead of attempts on a bare query.
  if (!brand_->setup_url.empty()) add(brand_->setup_url);
  return urls;
}

bool Installer::IsVersionedSetupUrlAllowed(const std::string& url) const {
  if (url.empty()) return false;
  if (url.find('{') != std::string::npos) {
    LOG(ERROR) << "Wrong setup url:" << url;
    return false;
  }
  uint64_t created = 0;
  if (!GetModuleCreationTime(base::GetModulePath(), &created) || created == 0) return false;
  FILETIME now_ft;
  ::GetSystemTimeAsFileTime(&now_ft);
  const uint64_t now = ((static_cast<uint64_t>(now_ft.dwHighDateTime) << 32) | now_ft.dwLowDateTime) / 10;
  return static_cast<int64_t>(now - created) < kVersionedUrlLifetimeMicros;
}

}  // namespace lite_installer
