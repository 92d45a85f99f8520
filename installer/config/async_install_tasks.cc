#include "installer/config/async_install_tasks.h"

#include <optional>

#include "base/files.h"
#include "base/logging.h"
#include "build_config.h"
#include "installer/config/brand_info.h"
#include "installer/config/distrib_info_params.h"
#include "installer/config/remote_config_urls.h"
#include "installer/config/installer_command_line.h"
#include "installer/util/user_id.h"
#include "installer/util/interruptible_downloader.h"

namespace lite_installer {
namespace {

enum class Rule { kExactlyOne, kNotEmpty };

struct TaskSwitch {
  const char* key;
  const char* default_value;  // null: none
  Rule rule;
  std::wstring AsyncInstallTasks::*path;
  const wchar_t* prefix;  // of the reserved file name
};

const TaskSwitch kTaskSwitches[] = {
    {"vup", "1", Rule::kExactlyOne, &AsyncInstallTasks::variations_path, L"vup"},
    {"abtup", "1", Rule::kExactlyOne, &AsyncInstallTasks::abt_path, L"abt"},
    {"webntp", nullptr, Rule::kExactlyOne, &AsyncInstallTasks::webntp_path, L"ntp"},
    {"scup", nullptr, Rule::kExactlyOne, &AsyncInstallTasks::server_config_path, L"scb"},
    {"pwexp", nullptr, Rule::kNotEmpty, &AsyncInstallTasks::wallpapers_path, L"pwb"},
};

// A new, empty, uniquely named file in the user's temporary folder, deleted
// again at once: its name is kept for a task's result. Empty on failure.
std::wstring ReserveTempFileName(const wchar_t* prefix) {
  const std::wstring dir = base::GetTempDir();
  wchar_t path[MAX_PATH] = {};
  if (dir.empty() || !::GetTempFileNameW(dir.c_str(), prefix, 0, path)) {
    PLOG(WARNING, ::GetLastError()) << "Cannot reserve a temporary file name";
    return {};
  }
  ::DeleteFileW(path);
  return path;
}

}  // namespace

std::string BuildSeedUrl(const std::string& base_url, const BrandInfo& brand) {
  return BuildSeedUrlFor(base_url, brand.brand_id, brand.partner_id, GetUserId());
}

bool SaveVariations(const std::wstring& path, const std::string& body, const std::string& signature,
                    const std::string& last_modified, const std::string& country) {
  std::string json;
  if (!FormatVariationsSeed(body, signature, last_modified, country, &json) ||
      !base::WriteStringToFile(path, json)) {
    LOG(ERROR) << "Failed to save downloaded variations update to " << path;
    return false;
  }
  return true;
}

bool DownloadAndSaveVariations(const std::string& url, const std::wstring& path,
                               HANDLE stop_event) {
  if (!AllowBrandDownloadUrl(url, "variations seed")) return false;
  installer_util::InterruptibleDownloader downloader;
  std::string body;
  if (!downloader.DownloadToString(url, stop_event, &body, kMaxSeedBytes)) {
    LOG(ERROR) << "Failed to download variations seed: " << downloader.last_error();
    return false;
  }
  const std::string signature = downloader.QueryCustomHeader("X-Seed-Signature");
  if (signature.empty()) {
    LOG(ERROR) << "Failed to get variations seed signature";
    return false;
  }
  const std::string last_modified = downloader.QueryCustomHeader("Last-Modified");
  const std::string country = downloader.QueryCustomHeader("X-Country");
  if (!SaveVariations(path, body, signature, last_modified, country)) {
    LOG(ERROR) << "Failed to save variations in " << path;
    return false;
  }
  LOG(INFO) << "Variations are saved in " << path;
  return true;
}

bool DownloadServerConfig(const std::string& brand_id, const std::string& partner_id,
                          const std::wstring& path, HANDLE stop_event) {
  installer_util::InterruptibleDownloader downloader;
  if (!downloader.DownloadToFile(BuildServerConfigUrl(KELMOR_API_HOST, brand_id, partner_id), path,
                                 stop_event, kMaxServerConfigBytes)) {
    LOG_TAG(ERROR, "async_install_tasks")
        << "Failed to download server config bundle: " << downloader.last_error();
    return false;
  }
  return true;
}

bool DownloadWallpapers(const std::string& url, const std::wstring& path, HANDLE stop_event) {
  if (!AllowBrandDownloadUrl(url, "wallpaper bundle")) return false;
  installer_util::InterruptibleDownloader downloader;
  if (!downloader.DownloadToFile(url, path, stop_event, kMaxWallpaperBundleBytes)) {
    LOG_TAG(ERROR, "async_install_tasks")
        << "Failed to download wallpaper bundle: " << downloader.last_error();
    return false;
  }
  return true;
}

// ---------------------------------------------------------------- AsyncInstallTasks

AsyncInstallTasks::AsyncInstallTasks(const BrandInfo& brand, const DistribInfoParams& params,
                                     bool start_thread)
    : stop_event(base::WaitableEvent::ResetPolicy::kManual, false) {
  if (PrepareTasks(brand, params) && start_thread) InitializeThread();
}

AsyncInstallTasks::~AsyncInstallTasks() {
  if (thread.handle()) {
    stop_event.Signal();
    thread.Join();
  }
  for (const std::wstring* path : {&variations_path, &abt_path, &server_config_path}) {
    if (!path->empty()) base::DeleteFileIfExists(*path);
  }
}

bool AsyncInstallTasks::PrepareTasks(const BrandInfo& brand, const DistribInfoParams& params) {
  for (const TaskSwitch& row : kTaskSwitches) {
    std::optional<std::string> value = params.Get(row.key);
    if (!value && row.default_value) value = row.default_value;
    if (!value) continue;
    const bool enabled = row.rule == Rule::kExactlyOne ? *value == "1" : !value->empty();
    if (enabled) this->*row.path = ReserveTempFileName(row.prefix);
  }

  HANDLE stop = stop_event.handle();
  if (!variations_path.empty()) {
    tasks.push_back([url = BuildSeedUrl(brand.variations_url, brand), path = variations_path, stop] {
      DownloadAndSaveVariations(url, path, stop);
    });
  }
  if (!abt_path.empty()) {
    tasks.push_back([url = BuildSeedUrl(brand.abt_url, brand), path = abt_path, stop] {
      DownloadAndSaveVariations(url, path, stop);
    });
  }
  if (!server_config_path.empty()) {
    tasks.push_back(
        [brand_id = brand.brand_id, partner_id = brand.partner_id, path = server_config_path, stop] {
          DownloadServerConfig(brand_id, partner_id, path, stop);
        });
  }
  if (!wallpapers_path.empty() && !brand.preloaded_wallpapers_url.empty()) {
    const std::string url = brand.preloaded_wallpapers_url + params.Get("pwexp").value_or("");
    tasks.push_back([url, path = wallpapers_path, stop] { DownloadWallpapers(url, path, stop); });
  }
  return !tasks.empty();
}

void AsyncInstallTasks::InitializeThread() {
  if (!thread.Start([this] { RunTasks(); })) {
    PLOG(ERROR, ::GetLastError()) << "Failed to create thread for async install tasks";
  }
}

void AsyncInstallTasks::RunTasks() {
  for (const auto& task : tasks) {
    if (stop_event.IsSignaled()) break;
    task();
  }
}

bool AsyncInstallTasks::WaitForTasks(DWORD timeout_ms) {
  if (!thread.handle()) return true;
  return ::WaitForSingleObject(thread.handle(), timeout_ms) == WAIT_OBJECT_0;
}

// ---------------------------------------------------------------- the controller's links

std::unique_ptr<AsyncInstallTasks> StartRemoteConfigurationTasks(const BrandInfo* brand,
                                                                  const DistribInfoParams* params) {
  if (!brand || !params) return nullptr;
  return std::make_unique<AsyncInstallTasks>(*brand, *params);
}

void AppendRemoteConfigurationSwitches(const AsyncInstallTasks* tasks, InstallerCommandLine* line) {
  if (!tasks || !line) return;
  auto add = [line](const char* name, const std::wstring& path) {
    if (!path.empty()) line->AppendSwitch(name, path);
  };
  add("variations-update-path", tasks->variations_path);
  add("abt-update-path", tasks->abt_path);
  add("webntp-path", tasks->webntp_path);
  add("server-config-bundle-path", tasks->server_config_path);
  add("preloaded-wallpaper-bundle-path", tasks->wallpapers_path);
}

}  // namespace lite_installer
