// Remote configuration fetched in the background during the installation
// (variations and A/B-testing seeds, server configuration, wallpapers): a
// short list of tasks run in order on one worker thread, each writing one
// file under a reserved temporary name. Setup receives the names through its
// command line (AppendRemoteConfigurationSwitches); nothing waits for the
// tasks.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/process.h"

namespace lite_installer {

// Caps of the remote configuration bodies: a task whose body is announced
// above its cap, or grows past it, fails ("body_too_large-" in its log line)
// and the installation goes on without it.
//
// A variations or A/B-testing seed is a compressed experiment list, well
// under 1 MiB. It is held in memory whole, and while it is saved three
// times over (the body, its Base64 text and the JSON file text: about 3.7
// times the body), so 4 MiB leaves room for growth while the peak stays
// near 15 MiB.
inline constexpr uint64_t kMaxSeedBytes = 4u << 20;
// The server configuration bundle is a zip of small JSON documents. It goes
// to a file, but setup reads it into memory to unpack it: 16 MiB.
inline constexpr uint64_t kMaxServerConfigBytes = 16u << 20;
// The wallpaper bundle is a zip of a few full-screen pictures (a few MiB
// each) that setup unpacks in memory too: 64 MiB, a dozen large pictures.
inline constexpr uint64_t kMaxWallpaperBundleBytes = 64u << 20;

class BrandInfo;
class DistribInfoParams;
class InstallerCommandLine;

class AsyncInstallTasks {
 public:
  // Reserves the file names and queues the tasks that the distribution
  // parameters switch on; starts the worker when anything was queued
  // (unless `start_thread` is false: tests of the queueing).
  AsyncInstallTasks(const BrandInfo& brand, const DistribInfoParams& params,
                    bool start_thread = true);
  AsyncInstallTasks(const AsyncInstallTasks&) = delete;
  AsyncInstallTasks& operator=(const AsyncInstallTasks&) = delete;
  // Signals the stop event (which also ends a running download), waits for
  // the worker, then deletes the seed and server-config files (the
  // wallpaper bundle and the new-tab file are left to setup).
  virtual ~AsyncInstallTasks();

  // The task switch table: reserves names and queues tasks; true when at
  // least one task was queued.
  bool PrepareTasks(const BrandInfo& brand, const DistribInfoParams& params);

  size_t task_count() const { return tasks.size(); }
  bool thread_started() const { return thread.handle() != nullptr; }
  // Waits for the worker to finish its list; true when it has (or never
  // started).
  bool WaitForTasks(DWORD timeout_ms);

  std::wstring variations_path;     // "vup"
  std::wstring abt_path;            // "abtup"
  std::wstring webntp_path;         // "webntp": reserved only, no task fills it
  std::wstring server_config_path;  // "scup"
  std::wstring wallpapers_path;     // "pwexp"

 private:
  void InitializeThread();
  void RunTasks();

  base::Thread thread;
  base::WaitableEvent stop_event;  // manual reset, initially clear
  std::vector<std::function<void()>> tasks;
};

// The seed request URL: `base_url` with the brand's ids, the user id and
// the browser version (remote_config_urls.h).
std::string BuildSeedUrl(const std::string& base_url, const BrandInfo& brand);

// Downloads a seed and saves it as the four-key JSON file at `path`; false
// (and a log line) when the download fails, the answer has no
// "X-Seed-Signature" or the file cannot be written.
bool DownloadAndSaveVariations(const std::string& url, const std::wstring& path,
                               HANDLE stop_event);
// Writes the seed file, replacing any content.
bool SaveVariations(const std::wstring& path, const std::string& body, const std::string& signature,
                    const std::string& last_modified, const std::string& country);
// The server configuration bundle of the brand and partner.
bool DownloadServerConfig(const std::string& brand_id, const std::string& partner_id,
                          const std::wstring& path, HANDLE stop_event);
bool DownloadWallpapers(const std::string& url, const std::wstring& path, HANDLE stop_event);

// The controller's links: the tasks of one run (none without a brand or
// parameters), and the switches that hand their files to setup.
std::unique_ptr<AsyncInstallTasks> StartRemoteConfigurationTasks(const BrandInfo* brand,
                                                                  const DistribInfoParams* params);
void AppendRemoteConfigurationSwitches(const AsyncInstallTasks* tasks,
                                       InstallerCommandLine* setup_command_line);

}  // namespace lite_installer
