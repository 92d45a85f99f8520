// Signature verification of a downloaded module (the setup archive).
//
// The module carries its own list of trusted signing certificates (resource
// TRUSTED_JSON), signed with one of the ten built-in RSA keys (resource
// SIGNATURE_DAT: a 16-bit little-endian key slot, then an RSA PKCS#1 v1.5
// SHA-1 signature, most significant byte first). Every Authenticode
// signature of the file is checked with WinVerifyTrust, its signer chain's
// trust status is checked as well, and the signer is matched against the
// list by identifier and public-key hash (installer/util/trust_decisions.h).
//
//   if (installer_util::VerifyModuleWithEmbeddedTrust(path)) ... run it
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/feature_list.h"
#include "base/scoped_crypt.h"
#include "installer/util/trust_decisions.h"

namespace installer_util {

// Feature "win7update" (on by default) with the parameters "win7-version",
// "crypt-version" (version strings, lower bounds for the extended check)
// and "verify_signer" (bool, false).
extern const base::Feature kWin7UpdateFeature;

constexpr size_t kBuiltinTrustKeyCount = 10;
// The Base64 text of built-in key `index`; empty for an index above 9 or an
// empty slot.
std::string_view GetBuiltinTrustKey(size_t index);

// The TRUSTED_JSON text of the module when SIGNATURE_DAT verifies it with
// the built-in key it names; "" on any failure (logged as a warning).
std::string GetTrustJsonFromModule(const std::wstring& path);

// 0 passed, 1 the file does not exist, 2 its first byte cannot be read,
// 3 CryptQueryObject failed, 4 CryptMsgGetAndVerifySigner failed.
int VerifyFileSigner(const std::wstring& path);

// The CryptoAPI context of one SHA-1 RSA signature check.
class SignatureVerifier {
 public:
  SignatureVerifier() = default;
  SignatureVerifier(const SignatureVerifier&) = delete;
  SignatureVerifier& operator=(const SignatureVerifier&) = delete;

  // A new provider; what the last one made goes first.
  bool Initialize();
  bool HashData(std::string_view data);
  // `public_key` is a DER SubjectPublicKeyInfo.
  bool ImportPublicKey(std::string_view public_key);
  // `signature` most significant byte first (as openssl writes it).
  bool VerifySignature(std::string_view signature);

 private:
  // In this order, so that the key and the hash go before their provider.
  base::ScopedCryptProvider provider_;
  base::ScopedCryptHash hash_;
  base::ScopedCryptKey key_;
};

class KelmorTrustVerifier {
 public:
  explicit KelmorTrustVerifier(TrustedCertificates trusted) : trusted_(std::move(trusted)) {}

  // Logs "Verifying " + path, then checks every signature of the file.
  // With `prevents_net_usage` revocation is not checked and only cached
  // URLs are used.
  bool VerifyModule(const std::wstring& path, bool prevents_net_usage);

  const TrustedCertificates& trusted() const { return trusted_; }

 private:
  TrustedCertificates trusted_;
};

// What the installation uses: the trusted list from the module's own
// resources, then VerifyModule with network use allowed.
bool VerifyModuleWithEmbeddedTrust(const std::wstring& path);

// The inputs of the extended-check decision on this system.
std::optional<std::vector<uint32_t>> GetCrypt32DllVersion();
std::optional<std::vector<uint32_t>> GetWindowsVersionParts();
bool IsExtendedCheckAllowedHere();

// Maps the signer chain's TrustStatus.dwErrorStatus to a WinVerifyTrust
// style failure (0 when nothing in it refuses the chain). Revocation that
// could not be checked does not refuse it.
int32_t ChainStatusToResult(uint32_t error_status);

}  // namespace installer_util
