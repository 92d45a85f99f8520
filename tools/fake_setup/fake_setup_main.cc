// Test setup program: honours the setup contract of the installer and
// reports what it was given. Its switches are described in README.md.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/base64.h"
#include "base/files.h"
#include "base/hash.h"
#include "base/process.h"
#include "base/strings.h"
#include "installer/config/installer_command_line.h"

namespace {

using lite_installer::InstallerCommandLine;

constexpr wchar_t kProductKey[] = L"Software\\Kelmor\\KelmorBrowser";
constexpr wchar_t kBrowserWindowClass[] = L"KelmorBrowser_MessageWindow";
constexpr size_t kMaxInlineBytes = 64 * 1024;
constexpr size_t kMaxHashedBytes = 64 * 1024 * 1024;

// Switches whose value names a file handed to setup.
constexpr const char* kFileSwitches[] = {
    "installerdata",        "clids-file",           "kelmor-website-icon-file",
    "abt-config-resource-file", "brand-package",    "partner-package",
    "override-partner-package", "distr-info-file",  "variations-update-path",
    "abt-update-path",      "webntp-path",          "server-config-bundle-path",
    "preloaded-wallpaper-bundle-path",
};

// A small JSON text builder (the report is written once).
class Json {
 public:
  static std::string Quote(std::string_view s) {
    std::string out = "\"";
    for (unsigned char c : s) {
      switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
          if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof(buf), "\\u%04x", c);
            out += buf;
          } else {
            out += static_cast<char>(c);
          }
      }
    }
    return out + "\"";
  }
  static std::string Quote(std::wstring_view s) { return Quote(base::WideToUtf8(s)); }
};

bool IsUtf8Text(std::string_view s) {
  if (s.find('\0') != std::string_view::npos) return false;
  return base::WideToUtf8(base::Utf8ToWide(s)) == s;
}

std::string DescribeFile(const std::wstring& path) {
  std::string out = "{\"path\": " + Json::Quote(path);
  const auto size = base::GetFileSize(path);
  if (!base::FileExists(path) || !size) return out + ", \"exists\": false}";
  out += ", \"exists\": true, \"size\": " + std::to_string(*size);
  if (*size <= kMaxHashedBytes) {
    if (auto data = base::ReadFileToString(path)) {
      out += ", \"sha256\": " + Json::Quote(base::Sha256Hex(*data));
      if (data->size() <= kMaxInlineBytes) {
        out += ", \"base64\": " + Json::Quote(base::Base64Encode(*data));
        if (IsUtf8Text(*data)) out += ", \"text\": " + Json::Quote(*data);
      }
    }
  }
  return out + "}";
}

std::string DescribeRegistry() {
  std::string out = "{";
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kProductKey, 0, KEY_READ | KEY_WOW64_32KEY, &key) !=
      ERROR_SUCCESS)
    return "{}";
  bool first = true;
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD name_size = 16384;
    DWORD type = 0;
    DWORD data_size = 0;
    if (::RegEnumValueW(key, i, name, &name_size, nullptr, &type, nullptr, &data_size) !=
        ERROR_SUCCESS)
      break;
    std::vector<BYTE> data(data_size + sizeof(wchar_t), 0);
    name_size = 16384;
    DWORD got = data_size;
    if (::RegEnumValueW(key, i, name, &name_size, nullptr, &type, data.data(), &got) !=
        ERROR_SUCCESS)
      continue;
    std::string value;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), got / sizeof(wchar_t));
      while (!text.empty() && text.back() == L'\0') text.pop_back();
      value = Json::Quote(text);
    } else if (type == REG_DWORD && got == 4) {
      value = std::to_string(*reinterpret_cast<const DWORD*>(data.data()));
    } else {
      value = Json::Quote("<type " + std::to_string(type) + ">");
    }
    out += std::string(first ? "" : ", ") + Json::Quote(std::wstring_view(name, name_size)) +
           ": " + value;
    first = false;
  }
  ::RegCloseKey(key);
  return out + "}";
}

std::vector<uint64_t> ParseNumberList(const std::wstring& text) {
  std::vector<uint64_t> out;
  for (const std::string& part : base::SplitString(base::WideToAsciiLossy(text), ',')) {
    if (auto v = base::ParseInt64(base::TrimWhitespaceAscii(part))) out.push_back(uint64_t(*v));
  }
  return out;
}

std::vector<std::string> ParseNameList(const std::wstring& text) {
  std::vector<std::string> out;
  for (const std::string& part : base::SplitString(base::WideToAsciiLossy(text), ',')) {
    const std::string_view name = base::TrimWhitespaceAscii(part);
    if (!name.empty()) out.emplace_back(name);
  }
  return out;
}

uint64_t NumberSwitch(const InstallerCommandLine& line, const char* name, uint64_t fallback) {
  if (!line.HasSwitch(name)) return fallback;
  auto v = base::ParseInt64(line.GetSwitchValue(name));
  return v ? uint64_t(*v) : fallback;
}

// The browser's message-only window, kept for `ms` milliseconds, with the
// launch event held as long as it lives.
int RunBrowserChild(uint64_t ms, const std::wstring& launch_event) {
  base::ScopedHandle event;
  if (!launch_event.empty()) event.reset(::CreateEventW(nullptr, TRUE, FALSE, launch_event.c_str()));
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = kBrowserWindowClass;
  ::RegisterClassExW(&wc);
  HWND window = ::CreateWindowExW(0, kBrowserWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, wc.hInstance, nullptr);
  if (!window) return 1;
  ::SetTimer(window, 1, static_cast<UINT>(ms), nullptr);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) break;
    ::DispatchMessageW(&msg);
  }
  ::DestroyWindow(window);
  return 0;
}

// "Global\" + the value without its outer quotes, "\" replaced by "!",
// lower-cased: the event the statistics look for.
std::wstring LaunchEventName(std::wstring value) {
  if (value.size() >= 2 && value.front() == L'"') value.erase(0, 1);
  if (!value.empty() && value.back() == L'"') value.pop_back();
  for (wchar_t& c : value)
    if (c == L'\\') c = L'!';
  return L"Global\\" + base::ToLowerAscii(std::wstring_view(value));
}

struct Message {
  std::string name;
  uint64_t wparam = 0;
  bool send = false;
};

std::string DeliverMessage(HWND window, const Message& m) {
  const UINT id = ::RegisterWindowMessageW(base::AsciiToWide(m.name).c_str());
  std::string out = "{\"name\": " + Json::Quote(m.name) + ", \"wparam\": " +
                    std::to_string(m.wparam) + ", \"method\": \"" + (m.send ? "send" : "post") +
                    "\"";
  if (!window) return out + ", \"ok\": false, \"error\": \"no progress window\"}";
  if (m.send) {
    DWORD_PTR result = 0;
    const LRESULT ok = ::SendMessageTimeoutW(window, id, static_cast<WPARAM>(m.wparam), 0,
                                             SMTO_NORMAL, 30000, &result);
    out += std::string(", \"ok\": ") + (ok ? "true" : "false") +
           ", \"result\": " + std::to_string(static_cast<int64_t>(result));
  } else {
    const BOOL ok = ::PostMessageW(window, id, static_cast<WPARAM>(m.wparam), 0);
    out += std::string(", \"ok\": ") + (ok ? "true" : "false");
  }
  return out + "}";
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring raw = ::GetCommandLineW();
  const InstallerCommandLine line(raw);

  if (line.HasSwitch("fake-browser-child"))
    return RunBrowserChild(NumberSwitch(line, "fake-browser-child", 1000),
                           line.GetSwitchValue("fake-launch-event"));

  const std::string registry = DescribeRegistry();
  const uint32_t exit_code = static_cast<uint32_t>(NumberSwitch(line, "fake-exit-code", 0));
  const DWORD delay = static_cast<DWORD>(NumberSwitch(line, "fake-delay-ms", 0));
  const uint64_t window_value = NumberSwitch(line, "progress-window", 0);
  HWND progress = reinterpret_cast<HWND>(static_cast<uintptr_t>(window_value));

  std::vector<Message> messages;
  for (uint64_t stage : ParseNumberList(line.GetSwitchValue("fake-stages")))
    messages.push_back({"kelmor.lite.set_install_progress", stage, false});
  for (uint64_t percent : ParseNumberList(line.GetSwitchValue("fake-import")))
    messages.push_back({"kelmor.lite.set_import_progress", percent, false});
  for (const std::string& name : ParseNameList(line.GetSwitchValue("fake-post")))
    messages.push_back({name, 0, false});
  for (const std::string& name : ParseNameList(line.GetSwitchValue("fake-send")))
    messages.push_back({name, 0, true});

  std::string delivered;
  for (const Message& m : messages) {
    if (delay) ::Sleep(delay);
    delivered += std::string(delivered.empty() ? "" : ", ") + DeliverMessage(progress, m);
  }

  // The installer's success value for the statistics, and the browser.
  const std::wstring launch_cmdline = line.GetSwitchValue("fake-launch-cmdline");
  if (line.HasSwitch("fake-launch-cmdline")) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_32KEY,
                          nullptr, &key, nullptr) == ERROR_SUCCESS) {
      ::RegSetValueExW(key, L"InstallerSuccessLaunchCmdLine", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(launch_cmdline.c_str()),
                       static_cast<DWORD>((launch_cmdline.size() + 1) * sizeof(wchar_t)));
      ::RegCloseKey(key);
    }
  }
  std::string browser = "null";
  const uint64_t browser_ms = NumberSwitch(line, "fake-browser-window-ms", 0);
  if (browser_ms) {
    std::wstring child = lite_installer::QuoteArgumentIfNeeded(base::GetModulePath()) +
                         L" --fake-browser-child=" + std::to_wstring(browser_ms);
    if (line.HasSwitch("fake-launch-cmdline"))
      child += L" " + lite_installer::QuoteArgumentIfNeeded(
                          L"--fake-launch-event=" + LaunchEventName(launch_cmdline));
    DWORD child_pid = 0;
    base::ScopedHandle process = base::LaunchProcess(child, {}, &child_pid);
    bool seen = false;
    for (int i = 0; process && i < 200 && !seen; ++i) {
      seen = ::FindWindowExW(HWND_MESSAGE, nullptr, kBrowserWindowClass, nullptr) != nullptr;
      if (!seen) ::Sleep(50);
    }
    browser = "{\"ms\": " + std::to_string(browser_ms) + ", \"process_id\": " +
              std::to_string(child_pid) + ", \"seen\": " + (seen ? "true" : "false") + "}";
  }

  // The report.
  std::string arguments;
  {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(raw.c_str(), &argc);
    for (int i = 0; argv && i < argc; ++i)
      arguments += std::string(i ? ", " : "") + Json::Quote(std::wstring_view(argv[i]));
    if (argv) ::LocalFree(argv);
  }
  std::string switches;
  for (const auto& [name, value] : line.switches())
    switches += std::string(switches.empty() ? "" : ", ") + Json::Quote(name) + ": " +
                Json::Quote(value);
  std::string files;
  for (const char* name : kFileSwitches) {
    if (!line.HasSwitch(name)) continue;
    files += std::string(files.empty() ? "" : ", ") + Json::Quote(name) + ": " +
             DescribeFile(line.GetSwitchValue(name));
  }
  const std::string report =
      "{\n  \"process_id\": " + std::to_string(::GetCurrentProcessId()) +
      ",\n  \"program\": " + Json::Quote(base::GetModulePath()) +
      ",\n  \"command_line\": " + Json::Quote(raw) +
      ",\n  \"arguments\": [" + arguments + "]" +
      ",\n  \"switches\": {" + switches + "}" +
      ",\n  \"registry\": " + registry +
      ",\n  \"files\": {" + files + "}" +
      ",\n  \"progress_window\": {\"handle\": " + std::to_string(window_value) +
      ", \"is_window\": " + (progress && ::IsWindow(progress) ? "true" : "false") + "}" +
      ",\n  \"messages\": [" + delivered + "]" +
      ",\n  \"browser_window\": " + browser +
      ",\n  \"exit_code\": " + std::to_string(exit_code) + "\n}\n";

  std::wstring report_path = line.GetSwitchValue("fake-report");
  if (report_path.empty()) report_path = base::PathJoin(base::GetTempDir(), L"fake_setup_report.json");
  // Written to a side file first, so a reader never sees half a report.
  const std::wstring partial = report_path + L".partial";
  if (base::WriteStringToFile(partial, report))
    ::MoveFileExW(partial.c_str(), report_path.c_str(), MOVEFILE_REPLACE_EXISTING);

  if (delay) ::Sleep(delay);
  return static_cast<int>(exit_code);
}
