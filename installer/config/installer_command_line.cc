#include "installer/config/installer_command_line.h"

#include "base/strings.h"

namespace lite_installer {
namespace {

std::string NormalizeName(std::wstring_view name) {
  return base::ToLowerAscii(std::string_view(base::WideToAsciiLossy(name)));
}

}  // namespace

void InstallerCommandLine::ParseArguments(const std::vector<std::wstring>& argv) {
  program_.clear();
  switches_.clear();
  if (!argv.empty()) program_ = argv[0];
  for (size_t i = 1; i < argv.size(); ++i) AddArgument(argv[i]);
  if (HasSwitch("semi-silent")) {
    AppendSwitch("silent");
    AppendSwitch("uac-enabled");
  }
}

void InstallerCommandLine::AddArgument(std::wstring_view arg) {
  for (std::wstring_view prefix : {L"--", L"-", L"/"}) {
    if (arg.substr(0, prefix.size()) != prefix) continue;
    const std::wstring_view body = arg.substr(prefix.size());
    const size_t eq = body.find(L'=');
    if (eq == std::wstring_view::npos)
      AppendSwitch(NormalizeName(body));
    else
      AppendSwitch(NormalizeName(body.substr(0, eq)), body.substr(eq + 1));
    return;
  }
}

bool InstallerCommandLine::HasSwitch(std::string_view name) const {
  return switches_.count(base::ToLowerAscii(name)) != 0;
}

std::string InstallerCommandLine::GetSwitchValueAscii(std::string_view name) const {
  return base::WideToAsciiLossy(GetSwitchValue(name));
}

std::wstring InstallerCommandLine::GetSwitchValue(std::string_view name) const {
  const auto it = switches_.find(base::ToLowerAscii(name));
  return it == switches_.end() ? std::wstring() : it->second;
}

void InstallerCommandLine::AppendSwitch(std::string_view name) { AppendSwitch(name, L""); }

void InstallerCommandLine::AppendSwitch(std::string_view name, std::wstring_view value) {
  switches_[base::ToLowerAscii(name)] = std::wstring(value);
}

void InstallerCommandLine::RemoveSwitch(std::string_view name) {
  switches_.erase(base::ToLowerAscii(name));
}

std::wstring InstallerCommandLine::Render() const {
  std::wstring out = QuoteArgumentIfNeeded(program_);
  for (const auto& [name, value] : switches_) {
    out += L" --";
    out += base::AsciiToWide(name);
    if (!value.empty()) {
      out += L'=';
      out += QuoteArgumentIfNeeded(value);
    }
  }
  return out;
}

std::wstring QuoteArgumentIfNeeded(std::wstring_view arg) {
  // Blanks are spaces and tabs: both end an unquoted argument.
  if (arg.find_first_of(L" \t\"\\") == std::wstring_view::npos) return std::wstring(arg);
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      out.append(backslashes * 2 + 1, L'\\');
    } else {
      out.append(backslashes, L'\\');
    }
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, L'\\');
  out.push_back(L'"');
  return out;
}

}  // namespace lite_installer
