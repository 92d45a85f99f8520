// Remote configuration fetched in the background during the installation
// (variations and A/B-testing seeds, server configuration, wallpapers): a
// short list of tasks run in order on one worker thread, each writing one
// file under a reserved temporary name. Setup receives the names through its
// command line (AppendRemoteConfigurationSwitches); nothing waits for the
// tasks.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/process.h"

namespace lite_installer {

class BrandInfo;
class DistribInfoParams;

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

}  // namespace lite_installer
