// Remote configuration fetched in the background during the installation
// (variations and A/B-testing seeds, server configuration, wallpapers); the
// paths of the saved files go to setup's command line.
#pragma once

#include <string>

namespace lite_installer {

class AsyncInstallTasks {
 public:
  virtual ~AsyncInstallTasks() = default;

  std::wstring variations_path;
  std::wstring abt_path;
  std::wstring webntp_path;
  std::wstring server_config_path;
  std::wstring wallpapers_path;
};

}  // namespace lite_installer
