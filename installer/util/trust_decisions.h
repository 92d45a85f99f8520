// The decisions of module signature verification, kept apart from the
// system calls that gather their inputs: the trusted certificate list, the
// per-signature rules over the primary and secondary signatures, the
// extended-check policy and the outcome records. The WinVerifyTrust side
// sits behind `SignatureSource`, so tests drive the rules with scripted
// signatures.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace installer_util {

// Certificate identifier bytes -> SHA-256 of the public key (32 bytes, or
// empty when the list pins no key). Ordered by byte comparison.
using TrustedCertificates = std::map<std::string, std::string>;

// Fills `list` from the TRUSTED_JSON text; clears it first. Logs
// "Failed to read json : " + the reader's message or "Incorrect format of json".
bool GetTrustedFiles(std::string_view json, TrustedCertificates* list);

// ---- Versions -------------------------------------------------------------

// "6.1.7601" -> {6, 1, 7601}: one to four decimal parts; nullopt otherwise.
std::optional<std::vector<uint32_t>> ParseVersion(std::string_view text);
// Compares part by part, a missing part counting as 0: <0, 0, >0.
int CompareVersions(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b);

struct ExtendedCheckInputs {
  bool windows10_or_later = false;
  bool feature_enabled = true;      // the "win7update" feature
  std::string win7_version_param;   // "win7-version"
  std::string crypt_version_param;  // "crypt-version"
  // Read only when a parameter needs them; nullopt when they cannot be read.
  std::function<std::optional<std::vector<uint32_t>>()> windows_version;
  std::function<std::optional<std::vector<uint32_t>>()> crypt32_version;
};
// Before Windows 10, with the feature on, and each parameter that parses as
// a version lower than the version it bounds.
bool IsExtendedCheckAllowed(const ExtendedCheckInputs& inputs);

// ---- Signer facts -----------------------------------------------------------

struct SignerInfo {
  std::string identifier;       // issuer serial, then signer serial, most significant byte first
  bool is_sha256 = false;       // the signing certificate is signed with sha256WithRSAEncryption
  std::string public_key_hash;  // 32 bytes; empty when it could not be computed
};

// Builds the identifier from CryptoAPI's serial numbers (least significant
// byte first).
std::string BuildCertificateIdentifier(std::string_view issuer_serial_lsb_first,
                                       std::string_view signer_serial_lsb_first);
// SHA-256 over the public-key blob; empty (and a line under the tag
// ExtractCertParams) when the blob has unused bits or `sha256` fails.
std::string ComputePublicKeyHash(std::string_view key_blob, uint32_t unused_bits,
                                 const std::function<std::string(std::string_view)>& sha256);
constexpr char kSha256RsaOid[] = "1.2.840.113549.1.1.11";

enum class KeyComparison { kMatch, kMismatch, kUnknown };
// kMatch when the list pins no key or the hashes are equal; kUnknown when
// the list pins a key but the signer's hash could not be computed (refused).
KeyComparison CompareKeys(const std::string& trusted_hash, const std::string& computed_hash);

// ---- One WinVerifyTrust round --------------------------------------------------

struct VerifyCall {
  bool raised = false;          // a structured exception ended the call
  uint32_t seh_code = 0;
  int32_t result = 0;           // WinVerifyTrust's result (HRESULT-like)
};

// The system side of one verification: each Verify closes the previous
// state first; Close ends the last one.
class SignatureSource {
 public:
  virtual ~SignatureSource() = default;
  virtual VerifyCall Verify(uint32_t index, bool hash_only) = 0;
  // The secondary-signature count reported by the last Verify.
  virtual uint32_t SecondarySignatureCount() const = 0;
  // The signer of the signature that the last Verify checked.
  virtual bool ExtractSigner(SignerInfo* signer) = 0;
  // VerifyFileSigner on the file: 0 passed, else its code.
  virtual int VerifyFileSigner() = 0;
  virtual void Close() = 0;
};

// ---- Outcome records ------------------------------------------------------------

struct VerificationRecord {
  std::string error_type;
  std::optional<int64_t> error_code;
  bool extended_check = false;
  std::optional<int64_t> error_code_original;
  // Added when the record is handed on.
  std::string crypt_version;
  std::string win_version;

  bool empty() const {
    return error_type.empty() && !error_code && !extended_check && !error_code_original;
  }
  bool only_error_type() const {
    return !error_type.empty() && !error_code && !extended_check && !error_code_original;
  }
};

// The process-wide verification reporter (none in the installer). Records
// arrive under the event name "win-verify-update".
using VerificationReporter =
    std::function<void(std::string_view event, const VerificationRecord& record)>;
void SetVerificationReporter(VerificationReporter reporter);
constexpr char kVerificationEvent[] = "win-verify-update";

struct VerifyPolicy {
  bool prevents_net_usage = false;
  bool extended_check_allowed = false;
  bool verify_signer = false;       // the "verify_signer" parameter of "win7update"
  bool windows10_or_later = true;
  // For the records; read when a record is handed on.
  std::function<std::string()> crypt_version;
  std::function<std::string()> win_version;
};

// The rules over every signature of the file (primary, then each
// secondary one). True when the file is trusted.
bool VerifyModuleImpl(const std::wstring& path, const TrustedCertificates& trusted,
                      const VerifyPolicy& policy, SignatureSource* source);

}  // namespace installer_util
