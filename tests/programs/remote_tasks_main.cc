// Test program: runs the remote configuration tasks as the controller does
// and reports what they left.
//
//   remote_tasks --report=R.json --log=L.log [--distr="vup=0&scup=1"]
//                [--brand-id=ID] [--partner-id=ID] [--variations-url=U]
//                [--abt-url=U] [--wallpapers-url=U]
//                [--release-file=F] [--started-file=S]
//
// The brand record gets its defaults first; each given switch then sets
// its field (an empty value empties it). Without --release-file the program
// waits (at most 90 s) until the worker has run every task, copies what the
// files hold into the report, then destroys the tasks. With it, the program
// writes --started-file and destroys the tasks as soon as the release file
// appears, while a download may still run. The report then tells which of
// the files still exist.
#include <windows.h>

#include <memory>
#include <string>

#include "base/files.h"
#include "base/hash.h"
#include "base/json.h"
#include "base/logging.h"
#include "base/strings.h"
#include "installer/config/async_install_tasks.h"
#include "installer/config/brand_info.h"
#include "installer/config/distrib_info_params.h"
#include "installer/util/file_logger.h"
#include "installer/config/installer_command_line.h"
#include "installer/controller/installer_events.h"

namespace {

using lite_installer::AsyncInstallTasks;

struct PathField {
  const char* name;
  std::wstring AsyncInstallTasks::*path;
};

const PathField kPaths[] = {
    {"variations_path", &AsyncInstallTasks::variations_path},
    {"abt_path", &AsyncInstallTasks::abt_path},
    {"webntp_path", &AsyncInstallTasks::webntp_path},
    {"server_config_path", &AsyncInstallTasks::server_config_path},
    {"wallpapers_path", &AsyncInstallTasks::wallpapers_path},
};

base::Value FileState(const std::wstring& path) {
  base::Value state = base::Value::NewDict();
  const bool exists = !path.empty() && base::FileExists(path);
  state.SetKey("exists", base::Value(exists));
  if (exists) {
    const std::string data = base::ReadFileToString(path).value_or("");
    state.SetKey("size", base::Value(static_cast<int>(data.size())));
    state.SetKey("sha256", base::Value(base::Sha256Hex(data)));
    if (data.size() < 65536) {
      // The seed files are JSON text; bundles are reported by digest.
      std::string text;
      base::Value copy(data);
      if (base::WriteJson(copy, base::kJsonWriteCompact, &text))
        state.SetKey("text", base::Value(data));
    }
  }
  return state;
}

bool WaitForFile(const std::wstring& path, DWORD timeout_ms) {
  const ULONGLONG end = ::GetTickCount64() + timeout_ms;
  while (!base::FileExists(path)) {
    if (::GetTickCount64() > end) return false;
    ::Sleep(20);
  }
  return true;
}

}  // namespace

int wmain() {
  const lite_installer::InstallerCommandLine line(::GetCommandLineW());
  base::SetLogSink(std::make_unique<lite_installer::FileLogger>(line.GetSwitchValue("log"),
                                                                lite_installer::kLogSizeLimit));
  lite_installer::BrandInfo brand(base::GetTempDir());
  brand.ApplyBrandDefaults();
  const std::pair<const char*, std::string*> fields[] = {
      {"brand-id", &brand.brand_id},
      {"partner-id", &brand.partner_id},
      {"variations-url", &brand.variations_url},
      {"abt-url", &brand.abt_url},
      {"wallpapers-url", &brand.preloaded_wallpapers_url},
  };
  for (const auto& [name, field] : fields) {
    if (line.HasSwitch(name)) *field = line.GetSwitchValueAscii(name);
  }
  lite_installer::DistribInfoParams params;
  params.SetParamsForTesting(line.GetSwitchValueAscii("distr"));

  base::Value report = base::Value::NewDict();
  const ULONGLONG started = ::GetTickCount64();
  std::unique_ptr<AsyncInstallTasks> tasks =
      lite_installer::StartRemoteConfigurationTasks(&brand, &params);
  report.SetKey("task_count", base::Value(static_cast<int>(tasks->task_count())));
  report.SetKey("thread_started", base::Value(tasks->thread_started()));
  for (const PathField& field : kPaths)
    report.SetKey(field.name, base::Value(base::WideToUtf8(tasks.get()->*field.path)));

  lite_installer::InstallerCommandLine setup_line;
  setup_line.set_program(L"setup.exe");
  lite_installer::AppendRemoteConfigurationSwitches(tasks.get(), &setup_line);
  report.SetKey("setup_command_line", base::Value(base::WideToUtf8(setup_line.Render())));

  const std::wstring release = line.GetSwitchValue("release-file");
  if (release.empty()) {
    report.SetKey("finished", base::Value(tasks->WaitForTasks(90000)));
  } else {
    base::WriteStringToFile(line.GetSwitchValue("started-file"), "started");
    report.SetKey("released", base::Value(WaitForFile(release, 90000)));
    report.SetKey("finished_before_release", base::Value(tasks->WaitForTasks(0)));
  }
  base::Value before = base::Value::NewDict();
  std::wstring paths[std::size(kPaths)];
  for (size_t i = 0; i < std::size(kPaths); ++i) {
    paths[i] = tasks.get()->*kPaths[i].path;
    before.SetKey(kPaths[i].name, FileState(paths[i]));
  }
  report.SetKey("before_destruction", std::move(before));

  const ULONGLONG destroying = ::GetTickCount64();
  tasks.reset();
  // Reported for the record only; tests do not judge durations.
  report.SetKey("destruction_ms", base::Value(static_cast<int>(::GetTickCount64() - destroying)));
  report.SetKey("total_ms", base::Value(static_cast<int>(::GetTickCount64() - started)));
  base::Value after = base::Value::NewDict();
  for (size_t i = 0; i < std::size(kPaths); ++i) after.SetKey(kPaths[i].name, FileState(paths[i]));
  report.SetKey("after_destruction", std::move(after));

  std::string text;
  base::WriteJson(report, base::kJsonWritePretty, &text);
  base::WriteStringToFile(line.GetSwitchValue("report"), text);
  base::SetLogSink(nullptr);
  return 0;
}
