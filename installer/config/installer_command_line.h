// The installer's command line: the program and an ordered map of switches.
// The switch parsing and the rendering are pure code (no Windows header),
// also built natively for fuzzing; the system splits a command line into its
// arguments (installer_command_line_win.cc).
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace lite_installer {

class InstallerCommandLine {
 public:
  InstallerCommandLine() = default;
  // Parses a full command line (program first) with CommandLineToArgvW.
  explicit InstallerCommandLine(const std::wstring& command_line);


  // Replaces the content with the parse of `command_line`.
  void Parse(const std::wstring& command_line);
  // The same from the arguments of a command line, the program first.
  void ParseArguments(const std::vector<std::wstring>& argv);

  bool HasSwitch(std::string_view name) const;
  std::string GetSwitchValueAscii(std::string_view name) const;
  std::wstring GetSwitchValue(std::string_view name) const;
  void AppendSwitch(std::string_view name);
  void AppendSwitch(std::string_view name, std::wstring_view value);
  void RemoveSwitch(std::string_view name);

  const std::wstring& program() const { return program_; }
  void set_program(std::wstring program) { program_ = std::move(program); }
  const std::map<std::string, std::wstring>& switches() const { return switches_; }

  // The program, then " --name[=value]" for every switch in name order, with
  // the program and values quoted by the Windows argument rules.
  std::wstring Render() const;

 private:
  void AddArgument(std::wstring_view arg);

  std::wstring program_;
  std::map<std::string, std::wstring> switches_;
};

// Quotes one argument by the Windows rules when it holds a blank (a space or
// a tab), a double quote or a backslash.
std::wstring QuoteArgumentIfNeeded(std::wstring_view arg);

}  // namespace lite_installer
