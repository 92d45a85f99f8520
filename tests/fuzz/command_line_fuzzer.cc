// The command line's switch parsing and rendering on any text (the bytes
// taken as 16-bit units). The system splits a command line into arguments;
// natively, Split() below does it by the documented argument rules, which
// is all the properties need:
// - a non-empty argument quoted by QuoteArgumentIfNeeded splits back to
//   itself;
// - a rendered command line parses back to the same program and switches
//   (Render quotes the program and the values, not the names: only names
//   that can be written as "--name", free of blanks, quotes and "=", take
//   part; a name has an "=" only from a character narrowed to one).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "installer/config/installer_command_line.h"

namespace {

using lite_installer::InstallerCommandLine;

constexpr wchar_t kProgram[] = L"C:\\Program Files\\Kelmor\\setup.exe";

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// The program runs to the closing quote when it starts with one, else to
// the first blank; backslashes are plain there. In the other arguments 2n
// backslashes and a quote give n backslashes and open or close a quoted
// part, 2n+1 and a quote give n backslashes and a quote, other backslashes
// are plain, and blanks end the argument outside quoted parts.
std::vector<std::wstring> Split(std::wstring_view line) {
  std::vector<std::wstring> argv;
  size_t i = 0;
  std::wstring program;
  if (!line.empty() && line[0] == L'"') {
    const size_t close = line.find(L'"', 1);
    program = line.substr(1, close == line.npos ? line.npos : close - 1);
    i = close == line.npos ? line.size() : close + 1;
  } else {
    while (i < line.size() && !IsBlank(line[i])) program.push_back(line[i++]);
  }
  argv.push_back(program);
  for (;;) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) return argv;
    std::wstring arg;
    bool quoted = false;
    for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
      size_t backslashes = 0;
      while (i < line.size() && line[i] == L'\\') ++backslashes, ++i;
      if (i < line.size() && line[i] == L'"') {
        arg.append(backslashes / 2, L'\\');
        if (backslashes % 2)
          arg.push_back(L'"');
        else
          quoted = !quoted;
      } else {
        arg.append(backslashes, L'\\');
        if (i == line.size()) break;
        if (!quoted && IsBlank(line[i])) break;
        arg.push_back(line[i]);
      }
    }
    argv.push_back(arg);
  }
}

bool NamesArePlain(const InstallerCommandLine& line) {
  for (const auto& [name, value] : line.switches())
    if (name.find_first_of(" \t\"=") != std::string::npos) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring text;
  for (size_t i = 0; i + 1 < size; i += 2) {
    const wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    if (c == 0) break;  // a command line ends at its first zero
    text.push_back(c);
  }
  const std::wstring program = lite_installer::QuoteArgumentIfNeeded(kProgram);
  const auto argv = Split(program + L" " + lite_installer::QuoteArgumentIfNeeded(text));
  if (argv[0] != kProgram || (!text.empty() && (argv.size() != 2 || argv[1] != text))) std::abort();

  InstallerCommandLine line;
  line.ParseArguments(Split(program + L" " + text));
  if (line.program() != kProgram) std::abort();
  if (line.HasSwitch("semi-silent") && !(line.HasSwitch("silent") && line.HasSwitch("uac-enabled")))
    std::abort();
  if (!NamesArePlain(line)) return 0;
  InstallerCommandLine again;
  again.ParseArguments(Split(line.Render()));
  if (again.program() != line.program() || again.switches() != line.switches()) std::abort();
  return 0;
}
