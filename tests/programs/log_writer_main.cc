// Test program: writes --count numbered lines tagged --tag to the log file
// --path through the installer's log writer.
#include <windows.h>

#include <memory>
#include <string>

#include "base/logging.h"
#include "base/strings.h"
#include "installer/util/file_logger.h"
#include "installer/config/installer_command_line.h"

namespace {

void WriteLines(const std::string& tag, int count) {
  const std::string payload(180, 'p');
  for (int i = 0; i < count; ++i) LOG(INFO) << tag << " " << i << " " << payload;
}

}  // namespace

int wmain() {
  const lite_installer::InstallerCommandLine line(::GetCommandLineW());
  base::SetLogSink(std::make_unique<lite_installer::FileLogger>(line.GetSwitchValue("path"),
                                                                lite_installer::kLogSizeLimit));
  const int count = static_cast<int>(base::ParseInt64(line.GetSwitchValue("count")).value_or(0));
  WriteLines(line.GetSwitchValueAscii("tag"), count);
  return 0;
}
