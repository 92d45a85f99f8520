#include "installer/util/application_association_registration_internal.h"

#include <windows.h>
#include <objbase.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <cstdio>
#include <vector>

#include "base/files.h"
#include "base/logging.h"
#include "base/process.h"
#include "base/scoped_handle.h"
#include "base/test_hooks.h"
#include "installer/util/win_version.h"

namespace installer {
namespace win10_default_browser {
namespace {

using Microsoft::WRL::ComPtr;

constexpr char kSafeCheckTag[] = "IsInternalInterfaceAvailableSafeCheck";

struct Candidate {
  GUID iid;
  int kind;
};

// IApplicationAssociationRegistrationInternal, one identifier per family of
// Windows builds, tried in this order.
const std::vector<Candidate>& Candidates() {
  static const std::vector<Candidate> candidates = {
      {{0x2A848E25, 0xD688, 0x4AA3, {0x8E, 0x55, 0x0C, 0x16, 0xCB, 0x3A, 0x2D, 0xFB}}, 1},
      {{0xFC0BE3A5, 0x6BE4, 0x423C, {0xB2, 0x87, 0x24, 0x89, 0x34, 0xE3, 0x79, 0xC7}}, 1},
      {{0x14EBCC88, 0x2831, 0x4FC8, {0xA5, 0xDF, 0x9F, 0x36, 0xA8, 0x1D, 0xB1, 0x2C}}, 0},
      {{0x1C5C9D10, 0x1225, 0x4C97, {0x8C, 0x51, 0x98, 0xE1, 0xB6, 0xF0, 0xD4, 0xE0}}, 0},
      {{0x229D59E2, 0xF94A, 0x402E, {0x9A, 0x9F, 0x3B, 0x84, 0xA1, 0xAC, 0xED, 0x77}}, 0},
  };
  return candidates;
}

// ISetAppAsDefaultBrowserInternal, IEnumAssocHandlers, IAssocHandlerMakeDefault.
constexpr GUID kSetAppAsDefaultBrowserInternal = {
    0xB00DC47B, 0xBFF4, 0x4318, {0xBE, 0x5B, 0xA5, 0x85, 0x6F, 0x91, 0x69, 0xA2}};
constexpr GUID kEnumAssocHandlers = {
    0x973810AE, 0x9599, 0x4B88, {0x9E, 0x4D, 0x6E, 0xE9, 0x8C, 0x95, 0x52, 0xDA}};
constexpr GUID kAssocHandlerMakeDefault = {
    0xCA635855, 0xB44E, 0x4541, {0x95, 0x91, 0x9F, 0xAA, 0x53, 0x35, 0x4A, 0x53}};

using CreateAssociationRegistrationFn = HRESULT(WINAPI*)(REFIID, void**);
using EnumHandlersForProtocolFn = HRESULT(WINAPI*)(PCWSTR, REFIID, void**);
using EnumHandlersFn = HRESULT(WINAPI*)(PCWSTR, ASSOC_FILTER, IEnumAssocHandlers**);

std::string HrText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

FARPROC Shell32Function(const char* name) {
  HMODULE shell32 = ::GetModuleHandleW(L"shell32.dll");
  if (!shell32) shell32 = base::LoadSystemLibrary(L"shell32.dll");
  return shell32 ? ::GetProcAddress(shell32, name) : nullptr;
}

// The first candidate that the shell creates; its kind in `kind`.
bool CreateInternalRegistration(ComPtr<IUnknown>* object, int* kind) {
  auto create = reinterpret_cast<CreateAssociationRegistrationFn>(
      Shell32Function("SHCreateAssociationRegistration"));
  for (const Candidate& candidate : Candidates()) {
    const HRESULT hr = create
                           ? create(candidate.iid, reinterpret_cast<void**>(object->ReleaseAndGetAddressOf()))
                           : E_NOTIMPL;
    if (FAILED(hr) || !object->Get()) {
      LOG(INFO) << "IApplicationAssociationRegistrationInternal creation is failed, hr="
                << HrText(hr) << ", guid= " << GuidText(candidate.iid);
      continue;
    }
    LOG(INFO) << "IApplicationAssociationRegistrationInternal creation is succeeded by "
              << GuidText(candidate.iid).substr(1, 8);
    *kind = candidate.kind;
    return true;
  }
  return false;
}

// In check mode (empty `application`) the first handler qualifies; it must
// offer IAssocHandlerMakeDefault.
bool ProbeHandlers(IEnumAssocHandlers* handlers, const std::wstring& application) {
  for (;;) {
    ComPtr<IAssocHandler> handler;
    ULONG fetched = 0;
    const HRESULT hr = handlers->Next(1, handler.ReleaseAndGetAddressOf(), &fetched);
    if (hr != S_OK || fetched != 1 || !handler.Get()) {
      LOG(INFO) << "IEnumAssocHandlers::Next error, hr=" << HrText(hr) << ", failed to find "
                << application;
      return false;
    }
    if (!application.empty()) {
      wchar_t* name = nullptr;
      const HRESULT name_hr = handler->GetUIName(&name);
      if (FAILED(name_hr)) {
        LOG(INFO) << "IAssocHandler::GetUIName error, hr=" << HrText(name_hr)
                  << ", failed to find " << application;
        return false;
      }
      const bool match = name && application == name;
      ::CoTaskMemFree(name);
      if (!match) continue;
    }
    ComPtr<IUnknown> make_default;
    const HRESULT qi_hr = handler->QueryInterface(
        kAssocHandlerMakeDefault, reinterpret_cast<void**>(make_default.ReleaseAndGetAddressOf()));
    if (FAILED(qi_hr)) {
      LOG(INFO) << "QueryInterface(IAssocHandlerMakeDefault) error, hr=" << HrText(qi_hr);
      return false;
    }
    return true;
  }
}

bool ProbeProtocol(const wchar_t* protocol, const std::wstring& application) {
  auto enumerate = reinterpret_cast<EnumHandlersForProtocolFn>(
      Shell32Function("SHAssocEnumHandlersForProtocolByApplication"));
  ComPtr<IEnumAssocHandlers> handlers;
  const HRESULT hr = enumerate ? enumerate(protocol, kEnumAssocHandlers,
                                           reinterpret_cast<void**>(handlers.ReleaseAndGetAddressOf()))
                               : E_NOTIMPL;
  if (FAILED(hr) || !handlers.Get()) {
    LOG(INFO) << "SHAssocEnumHandlersForProtocolByApplication error, hr=" << HrText(hr)
              << " protocol=" << protocol;
    return false;
  }
  return ProbeHandlers(handlers.Get(), application);
}

bool ProbeExtension(const wchar_t* extension, const std::wstring& application) {
  auto enumerate = reinterpret_cast<EnumHandlersFn>(Shell32Function("SHAssocEnumHandlers"));
  ComPtr<IEnumAssocHandlers> handlers;
  const HRESULT hr =
      enumerate ? enumerate(extension, ASSOC_FILTER_NONE, handlers.ReleaseAndGetAddressOf()) : E_NOTIMPL;
  if (FAILED(hr) || !handlers.Get()) {
    LOG(INFO) << "SHAssocEnumHandlers error, hr=" << HrText(hr) << " extension=" << extension;
    return false;
  }
  return ProbeHandlers(handlers.Get(), application);
}

// Writes the status number when the check ends, whichever way it ends.
class StatusWriter {
 public:
  StatusWriter(uint32_t* out, uint32_t build, uint32_t revision)
      : out_(out), build_(build), revision_(revision) {}
  StatusWriter(const StatusWriter&) = delete;
  StatusWriter& operator=(const StatusWriter&) = delete;
  ~StatusWriter() {
    if (out_) *out_ = ComposeCheckStatus(code_, build_, revision_);
  }
  void set_code(uint32_t code) { code_ = code; }

 private:
  uint32_t* out_;
  uint32_t build_;
  uint32_t revision_;
  uint32_t code_ = kDecidedByBuild;
};

LPTOP_LEVEL_EXCEPTION_FILTER g_previous_filter = nullptr;

LONG WINAPI EndChildOnFault(EXCEPTION_POINTERS* exception) {
  if (g_previous_filter) {
    const LONG result = g_previous_filter(exception);
    if (result != EXCEPTION_CONTINUE_SEARCH) return result;
  }
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

uint32_t ComposeCheckStatus(uint32_t code, uint32_t build, uint32_t revision) {
  uint32_t tail = 0;
  if (build < 29497) tail += build * 10000;
  if (revision < 7296) tail += revision;
  return code * 1000000000u + tail % 1000000000u;
}

bool IsInterfaceAvailable() {
  ComPtr<IUnknown> registration;
  int kind = 0;
  if (!CreateInternalRegistration(&registration, &kind)) {
    LOG(INFO) << "Unsupported Win10 version=" << GetWindowsVersionIndex();
    return false;
  }
  if (kind == 0) return true;
  ComPtr<IUnknown> set_default;
  const HRESULT hr = registration->QueryInterface(
      kSetAppAsDefaultBrowserInternal, reinterpret_cast<void**>(set_default.ReleaseAndGetAddressOf()));
  if (FAILED(hr)) {
    LOG(INFO) << "QueryInterface(ISetAppAsDefaultBrowserInternal) error, hr=" << HrText(hr);
    return false;
  }
  const std::wstring check_mode;  // no application name: any first handler
  return ProbeProtocol(L"http", check_mode) && ProbeProtocol(L"https", check_mode) &&
         ProbeExtension(L".htm", check_mode) && ProbeExtension(L".html", check_mode);
}

int RunInterfaceCheckChild() {
  // A fault while probing ends this child at once with its exception code
  // (which the parent reads) instead of waiting for an error report or a
  // debugger prompt; a crash handler installed before still runs first.
  ::SetErrorMode(::GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  g_previous_filter = ::SetUnhandledExceptionFilter(&EndChildOnFault);
  // Tests make the child misbehave: "700" or "701" answer at once, "exit=N"
  // exits with N, "crash" faults, "hang" never returns.
  if (const auto hook = base::GetTestHook("INTERFACE_CHILD")) {
    if (*hook == "700") return kInterfaceAvailableExitCode;
    if (*hook == "701") return kInterfaceNotAvailableExitCode;
    if (hook->rfind("exit=", 0) == 0) return std::atoi(hook->c_str() + 5);
    if (*hook == "crash") {
      volatile int* nowhere = nullptr;
      *nowhere = 1;
    }
    if (*hook == "hang") ::Sleep(INFINITE);
  }
  const bool com = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  const bool available = IsInterfaceAvailable();
  if (com) ::CoUninitialize();
  return available ? kInterfaceAvailableExitCode : kInterfaceNotAvailableExitCode;
}

bool IsInternalInterfaceAvailableSafeCheck(const SafeCheckInputs& inputs, uint32_t* status) {
  if (inputs.major < 10) return false;
  StatusWriter writer(status, inputs.build, inputs.revision);
  if (inputs.build > 17703 || (inputs.build == 17134 && inputs.revision > 318)) return true;

  if (inputs.program.empty() || !base::FileExists(inputs.program)) {
    LOG_TAG(WARNING, kSafeCheckTag) << "Failed to check Win10 internal interface availability: "
                                    << "can't get installer exe path.";
    writer.set_code(kChildFailed);
    return false;
  }
  const std::wstring command_line = L"\"" + inputs.program + L"\" --check-the-interface";
  base::ScopedHandle child = base::LaunchProcess(command_line);
  if (!child) {
    PLOG_TAG(WARNING, kSafeCheckTag, ::GetLastError())
        << "Failed to check Win10 internal interface availability: " << "can't run installer: ";
    writer.set_code(kChildFailed);
    return false;
  }
  const std::optional<DWORD> exit_code = base::WaitForExitCode(child.get(), inputs.timeout_ms);
  if (!exit_code) {
    ::TerminateProcess(child.get(), 1);
    ::WaitForSingleObject(child.get(), 1000);
    LOG_TAG(WARNING, kSafeCheckTag) << "Failed to check Win10 internal interface availability, "
                                    << " installer was terminated by timeout.";
    writer.set_code(kChildTimedOut);
    return false;
  }
  const int32_t code = static_cast<int32_t>(*exit_code);
  if (code < 0) {
    LOG_TAG(WARNING, kSafeCheckTag) << "Failed to check Win10 internal interface availability,"
                                    << " ret code: " << code << ", installer crashed";
    writer.set_code(kChildCrashed);
    return false;
  }
  if (code == kInterfaceAvailableExitCode || code == kInterfaceNotAvailableExitCode) {
    const bool result = code == kInterfaceAvailableExitCode;
    LOG_TAG(INFO, kSafeCheckTag) << "Successfuly checked Win10 internal interface availability: "
                                 << "availability: " << result;
    writer.set_code(kChildAnswered);
    return result;
  }
  LOG_TAG(WARNING, kSafeCheckTag)
      << "Failed to check Win10 internal interface availability, unknown ret code: " << code;
  writer.set_code(kChildFailed);
  return false;
}

bool IsInternalInterfaceAvailableSafeCheck(uint32_t* status) {
  const installer_util::WindowsVersion version = installer_util::GetWindowsVersion();
  SafeCheckInputs inputs;
  inputs.major = version.major;
  inputs.build = version.build;
  inputs.revision = GetUpdateBuildRevision();
  inputs.program = base::GetModulePath();
  return IsInternalInterfaceAvailableSafeCheck(inputs, status);
}

bool CanMakeBrowserDefault(uint32_t major, uint32_t minor, bool (*safe_check)(uint32_t*),
                           uint32_t* status) {
  if (major < 6 || (major == 6 && minor < 2)) return true;
  if (major == 6) return false;
  return safe_check(status);
}

bool CanMakeBrowserDefault(uint32_t* status) {
  const installer_util::WindowsVersion version = installer_util::GetWindowsVersion();
  return CanMakeBrowserDefault(version.major, version.minor,
                               [](uint32_t* out) { return IsInternalInterfaceAvailableSafeCheck(out); },
                               status);
}

uint32_t GetUpdateBuildRevision() {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                     L"UBR", RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
    return 0;
  }
  return value;
}

int GetWindowsVersionIndex() {
  // 0 older than XP, 1 XP, 2 Server 2003, 3 Vista, 4 7, 5 8, 6 8.1, then one
  // step per Windows 10/11 release.
  const installer_util::WindowsVersion v = installer_util::GetWindowsVersion();
  if (v.major < 5) return 0;
  if (v.major == 5) return v.minor >= 2 ? 2 : 1;
  if (v.major == 6) return v.minor == 0 ? 3 : v.minor == 1 ? 4 : v.minor == 2 ? 5 : 6;
  static const uint32_t kReleases[] = {10240, 10586, 14393, 15063, 16299, 17134, 17763,
                                       18362, 18363, 19041, 19042, 19043, 19044, 19045,
                                       22000, 22621, 22631, 26100};
  int index = 6;
  for (uint32_t build : kReleases)
    if (v.build >= build) ++index;
  return index;
}

}  // namespace win10_default_browser
}  // namespace installer
