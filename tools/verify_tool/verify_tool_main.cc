// Test tool: runs the module signature verification on one file under Wine
// and answers with its exit code.
//
//   verify_tool.exe --path=FILE [--mode=module|signer|trust-json]
//                   [--prevents-net-usage] [--lock] [--log=LOG] [--out=FILE]
//
//   module      (default) the installer's check: trusted list from the file's
//               resources, then every signature; exit 0 verified, 1 refused
//   signer      VerifyFileSigner; exit its code (0 to 4)
//   trust-json  GetTrustJsonFromModule; exit 0 with the text written to
//               --out, 1 when there is none
//
// --lock holds the file open for reading and execution, sharing reading
// only, during the check (as the installation does). The log goes to LOG
// (default %TEMP%\verify_tool.log) in the installer's format.
#include <windows.h>

#include <memory>
#include <string>

#include "base/files.h"
#include "base/logging.h"
#include "base/scoped_handle.h"
#include "installer/util/file_logger.h"
#include "installer/config/installer_command_line.h"
#include "installer/util/kelmor_trust_verifier_win.h"

int wmain() {
  const lite_installer::InstallerCommandLine line(::GetCommandLineW());
  std::wstring log = line.GetSwitchValue("log");
  if (log.empty()) log = base::PathJoin(base::GetTempDir(), L"verify_tool.log");
  base::SetLogSink(std::make_unique<lite_installer::FileLogger>(log, lite_installer::kLogSizeLimit));

  const std::wstring path = line.GetSwitchValue("path");
  const std::string mode = line.HasSwitch("mode") ? line.GetSwitchValueAscii("mode") : "module";
  if (path.empty()) return 2;

  base::ScopedHandle lock;
  if (line.HasSwitch("lock")) {
    lock.reset(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_EXECUTE, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!lock) {
      PLOG(ERROR, ::GetLastError()) << "Cannot lock file: " << path;
      return 3;
    }
  }

  if (mode == "signer") return installer_util::VerifyFileSigner(path);
  if (mode == "trust-json") {
    const std::string json = installer_util::GetTrustJsonFromModule(path);
    if (json.empty()) return 1;
    const std::wstring out = line.GetSwitchValue("out");
    if (!out.empty() && !base::WriteStringToFile(out, json)) return 3;
    return 0;
  }
  if (mode != "module") return 2;

  bool verified;
  if (line.HasSwitch("prevents-net-usage")) {
    installer_util::TrustedCertificates trusted;
    const std::string json = installer_util::GetTrustJsonFromModule(path);
    if (!json.empty()) installer_util::GetTrustedFiles(json, &trusted);
    verified = installer_util::KelmorTrustVerifier(std::move(trusted)).VerifyModule(path, true);
  } else {
    verified = installer_util::VerifyModuleWithEmbeddedTrust(path);
  }
  if (verified)
    LOG(INFO) << "Verification succeeded: " << path;
  else
    LOG(ERROR) << "Module verification failed: " << path;
  return verified ? 0 : 1;
}
