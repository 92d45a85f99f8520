// What the window tests read from the installer window from outside, as a
// screen reader or setup would: the window, its controls and their places,
// the accessible name, role and value of a control, and setup's registered
// messages posted to it. Every command writes one JSON document to OUT.
//
//   window_probe find OUT TITLE TIMEOUT_MS
//   window_probe controls OUT HWND
//   window_probe acc OUT HWND CONTROL_ID
//   window_probe post OUT HWND MESSAGE_NAME WPARAM      (a name in 0x hex is the message number itself)
//   window_probe watch OUT HWND CONTROL_ID TIMEOUT_MS   (accessible values until the window goes)
//   window_probe focus OUT HWND                          (the control with the keyboard focus)
//   window_probe owned OUT HWND                          (visible top-level windows it owns: the shadow)
#include <windows.h>
#include <objbase.h>
#include <oleacc.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "base/strings.h"

namespace {

constexpr IID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

std::string Quote(const std::wstring& text) {
  std::string out = "\"";
  for (unsigned char c : base::WideToUtf8(text)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof(buf), "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Rect(const RECT& r) {
  return "[" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
         std::to_string(r.bottom) + "]";
}

HWND ParseHandle(const wchar_t* text) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(_wcstoui64(text, nullptr, 10))); }

std::wstring Text(HWND window) {
  wchar_t buffer[1024] = {};
  ::GetWindowTextW(window, buffer, 1024);
  return buffer;
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[256] = {};
  ::GetClassNameW(window, buffer, 256);
  return buffer;
}

struct FindState {
  std::wstring title;
  HWND found = nullptr;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM param) {
  auto* state = reinterpret_cast<FindState*>(param);
  if (ClassOf(window) == L"#32770" && ::IsWindowVisible(window) && Text(window) == state->title) {
    state->found = window;
    return FALSE;
  }
  return TRUE;
}

std::string Find(const std::wstring& title, DWORD timeout_ms) {
  FindState state{title};
  const ULONGLONG end = ::GetTickCount64() + timeout_ms;
  do {
    state.found = nullptr;
    ::EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&state));
    if (state.found) break;
    ::Sleep(50);
  } while (::GetTickCount64() < end);
  if (!state.found) return "{\"found\": false}";
  RECT window = {}, client = {};
  ::GetWindowRect(state.found, &window);
  ::GetClientRect(state.found, &client);
  POINT origin = {0, 0};
  ::ClientToScreen(state.found, &origin);
  return "{\"found\": true, \"hwnd\": " + std::to_string(reinterpret_cast<uintptr_t>(state.found)) +
         ", \"rect\": " + Rect(window) + ", \"client\": " + Rect(client) + ", \"origin\": [" +
         std::to_string(origin.x) + ", " + std::to_string(origin.y) + "]}";
}

std::string Controls(HWND parent) {
  std::string out = "{\"is_window\": " + std::string(::IsWindow(parent) ? "true" : "false") +
                    ", \"visible\": " + (::IsWindowVisible(parent) ? "true" : "false") +
                    ", \"iconic\": " + (::IsIconic(parent) ? "true" : "false") + ", \"controls\": [";
  bool first = true;
  for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    RECT r = {};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    out += std::string(first ? "" : ", ") + "{\"id\": " + std::to_string(::GetDlgCtrlID(child)) +
           ", \"class\": " + Quote(ClassOf(child)) + ", \"visible\": " +
           (::IsWindowVisible(child) ? "true" : "false") + ", \"rect\": " + Rect(r) + ", \"text\": " +
           Quote(Text(child)) + ", \"hwnd\": " + std::to_string(reinterpret_cast<uintptr_t>(child)) + "}";
    first = false;
  }
  return out + "]}";
}

struct AccInfo {
  bool ok = false;
  std::wstring name, value;
  long role = -1;
  long state = -1;
};

AccInfo ReadAccessible(HWND control) {
  AccInfo info;
  IAccessible* acc = nullptr;
  if (FAILED(::AccessibleObjectFromWindow(control, OBJID_CLIENT, kIidAccessible, reinterpret_cast<void**>(&acc))) ||
      !acc)
    return info;
  info.ok = true;
  VARIANT self;
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR text = nullptr;
  if (SUCCEEDED(acc->get_accName(self, &text)) && text) {
    info.name.assign(text, ::SysStringLen(text));
    ::SysFreeString(text);
  }
  text = nullptr;
  if (SUCCEEDED(acc->get_accValue(self, &text)) && text) {
    info.value.assign(text, ::SysStringLen(text));
    ::SysFreeString(text);
  }
  VARIANT role;
  ::VariantInit(&role);
  if (SUCCEEDED(acc->get_accRole(self, &role)) && role.vt == VT_I4) info.role = role.lVal;
  VARIANT state;
  ::VariantInit(&state);
  if (SUCCEEDED(acc->get_accState(self, &state)) && state.vt == VT_I4) info.state = state.lVal;
  acc->Release();
  return info;
}

std::string Acc(HWND parent, int id) {
  HWND control = ::GetDlgItem(parent, id);
  if (!control) return "{\"ok\": false, \"error\": \"no control\"}";
  AccInfo info = ReadAccessible(control);
  return std::string("{\"ok\": ") + (info.ok ? "true" : "false") + ", \"name\": " + Quote(info.name) +
         ", \"value\": " + Quote(info.value) + ", \"role\": " + std::to_string(info.role) +
         ", \"state\": " + std::to_string(info.state) + "}";
}

std::string Watch(HWND parent, int id, DWORD timeout_ms) {
  std::vector<std::wstring> values;
  const ULONGLONG end = ::GetTickCount64() + timeout_ms;
  while (::IsWindow(parent) && ::GetTickCount64() < end) {
    HWND control = ::GetDlgItem(parent, id);
    if (control && ::IsWindowVisible(parent)) {
      AccInfo info = ReadAccessible(control);
      if (info.ok && !info.value.empty() && (values.empty() || values.back() != info.value))
        values.push_back(info.value);
    }
    ::Sleep(15);
  }
  std::string out = "{\"window_gone\": " + std::string(::IsWindow(parent) ? "false" : "true") + ", \"values\": [";
  for (size_t i = 0; i < values.size(); ++i) out += (i ? ", " : "") + Quote(values[i]);
  return out + "]}";
}

std::string Post(HWND window, const std::wstring& name, WPARAM wparam) {
  const UINT id = name.rfind(L"0x", 0) == 0 ? static_cast<UINT>(std::wcstoul(name.c_str(), nullptr, 16))
                                            : ::RegisterWindowMessageW(name.c_str());
  const BOOL ok = ::PostMessageW(window, id, wparam, 0);
  return std::string("{\"ok\": ") + (ok ? "true" : "false") + "}";
}

std::string Focus(HWND window) {
  GUITHREADINFO info = {sizeof(info)};
  const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
  if (!::GetGUIThreadInfo(thread, &info)) return "{\"ok\": false}";
  return "{\"ok\": true, \"id\": " + std::to_string(info.hwndFocus ? ::GetDlgCtrlID(info.hwndFocus) : 0) +
         ", \"active\": " + (info.hwndActive == window ? "true" : "false") + "}";
}

struct OwnedState {
  HWND owner;
  std::string out;
};

BOOL CALLBACK CollectOwned(HWND window, LPARAM param) {
  auto* state = reinterpret_cast<OwnedState*>(param);
  if (::GetWindow(window, GW_OWNER) != state->owner || !::IsWindowVisible(window)) return TRUE;
  RECT r = {};
  ::GetWindowRect(window, &r);
  const LONG_PTR ex_style = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
  state->out += std::string(state->out.empty() ? "" : ", ") + "{\"class\": " + Quote(ClassOf(window)) +
                ", \"rect\": " + Rect(r) + ", \"layered\": " + ((ex_style & WS_EX_LAYERED) ? "true" : "false") +
                "}";
  return TRUE;
}

std::string Owned(HWND owner) {
  OwnedState state{owner, {}};
  ::EnumWindows(&CollectOwned, reinterpret_cast<LPARAM>(&state));
  return "{\"windows\": [" + state.out + "]}";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  ::CoInitialize(nullptr);
  const std::wstring command = argv[1];
  std::string result;
  if (command == L"find" && argc >= 5) {
    result = Find(argv[3], static_cast<DWORD>(_wtoi(argv[4])));
  } else if (command == L"controls" && argc >= 4) {
    result = Controls(ParseHandle(argv[3]));
  } else if (command == L"acc" && argc >= 5) {
    result = Acc(ParseHandle(argv[3]), _wtoi(argv[4]));
  } else if (command == L"post" && argc >= 6) {
    result = Post(ParseHandle(argv[3]), argv[4], static_cast<WPARAM>(_wtoi(argv[5])));
  } else if (command == L"watch" && argc >= 6) {
    result = Watch(ParseHandle(argv[3]), _wtoi(argv[4]), static_cast<DWORD>(_wtoi(argv[5])));
  } else if (command == L"focus" && argc >= 4) {
    result = Focus(ParseHandle(argv[3]));
  } else if (command == L"owned" && argc >= 4) {
    result = Owned(ParseHandle(argv[3]));
  } else {
    return 2;
  }
  FILE* out = _wfopen(argv[2], L"wb");
  if (!out) return 3;
  std::fwrite(result.data(), 1, result.size(), out);
  std::fclose(out);
  ::CoUninitialize();
  return 0;
}
