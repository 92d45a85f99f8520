#include "installer/util/trust_decisions.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "base/base64.h"
#include "base/json.h"
#include "base/logging.h"
#include "base/strings.h"

namespace installer_util {
namespace {

std::optional<std::string> DecodeHexSha256(const std::string& text) {
  if (text.size() != 64) return std::nullopt;
  return base::HexDecode(text);
}

std::string ReversedBytes(std::string_view bytes) { return std::string(bytes.rbegin(), bytes.rend()); }

struct ReporterSlot {
  std::mutex lock;
  VerificationReporter reporter;
};

ReporterSlot& GetReporterSlot() {
  static ReporterSlot* slot = new ReporterSlot();
  return *slot;
}

// Hands a non-empty record to the reporter (when there is one) and clears it.
void HandOn(VerificationRecord* record, const VerifyPolicy& policy) {
  if (record->empty()) return;
  VerificationRecord out = std::move(*record);
  *record = VerificationRecord();
  ReporterSlot& slot = GetReporterSlot();
  VerificationReporter reporter;
  {
    std::lock_guard<std::mutex> hold(slot.lock);
    reporter = slot.reporter;
  }
  if (!reporter) return;
  if (out.only_error_type() && policy.windows10_or_later) return;
  if (policy.crypt_version) out.crypt_version = policy.crypt_version();
  if (policy.win_version) out.win_version = policy.win_version();
  reporter(kVerificationEvent, out);
}

}  // namespace

bool GetTrustedFiles(std::string_view json, TrustedCertificates* list) {
  list->clear();
  std::string error;
  const std::optional<base::Value> root = base::ReadJson(json, base::kJsonExtended, &error);
  if (!root) {
    LOG(WARNING) << "Failed to read json : " << error;
    return false;
  }
  const base::Value* info = root->is_dict() ? root->FindKey("trusted_info") : nullptr;
  const base::Value* certificates =
      info && info->is_dict() ? info->FindKey("certificates") : nullptr;
  if (!certificates || !certificates->is_list()) {
    LOG(WARNING) << "Incorrect format of json";
    return false;
  }
  for (const base::Value& item : certificates->GetList()) {
    if (!item.is_dict()) continue;
    const base::Value* id = item.FindKey("id");
    if (!id || !id->is_string()) continue;
    std::optional<std::string> identifier = base::Base64Decode(id->GetString());
    if (!identifier) continue;
    std::string hash;
    const base::Value* pub_key = item.FindKey("pub_key");
    if (pub_key && pub_key->is_string()) hash = DecodeHexSha256(pub_key->GetString()).value_or("");
    list->emplace(std::move(*identifier), std::move(hash));  // the first entry stays
  }
  return true;
}

std::optional<std::vector<uint32_t>> ParseVersion(std::string_view text) {
  const std::vector<std::string> parts = base::SplitString(text, '.');
  if (parts.empty() || parts.size() > 4) return std::nullopt;
  std::vector<uint32_t> out;
  for (const std::string& part : parts) {
    if (part.empty() || part.size() > 9 ||
        !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return std::nullopt;
    out.push_back(static_cast<uint32_t>(std::stoul(part)));
  }
  return out;
}

int CompareVersions(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  const size_t n = std::max(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const uint32_t x = i < a.size() ? a[i] : 0;
    const uint32_t y = i < b.size() ? b[i] : 0;
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

bool IsExtendedCheckAllowed(const ExtendedCheckInputs& inputs) {
  if (inputs.windows10_or_later || !inputs.feature_enabled) return false;
  const auto bound_holds = [](const std::string& param, const auto& actual_reader) {
    const auto bound = ParseVersion(param);
    if (!bound) return true;  // a parameter that does not parse imposes nothing
    const auto actual = actual_reader ? actual_reader() : std::nullopt;
    return actual && CompareVersions(*bound, *actual) < 0;
  };
  return bound_holds(inputs.win7_version_param, inputs.windows_version) &&
         bound_holds(inputs.crypt_version_param, inputs.crypt32_version);
}

std::string BuildCertificateIdentifier(std::string_view issuer_serial_lsb_first,
                                       std::string_view signer_serial_lsb_first) {
  return ReversedBytes(issuer_serial_lsb_first) + ReversedBytes(signer_serial_lsb_first);
}

std::string ComputePublicKeyHash(std::string_view key_blob, uint32_t unused_bits,
                                 const std::function<std::string(std::string_view)>& sha256) {
  if (unused_bits != 0) {
    LOG_TAG(WARNING, "ExtractCertParams") << "Unsupported case: cUnusedBit=" << unused_bits;
    return {};
  }
  std::string hash = sha256(key_blob);
  if (hash.size() != 32) {
    LOG_TAG(WARNING, "ExtractCertParams") << "Failed to get public key sha256";
    return {};
  }
  return hash;
}

KeyComparison CompareKeys(const std::string& trusted_hash, const std::string& computed_hash) {
  if (trusted_hash.empty()) return KeyComparison::kMatch;
  if (computed_hash.empty()) return KeyComparison::kUnknown;
  return trusted_hash == computed_hash ? KeyComparison::kMatch : KeyComparison::kMismatch;
}

void SetVerificationReporter(VerificationReporter reporter) {
  ReporterSlot& slot = GetReporterSlot();
  std::lock_guard<std::mutex> hold(slot.lock);
  slot.reporter = std::move(reporter);
}

namespace {

// One signature's digest check: the full check, or the hash-only retry
// when the policy allows it (it then stays on for the later signatures),
// and the signer check of the extended road. False, with the record
// filled, when the signature fails; `chain_checked` tells whether the
// signer's chain was checked.
bool CheckSignature(const std::wstring& path, uint32_t index, const VerifyPolicy& policy,
                    SignatureSource* source, bool* hash_only, bool* chain_checked,
                    VerificationRecord* record) {
  // The hash-only check proves the file's digest, not who signed it: no
  // chain is built. Only the full check, or the extended check's signer
  // verification, checks the signer's chain.
  *chain_checked = !*hash_only;
  const VerifyCall call = source->Verify(index, *hash_only);
  if (call.raised) {
    LOG(ERROR) << "An attempt to verify " << path << " generated an exception "
               << call.seh_code << ", is_prevents_net_usage = " << policy.prevents_net_usage;
    record->error_type = "exception";
    record->error_code = call.seh_code;
    return false;
  }
  if (call.result != 0) {
    if (!policy.extended_check_allowed) {
      record->error_type = "hash";
      record->error_code = call.result;
      return false;
    }
    record->extended_check = true;
    record->error_code_original = call.result;
    LOG(ERROR) << "Start additional sha256 verification. " << path << " Error code: " << call.result;
    *hash_only = true;
    *chain_checked = false;
    const VerifyCall again = source->Verify(index, *hash_only);
    const int32_t r2 = again.raised ? static_cast<int32_t>(again.seh_code) : again.result;
    LOG(ERROR) << "Extended verification " << (r2 == 0 ? "success. " : "failed. ") << path
               << " Error code: " << r2;
    if (r2 != 0) {
      record->error_type = "hash";
      record->error_code = r2;
      return false;
    }
  }
  if (policy.extended_check_allowed && policy.verify_signer) {
    LOG(INFO) << "Trying to verify the signer of file " << path;
    const int code = source->VerifyFileSigner();
    if (code != 0) {
      LOG(ERROR) << "Failed to verify signer, error=" << code;
      record->error_type = "signer";
      record->error_code = 1;
      return false;
    }
    LOG(INFO) << "Signer verified";
    *chain_checked = true;
  }
  return true;
}

// Whether the signer is the trusted list's entry for its serial numbers:
// with the entry's pinned key, or without one only when its chain was
// checked. The record tells why not.
bool MatchesTrustedSigner(const std::wstring& path, const TrustedCertificates& trusted,
                          const SignerInfo& signer, bool chain_checked, VerificationRecord* record) {
  const auto found = trusted.find(signer.identifier);
  if (found == trusted.end()) {
    record->error_type = "find";
    record->error_code = 1;
    LOG(WARNING) << "Can not find sertificate in trusted list. " << path;
    return false;
  }
  if (!chain_checked && found->second.empty()) {
    // Serial numbers are public: without a checked chain, only a pinned
    // key tells the listed signer from a copy.
    LOG(WARNING) << "The signer's chain was not checked and its trusted list entry pins no key. "
                 << path;
    record->error_type = "unpinned";
    record->error_code = 1;
    return false;
  }
  const KeyComparison keys = CompareKeys(found->second, signer.public_key_hash);
  if (keys == KeyComparison::kMatch) return true;
  if (keys == KeyComparison::kUnknown)
    LOG(WARNING) << "Public key of the signer cannot be hashed, the trusted list pins one. " << path;
  LOG(WARNING) << "Public key is not match. " << path;
  record->error_type = "pub_key";
  record->error_code = 1;
  return false;
}

}  // namespace

bool VerifyModuleImpl(const std::wstring& path, const TrustedCertificates& trusted,
                      const VerifyPolicy& policy, SignatureSource* source) {
  if (trusted.empty()) return false;

  bool passed = false;          // S: a signature has passed
  bool sha256_failed = false;   // F: a SHA-256 signature has failed the list check
  bool hash_only = false;       // the extended check stays on once it was needed
  VerificationRecord record;

  for (uint32_t index = 0; index <= source->SecondarySignatureCount(); ++index) {
    HandOn(&record, policy);
    bool chain_checked = false;
    if (!CheckSignature(path, index, policy, source, &hash_only, &chain_checked, &record)) continue;

    SignerInfo signer;
    if (!source->ExtractSigner(&signer)) {
      LOG(ERROR) << "ExtractCertParams failed. " << path;
      record.error_type = "extract";
      record.error_code = 1;
      continue;
    }
    if (sha256_failed && !signer.is_sha256) {
      record.error_type = "s2_fail_ignore_s1";
      record.error_code = 1;
      continue;
    }

    if (MatchesTrustedSigner(path, trusted, signer, chain_checked, &record)) {
      passed = true;
      if (signer.is_sha256) {
        LOG(INFO) << "File successfully verified with sha256. " << path;
        record.error_type = "ok_sha256";
        HandOn(&record, policy);
        source->Close();
        return true;
      }
      continue;  // a SHA-1 match: look at the other signatures
    }
    if (signer.is_sha256) {
      LOG(WARNING) << "SHA256 verification failed. " << path;
      passed = false;
      sha256_failed = true;
    }
  }

  if (passed) {
    record.error_type = "ok";
    LOG(INFO) << "File successfully verified. " << path;
  } else {
    LOG(WARNING) << "KNOWN_ERROR_untrusted_certificate";
    LOG(WARNING) << "Can not find any trusted certificates. " << path;
    if (record.empty()) record.error_type = "no_key";
  }
  HandOn(&record, policy);
  source->Close();
  return passed;
}

}  // namespace installer_util
