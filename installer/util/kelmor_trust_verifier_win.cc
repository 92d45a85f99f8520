#include "installer/util/kelmor_trust_verifier_win.h"

#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <cstddef>

#include "base/base64.h"
#include "base/files.h"
#include "base/hash.h"
#include "base/logging.h"
#include "base/resource_data.h"
#include "base/scoped_crypt.h"
#include "base/scoped_handle.h"
#include "base/seh_guard.h"
#include "installer/util/win_version.h"

namespace installer_util {
namespace {

#include "builtin_trust_keys.inc"
static_assert(sizeof(kBuiltinTrustKeys) / sizeof(kBuiltinTrustKeys[0]) == kBuiltinTrustKeyCount);

// The SDK's WINTRUST_SIGNATURE_SETTINGS and the WINTRUST_DATA member that
// points to it; mingw-w64's wintrust.h has neither.
constexpr DWORD kWssVerifySpecific = 0x00000001;
constexpr DWORD kWssGetSecondarySigCount = 0x00000002;

struct WintrustSignatureSettings {
  DWORD cbStruct;
  DWORD dwIndex;
  DWORD dwFlags;
  DWORD cSecondarySigs;
  DWORD dwVerifiedSigIndex;
  void* pCryptoPolicy;  // CERT_STRONG_SIGN_PARA*
};

struct WintrustDataWithSettings {
  DWORD cbStruct;
  LPVOID pPolicyCallbackData;
  LPVOID pSIPClientData;
  DWORD dwUIChoice;
  DWORD fdwRevocationChecks;
  DWORD dwUnionChoice;
  WINTRUST_FILE_INFO* pFile;
  DWORD dwStateAction;
  HANDLE hWVTStateData;
  WCHAR* pwszURLReference;
  DWORD dwProvFlags;
  DWORD dwUIContext;
  WintrustSignatureSettings* pSignatureSettings;
};

// Same layout as WINTRUST_DATA up to dwUIContext, then the settings pointer:
// 52 bytes with the pointer at 48 on i686, 88 with it at 80 on x86_64.
static_assert(offsetof(WintrustDataWithSettings, dwStateAction) ==
              offsetof(WINTRUST_DATA, dwStateAction));
static_assert(offsetof(WintrustDataWithSettings, hWVTStateData) ==
              offsetof(WINTRUST_DATA, hWVTStateData));
static_assert(offsetof(WintrustDataWithSettings, dwUIContext) ==
              offsetof(WINTRUST_DATA, dwUIContext));
static_assert(offsetof(WintrustDataWithSettings, pSignatureSettings) ==
              (sizeof(void*) == 4 ? 48 : 80));
static_assert(sizeof(WintrustDataWithSettings) == (sizeof(void*) == 4 ? 52 : 88));
static_assert(sizeof(WintrustSignatureSettings) == (sizeof(void*) == 4 ? 24 : 32));

// Signatures beyond this many secondary ones are not examined.
constexpr uint32_t kMaxSecondarySignatures = 32;

std::string VersionText(const std::optional<std::vector<uint32_t>>& version) {
  std::string out;
  if (!version) return out;
  for (size_t i = 0; i < version->size(); ++i) {
    if (i) out += '.';
    out += std::to_string((*version)[i]);
  }
  return out;
}

std::string_view BlobView(const CRYPT_INTEGER_BLOB& blob) {
  return std::string_view(reinterpret_cast<const char*>(blob.pbData), blob.cbData);
}

// One verification road through WinVerifyTrust.
class WinTrustSource : public SignatureSource {
 public:
  WinTrustSource(const std::wstring& path, bool prevents_net_usage) : path_(path) {
    file_.cbStruct = sizeof(file_);
    file_.pcwszFilePath = path_.c_str();
    settings_.cbStruct = sizeof(settings_);
    settings_.dwFlags = kWssVerifySpecific | kWssGetSecondarySigCount;
    data_.cbStruct = sizeof(data_);
    data_.dwUIChoice = WTD_UI_NONE;
    data_.fdwRevocationChecks = prevents_net_usage ? WTD_REVOKE_NONE : WTD_REVOKE_WHOLECHAIN;
    data_.dwUnionChoice = WTD_CHOICE_FILE;
    data_.pFile = &file_;
    base_flags_ = prevents_net_usage ? WTD_CACHE_ONLY_URL_RETRIEVAL : WTD_REVOCATION_CHECK_CHAIN;
    data_.dwUIContext = WTD_UICONTEXT_INSTALL;
    data_.pSignatureSettings = &settings_;
  }
  ~WinTrustSource() override { Close(); }

  VerifyCall Verify(uint32_t index, bool hash_only) override {
    Close();
    settings_.dwIndex = index;
    settings_.cSecondarySigs = 0;
    data_.dwProvFlags = base_flags_ | (hash_only ? WTD_HASH_ONLY_FLAG : 0);
    data_.dwStateAction = WTD_STATEACTION_VERIFY;
    VerifyCall call;
    call.result = Call(&call);
    if (data_.hWVTStateData) open_ = true;
    if (!call.raised && call.result == 0 && !hash_only) call.result = CheckSignerChain();
    return call;
  }

  uint32_t SecondarySignatureCount() const override {
    if (settings_.cSecondarySigs > kMaxSecondarySignatures) {
      return kMaxSecondarySignatures;
    }
    return settings_.cSecondarySigs;
  }

  bool ExtractSigner(SignerInfo* signer) override {
    CRYPT_PROVIDER_SGNR* sgnr = Signer();
    if (!sgnr || sgnr->csCertChain < 2) return false;
    CRYPT_PROVIDER_CERT* leaf = ::WTHelperGetProvCertFromChain(sgnr, 0);
    CRYPT_PROVIDER_CERT* issuer = ::WTHelperGetProvCertFromChain(sgnr, 1);
    if (!leaf || !leaf->pCert || !leaf->pCert->pCertInfo || !issuer || !issuer->pCert ||
        !issuer->pCert->pCertInfo)
      return false;
    const CERT_INFO* info = leaf->pCert->pCertInfo;
    signer->identifier = BuildCertificateIdentifier(BlobView(issuer->pCert->pCertInfo->SerialNumber),
                                                    BlobView(info->SerialNumber));
    const char* oid = info->SignatureAlgorithm.pszObjId;
    signer->is_sha256 = oid && std::string_view(oid) == kSha256RsaOid;
    const CRYPT_BIT_BLOB& key = info->SubjectPublicKeyInfo.PublicKey;
    signer->public_key_hash = ComputePublicKeyHash(
        std::string_view(reinterpret_cast<const char*>(key.pbData), key.cbData), key.cUnusedBits,
        [](std::string_view blob) { return base::Digest(CALG_SHA_256, blob); });
    return true;
  }

  int VerifyFileSigner() override { return installer_util::VerifyFileSigner(path_); }

  void Close() override {
    if (!open_) return;
    data_.dwStateAction = WTD_STATEACTION_CLOSE;
    VerifyCall ignored;
    Call(&ignored);
    open_ = false;
    data_.hWVTStateData = nullptr;
  }

 private:
  LONG Call(VerifyCall* call) {
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    LONG result = 0;
    base::SehFailure failure;
    const bool returned = base::RunWithSehGuard(
        [&] {
          result = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action,
                                    reinterpret_cast<WINTRUST_DATA*>(&data_));
        },
        &failure);
    if (!returned) {
      call->raised = true;
      call->seh_code = failure.code;
      return 0;
    }
    return result;
  }

  CRYPT_PROVIDER_SGNR* Signer() {
    if (!data_.hWVTStateData) return nullptr;
    CRYPT_PROVIDER_DATA* provider = ::WTHelperProvDataFromStateData(data_.hWVTStateData);
    if (!provider || provider->csSigners != 1) return nullptr;
    return ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
  }

  // WinVerifyTrust may accept a chain that ends in an authority outside the
  // Root store (Wine does for SHA-256 leaves); the chain's own trust status
  // says so on every system.
  int32_t CheckSignerChain() {
    CRYPT_PROVIDER_SGNR* sgnr = Signer();
    if (!sgnr || !sgnr->pChainContext) return 0;  // the signer check refuses it later
    const DWORD status = sgnr->pChainContext->TrustStatus.dwErrorStatus;
    const int32_t result = ChainStatusToResult(status);
    if (result != 0)
      LOG(ERROR) << "Signer chain is not trusted. " << path_ << " Trust status: " << status;
    return result;
  }

  std::wstring path_;
  WINTRUST_FILE_INFO file_ = {};
  WintrustSignatureSettings settings_ = {};
  WintrustDataWithSettings data_ = {};
  DWORD base_flags_ = 0;
  bool open_ = false;
};

}  // namespace

const base::Feature kWin7UpdateFeature{"win7update", true};

std::string_view GetBuiltinTrustKey(size_t index) {
  if (index >= kBuiltinTrustKeyCount) return {};
  return kBuiltinTrustKeys[index];
}

int32_t ChainStatusToResult(uint32_t error_status) {
  struct Rule {
    DWORD bit;
    HRESULT result;
  };
  static constexpr Rule kRules[] = {
      {CERT_TRUST_IS_REVOKED, CERT_E_REVOKED},
      {CERT_TRUST_IS_NOT_SIGNATURE_VALID, TRUST_E_CERT_SIGNATURE},
      {CERT_TRUST_IS_EXPLICIT_DISTRUST, TRUST_E_EXPLICIT_DISTRUST},
      {CERT_TRUST_IS_UNTRUSTED_ROOT, CERT_E_UNTRUSTEDROOT},
      {CERT_TRUST_IS_PARTIAL_CHAIN, CERT_E_CHAINING},
      {CERT_TRUST_IS_CYCLIC, CERT_E_CHAINING},
      {CERT_TRUST_IS_NOT_TIME_VALID, CERT_E_EXPIRED},
      {CERT_TRUST_IS_NOT_VALID_FOR_USAGE, CERT_E_WRONG_USAGE},
  };
  for (const Rule& rule : kRules)
    if (error_status & rule.bit) return static_cast<int32_t>(rule.result);
  return 0;
}

bool SignatureVerifier::Initialize() {
  key_.reset();
  hash_.reset();
  provider_.reset();
  HCRYPTPROV provider = 0;
  if (!::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
    LOG(WARNING) << "Failed to initialize crypt context, error: " << ::GetLastError();
    return false;
  }
  provider_.reset(provider);
  return true;
}

bool SignatureVerifier::HashData(std::string_view data) {
  hash_.reset();
  HCRYPTHASH hash = 0;
  if (!::CryptCreateHash(provider_.get(), CALG_SHA1, 0, 0, &hash)) {
    LOG(WARNING) << "Failed to initialize hash object, error: " << ::GetLastError();
    return false;
  }
  hash_.reset(hash);
  if (!::CryptHashData(hash_.get(), reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size()), 0)) {
    LOG(WARNING) << "Failed to hash data, error: " << ::GetLastError();
    return false;
  }
  return true;
}

bool SignatureVerifier::ImportPublicKey(std::string_view public_key) {
  CERT_PUBLIC_KEY_INFO* info = nullptr;
  DWORD info_size = 0;
  if (!::CryptDecodeObjectEx(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, X509_PUBLIC_KEY_INFO,
                             reinterpret_cast<const BYTE*>(public_key.data()),
                             static_cast<DWORD>(public_key.size()), CRYPT_DECODE_ALLOC_FLAG,
                             nullptr, &info, &info_size)) {
    LOG(WARNING) << "Failed to convert decode public key, error: " << ::GetLastError();
    return false;
  }
  base::ScopedLocalMem owner(info);
  key_.reset();
  HCRYPTKEY key = 0;
  if (!::CryptImportPublicKeyInfo(provider_.get(), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, info, &key)) {
    LOG(WARNING) << "Failed to import crypt key, error: " << ::GetLastError();
    return false;
  }
  key_.reset(key);
  return true;
}

bool SignatureVerifier::VerifySignature(std::string_view signature) {
  if (signature.empty()) return false;
  // CryptoAPI takes the signature least significant byte first.
  std::string reversed(signature.rbegin(), signature.rend());
  if (!::CryptVerifySignatureW(hash_.get(), reinterpret_cast<const BYTE*>(reversed.data()),
                               static_cast<DWORD>(reversed.size()), key_.get(), nullptr, 0)) {
    LOG(WARNING) << "Failed to verify signature, error: " << ::GetLastError();
    return false;
  }
  return true;
}

std::string GetTrustJsonFromModule(const std::wstring& path) {
  if (!base::PathExists(path)) {
    LOG(WARNING) << "Attempting to GetTrustJsonFromModule at an invalid path: " << path;
    return {};
  }
  base::ScopedLibrary module(::LoadLibraryExW(
      path.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE));
  if (!module) {
    LOG(WARNING) << "Failed to load module for GetTrustJsonFromModule: " << path;
    return {};
  }
  const std::string signature(base::ResourceData(module.get(), L"SIGNATURE.DAT", L"SIGNATURE_DAT"));
  if (signature.size() <= 2) {
    LOG(WARNING) << "Cannot find resource " << "SIGNATURE_DAT";
    return {};
  }
  std::string json(base::ResourceData(module.get(), L"TRUSTED.JSON", L"TRUSTED_JSON"));
  if (json.empty()) {
    LOG(WARNING) << "Cannot find resource " << "TRUSTED_JSON";
    return {};
  }
  const size_t index = static_cast<uint8_t>(signature[0]) |
                       (static_cast<size_t>(static_cast<uint8_t>(signature[1])) << 8);
  const std::string key = base::Base64Decode(GetBuiltinTrustKey(index)).value_or(std::string());
  if (key.empty()) {
    LOG(WARNING) << "Cannot find key";
    return {};
  }
  SignatureVerifier verifier;
  if (!verifier.Initialize() || !verifier.HashData(json) || !verifier.ImportPublicKey(key) ||
      !verifier.VerifySignature(std::string_view(signature).substr(2))) {
    LOG(WARNING) << "Verify error";
    return {};
  }
  return json;
}

int VerifyFileSigner(const std::wstring& path) {
  if (!base::FileExists(path)) return 1;
  {
    base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    char byte = 0;
    DWORD read = 0;
    if (!file || !::ReadFile(file.get(), &byte, 1, &read, nullptr) || read != 1) return 2;
  }
  base::ScopedCertStore store;
  base::ScopedCryptMsg message;
  DWORD encoding = 0, content = 0, format = 0;
  if (!::CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.c_str(),
                          CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED, CERT_QUERY_FORMAT_FLAG_BINARY,
                          0, &encoding, &content, &format, store.receive(), message.receive(),
                          nullptr)) {
    LOG(ERROR) << "Failed to CryptQueryObject, gle=" << ::GetLastError() << " filepath=" << path;
    return 3;
  }
  HCERTSTORE stores[] = {store.get()};
  if (!::CryptMsgGetAndVerifySigner(message.get(), 1, stores, CMSG_TRUSTED_SIGNER_FLAG, nullptr,
                                    nullptr)) {
    LOG(ERROR) << "Failed to CryptMsgGetAndVerifySigner, gle=" << ::GetLastError()
               << " filepath=" << path;
    return 4;
  }
  return 0;
}

std::optional<std::vector<uint32_t>> GetCrypt32DllVersion() {
  wchar_t system_dir[MAX_PATH];
  const UINT n = ::GetSystemDirectoryW(system_dir, MAX_PATH);
  std::optional<std::vector<uint32_t>> version;
  if (n > 0 && n < MAX_PATH) {
    const std::wstring path = base::PathJoin(std::wstring(system_dir, n), L"crypt32.dll");
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::string buffer(size, '\0');
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixed_size = 0;
    if (size && ::GetFileVersionInfoW(path.c_str(), 0, size, buffer.data()) &&
        ::VerQueryValueW(buffer.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixed_size) &&
        fixed && fixed_size >= sizeof(VS_FIXEDFILEINFO)) {
      version = std::vector<uint32_t>{HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                                      HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
    }
  }
  if (!version) LOG(WARNING) << "CreateFileVersionInfo error";
  return version;
}

std::optional<std::vector<uint32_t>> GetWindowsVersionParts() {
  const WindowsVersion v = GetWindowsVersion();
  if (v.major == 0) {
    LOG_TAG(WARNING, "GetWindowsVersion") << "Failed to get Windows version";
    return std::nullopt;
  }
  return std::vector<uint32_t>{v.major, v.minor, v.build};
}

bool IsExtendedCheckAllowedHere() {
  ExtendedCheckInputs inputs;
  inputs.windows10_or_later = IsWindows10OrLater();
  inputs.feature_enabled = base::FeatureList::IsEnabled(kWin7UpdateFeature);
  inputs.win7_version_param = base::GetFeatureParam(kWin7UpdateFeature, "win7-version");
  inputs.crypt_version_param = base::GetFeatureParam(kWin7UpdateFeature, "crypt-version");
  inputs.windows_version = GetWindowsVersionParts;
  inputs.crypt32_version = GetCrypt32DllVersion;
  return IsExtendedCheckAllowed(inputs);
}

bool KelmorTrustVerifier::VerifyModule(const std::wstring& path, bool prevents_net_usage) {
  LOG(INFO) << "Verifying " << path;
  if (trusted_.empty()) return false;
  VerifyPolicy policy;
  policy.prevents_net_usage = prevents_net_usage;
  policy.extended_check_allowed = IsExtendedCheckAllowedHere();
  policy.verify_signer = base::GetFeatureParamBool(kWin7UpdateFeature, "verify_signer", false);
  policy.windows10_or_later = IsWindows10OrLater();
  policy.crypt_version = [] { return VersionText(GetCrypt32DllVersion()); };
  policy.win_version = [] { return VersionText(GetWindowsVersionParts()); };
  WinTrustSource source(path, prevents_net_usage);
  return VerifyModuleImpl(path, trusted_, policy, &source);
}

bool VerifyModuleWithEmbeddedTrust(const std::wstring& path) {
  TrustedCertificates trusted;
  const std::string json = GetTrustJsonFromModule(path);
  if (!json.empty()) GetTrustedFiles(json, &trusted);
  return KelmorTrustVerifier(std::move(trusted)).VerifyModule(path, /*prevents_net_usage=*/false);
}

}  // namespace installer_util
