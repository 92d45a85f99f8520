// The system's part of the command line: the process command line and its
// splitting into arguments.
#include "installer/config/installer_command_line.h"

#include <windows.h>

#include <shellapi.h>

#include "base/scoped_handle.h"

namespace lite_installer {

InstallerCommandLine::InstallerCommandLine(const std::wstring& command_line) {
  Parse(command_line);
}

void InstallerCommandLine::Parse(const std::wstring& command_line) {
  std::vector<std::wstring> argv;
  // CommandLineToArgvW treats an empty string as "the current program".
  if (!command_line.empty()) {
    int argc = 0;
    base::ScopedLocalMem memory;
    wchar_t** args = ::CommandLineToArgvW(command_line.c_str(), &argc);
    memory.reset(reinterpret_cast<HLOCAL>(args));
    if (args) argv.assign(args, args + argc);
  }
  ParseArguments(argv);
}

}  // namespace lite_installer
