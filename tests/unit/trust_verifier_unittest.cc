// Module signature verification: the trusted list, the per-signature rules
// (through a scripted SignatureSource, because Wine's WinVerifyTrust checks
// the primary signature whatever index it is given) and the real checks on
// the signed test archives of the build.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "base/base64.h"
#include "base/files.h"
#include "base/hash.h"
#include "installer/util/kelmor_trust_verifier_win.h"
#include "installer/util/trust_decisions.h"
#include "log_capture.h"

namespace installer_util {
namespace {

using testing_support::LogCapture;

constexpr int32_t kUntrustedRoot = static_cast<int32_t>(0x800B0109);
constexpr int32_t kBadDigest = static_cast<int32_t>(0x80096010);
const std::wstring kPath = L"C:\\t\\browser-setup.arc";
const std::string kPathText = "C:\\t\\browser-setup.arc";

// ---- The trusted list ---------------------------------------------------------

TEST(TrustedListTest, ReadsIdentifiersAndKeyHashes) {
  const std::string upper(64, 'A');
  const std::string json = R"({"trusted_info": {"certificates": [
      {"id": "AQID", "pub_key": ")" + std::string(64, 'a') + R"("},
      {"id": "AQID", "pub_key": ")" + upper + R"("},
      {"id": "BAU=", "pub_key": ")" + upper + R"("},
      {"id": "Bgc=", "pub_key": "abc"},
      {"id": "CAk="},
      {"id": "not base64!"}, {"id": 5}, "text", {"pub_key": ")" + upper + R"("}
  ]}} // a comment)";
  TrustedCertificates list = {{"stale", ""}};
  ASSERT_TRUE(GetTrustedFiles(json, &list));
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list.at("\x01\x02\x03"), std::string(32, '\xAA'));  // the first entry stays
  EXPECT_EQ(list.at("\x04\x05"), std::string(32, '\xAA'));      // either case
  EXPECT_EQ(list.at("\x06\x07"), "");                          // not 64 hex digits
  EXPECT_EQ(list.at("\x08\x09"), "");                          // no pub_key
}

TEST(TrustedListTest, RefusesMalformedAndMisshapenJson) {
  TrustedCertificates list = {{"x", ""}};
  {
    LogCapture log;
    EXPECT_FALSE(GetTrustedFiles("{\"trusted_info\": ", &list));
    EXPECT_TRUE(log.HasPrefix("Failed to read json : ")) << log.Dump();
  }
  EXPECT_TRUE(list.empty());
  for (const char* shape : {"[]", "{}", R"({"trusted_info": []})",
                            R"({"trusted_info": {"certificates": {}}})"}) {
    LogCapture log;
    EXPECT_FALSE(GetTrustedFiles(shape, &list)) << shape;
    EXPECT_TRUE(log.Has("Incorrect format of json", "GetTrustedFiles")) << shape;
  }
}

// ---- Versions and the extended-check policy ----------------------------------------

TEST(ExtendedCheckTest, VersionsParseAndCompare) {
  EXPECT_EQ(ParseVersion("6.1.7601"), (std::vector<uint32_t>{6, 1, 7601}));
  EXPECT_EQ(ParseVersion("10"), (std::vector<uint32_t>{10}));
  for (const char* bad : {"", "6.", ".1", "6.1.2.3.4", "6.x", "-1", "6 .1", "1234567890"})
    EXPECT_FALSE(ParseVersion(bad)) << bad;
  EXPECT_EQ(CompareVersions({6, 1}, {6, 1, 0, 0}), 0);
  EXPECT_LT(CompareVersions({6, 1}, {6, 1, 1}), 0);
  EXPECT_GT(CompareVersions({10}, {6, 3, 9600}), 0);
}

TEST(ExtendedCheckTest, AllowedBeforeWindows10WithinTheBounds) {
  ExtendedCheckInputs in;
  int crypt_reads = 0;
  in.windows_version = [] { return std::optional<std::vector<uint32_t>>({6, 1, 7601}); };
  in.crypt32_version = [&] {
    ++crypt_reads;
    return std::optional<std::vector<uint32_t>>({6, 1, 7601, 24000});
  };
  EXPECT_TRUE(IsExtendedCheckAllowed(in));
  EXPECT_EQ(crypt_reads, 0);  // no bound, no read

  in.win7_version_param = "6.0";
  in.crypt_version_param = "6.1.7601.23000";
  EXPECT_TRUE(IsExtendedCheckAllowed(in));
  in.crypt_version_param = "6.1.7601.24000";  // not lower than the actual version
  EXPECT_FALSE(IsExtendedCheckAllowed(in));
  in.crypt_version_param = "garbage";  // imposes nothing
  EXPECT_TRUE(IsExtendedCheckAllowed(in));
  in.win7_version_param = "6.1.7601";
  EXPECT_FALSE(IsExtendedCheckAllowed(in));

  in.win7_version_param = "";
  in.crypt_version_param = "1.0";
  in.crypt32_version = [] { return std::optional<std::vector<uint32_t>>(); };  // unreadable
  EXPECT_FALSE(IsExtendedCheckAllowed(in));

  ExtendedCheckInputs win10;
  win10.windows10_or_later = true;
  EXPECT_FALSE(IsExtendedCheckAllowed(win10));
  ExtendedCheckInputs off;
  off.feature_enabled = false;
  EXPECT_FALSE(IsExtendedCheckAllowed(off));
}

// ---- Signer facts --------------------------------------------------------------

TEST(SignerFactsTest, IdentifierKeyHashAndComparison) {
  EXPECT_EQ(BuildCertificateIdentifier("\x03\x02\x01", "\x0B\x0A"), "\x01\x02\x03\x0A\x0B");
  const auto sha256 = [](std::string_view blob) { return base::Digest(CALG_SHA_256, blob); };
  EXPECT_EQ(ComputePublicKeyHash("abc", 0, sha256),
            base::Digest(CALG_SHA_256, "abc"));
  {
    LogCapture log;
    EXPECT_EQ(ComputePublicKeyHash("abc", 3, sha256), "");
    EXPECT_TRUE(log.Has("Unsupported case: cUnusedBit=3", "ExtractCertParams"));
  }
  {
    LogCapture log;
    EXPECT_EQ(ComputePublicKeyHash("abc", 0, [](std::string_view) { return std::string(); }), "");
    EXPECT_TRUE(log.Has("Failed to get public key sha256", "ExtractCertParams"));
  }
  const std::string h(32, 'h');
  EXPECT_EQ(CompareKeys("", ""), KeyComparison::kMatch);
  EXPECT_EQ(CompareKeys("", h), KeyComparison::kMatch);
  EXPECT_EQ(CompareKeys(h, h), KeyComparison::kMatch);
  EXPECT_EQ(CompareKeys(h, std::string(32, 'x')), KeyComparison::kMismatch);
  EXPECT_EQ(CompareKeys(h, ""), KeyComparison::kUnknown);  // pinned but not computable
}

TEST(SignerFactsTest, ChainStatusRefusesUntrustedChainsOnly) {
  EXPECT_EQ(ChainStatusToResult(0), 0);
  EXPECT_EQ(ChainStatusToResult(CERT_TRUST_REVOCATION_STATUS_UNKNOWN |
                                CERT_TRUST_IS_OFFLINE_REVOCATION),
            0);
  EXPECT_EQ(ChainStatusToResult(CERT_TRUST_IS_UNTRUSTED_ROOT), kUntrustedRoot);
  EXPECT_EQ(ChainStatusToResult(CERT_TRUST_IS_PARTIAL_CHAIN), static_cast<int32_t>(CERT_E_CHAINING));
  EXPECT_EQ(ChainStatusToResult(CERT_TRUST_IS_REVOKED | CERT_TRUST_IS_UNTRUSTED_ROOT),
            static_cast<int32_t>(CERT_E_REVOKED));
  EXPECT_EQ(ChainStatusToResult(CERT_TRUST_IS_NOT_SIGNATURE_VALID),
            static_cast<int32_t>(TRUST_E_CERT_SIGNATURE));
}

// ---- The per-signature rules --------------------------------------------------------

struct ScriptedSignature {
  VerifyCall normal;                 // the ordinary check
  VerifyCall hash_only;              // the extended check
  bool extract = true;
  SignerInfo signer;
};

class ScriptedSource : public SignatureSource {
 public:
  explicit ScriptedSource(std::vector<ScriptedSignature> signatures)
      : signatures_(std::move(signatures)) {}

  VerifyCall Verify(uint32_t index, bool hash_only) override {
    calls.push_back({index, hash_only});
    current_ = index;
    return hash_only ? signatures_.at(index).hash_only : signatures_.at(index).normal;
  }
  uint32_t SecondarySignatureCount() const override {
    return calls.empty() ? 0 : static_cast<uint32_t>(signatures_.size() - 1);
  }
  bool ExtractSigner(SignerInfo* signer) override {
    if (!signatures_.at(current_).extract) return false;
    *signer = signatures_.at(current_).signer;
    return true;
  }
  int VerifyFileSigner() override {
    ++signer_checks;
    return file_signer_result;
  }
  void Close() override { ++closes; }

  std::vector<std::pair<uint32_t, bool>> calls;
  int signer_checks = 0;
  int file_signer_result = 0;
  int closes = 0;

 private:
  std::vector<ScriptedSignature> signatures_;
  uint32_t current_ = 0;
};

const std::string kSha256Id = "\x01\x02\x0A";
const std::string kSha1Id = "\x01\x02\x0B";
const std::string kKey256(32, '\x56');
const std::string kKey1(32, '\x51');

ScriptedSignature Passing(bool sha256, std::string id = "", std::string key = "") {
  ScriptedSignature s;
  s.signer.is_sha256 = sha256;
  s.signer.identifier = id.empty() ? (sha256 ? kSha256Id : kSha1Id) : id;
  s.signer.public_key_hash = key.empty() ? (sha256 ? kKey256 : kKey1) : key;
  return s;
}

ScriptedSignature Failing(int32_t result, int32_t hash_only_result = kBadDigest) {
  ScriptedSignature s = Passing(true);
  s.normal.result = result;
  s.hash_only.result = hash_only_result;
  return s;
}

class VerifyRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetVerificationReporter([this](std::string_view event, const VerificationRecord& r) {
      EXPECT_EQ(event, "win-verify-update");
      records.push_back(r);
    });
    policy.crypt_version = [] { return std::string("6.1.7601.24000"); };
    policy.win_version = [] { return std::string("10.0.18362"); };
  }
  void TearDown() override { SetVerificationReporter(nullptr); }

  bool Run(ScriptedSource* source) {
    return VerifyModuleImpl(kPath, trusted, policy, source);
  }
  std::vector<std::string> Types() const {
    std::vector<std::string> out;
    for (const auto& r : records) out.push_back(r.error_type);
    return out;
  }

  TrustedCertificates trusted = {{kSha256Id, kKey256}, {kSha1Id, kKey1}};
  VerifyPolicy policy;
  std::vector<VerificationRecord> records;
  LogCapture log;
};

TEST_F(VerifyRulesTest, EmptyTrustedListRefusesWithoutAnyCheck) {
  trusted.clear();
  ScriptedSource source({Passing(true)});
  EXPECT_FALSE(Run(&source));
  EXPECT_TRUE(source.calls.empty());
  EXPECT_TRUE(log.records().empty());
}

TEST_F(VerifyRulesTest, PassingSha256SignatureEndsTheCheckAtOnce) {
  policy.windows10_or_later = false;  // bare records are reported before Windows 10 only
  ScriptedSource source({Passing(true), Passing(false)});
  EXPECT_TRUE(Run(&source));
  EXPECT_EQ(source.calls.size(), 1u);
  EXPECT_EQ(source.closes, 1);
  EXPECT_TRUE(log.Has("File successfully verified with sha256. " + kPathText, "VerifyModuleImpl"));
  ASSERT_EQ(Types(), std::vector<std::string>{"ok_sha256"});
  EXPECT_EQ(records[0].crypt_version, "6.1.7601.24000");
  EXPECT_EQ(records[0].win_version, "10.0.18362");
}

TEST_F(VerifyRulesTest, Sha1SignaturePassesWhenNothingRefusesIt) {
  ScriptedSource source({Passing(false)});
  EXPECT_TRUE(Run(&source));
  EXPECT_TRUE(log.Has("File successfully verified. " + kPathText));
  EXPECT_TRUE(Types().empty());  // a bare "ok" is not reported on Windows 10
  policy.windows10_or_later = false;
  ScriptedSource again({Passing(false)});
  EXPECT_TRUE(Run(&again));
  EXPECT_EQ(Types(), std::vector<std::string>{"ok"});
}

TEST_F(VerifyRulesTest, FailedSha256SignatureMakesAPassingSha1OneIgnored) {
  trusted.erase(kSha256Id);
  ScriptedSource source({Passing(true), Passing(false)});
  EXPECT_FALSE(Run(&source));
  EXPECT_EQ(source.calls.size(), 2u);
  EXPECT_TRUE(log.Has("Can not find sertificate in trusted list. " + kPathText));
  EXPECT_TRUE(log.Has("SHA256 verification failed. " + kPathText));
  EXPECT_TRUE(log.Has("KNOWN_ERROR_untrusted_certificate"));
  EXPECT_TRUE(log.Has("Can not find any trusted certificates. " + kPathText));
  // Both records hold only error_type and error_code, so they are reported.
  EXPECT_EQ(Types(), (std::vector<std::string>{"find", "s2_fail_ignore_s1"}));
}

TEST_F(VerifyRulesTest, PassingSha1FollowedByFailingSha256IsRefused) {
  ScriptedSource source({Passing(false), Passing(true, kSha256Id, std::string(32, 'x'))});
  EXPECT_FALSE(Run(&source));
  EXPECT_TRUE(log.Has("Public key is not match. " + kPathText));
  EXPECT_TRUE(log.Has("SHA256 verification failed. " + kPathText));
  EXPECT_EQ(Types(), std::vector<std::string>{"pub_key"});
}

TEST_F(VerifyRulesTest, FailedSha1SignatureLeavesAnEarlierPassStanding) {
  policy.windows10_or_later = false;
  ScriptedSource source({Passing(false), Passing(false, "\x07")});
  EXPECT_TRUE(Run(&source));
  EXPECT_EQ(Types(), (std::vector<std::string>{"ok"}));
}

TEST_F(VerifyRulesTest, PinnedKeyThatCannotBeComputedIsRefused) {
  // Hashes that could not be computed are empty.
  ScriptedSignature a = Passing(true), b = Passing(false);
  a.signer.public_key_hash.clear();
  b.signer.public_key_hash.clear();
  ScriptedSource unknown({a, b});
  EXPECT_FALSE(Run(&unknown));
  EXPECT_TRUE(log.Has("Public key of the signer cannot be hashed, the trusted list pins one. " +
                      kPathText));
  EXPECT_EQ(Types(), (std::vector<std::string>{"pub_key", "s2_fail_ignore_s1"}));
  // Without a pinned key the same signer passes.
  records.clear();
  trusted[kSha256Id] = "";
  ScriptedSource unpinned({a});
  EXPECT_TRUE(Run(&unpinned));
}

TEST_F(VerifyRulesTest, FailureOnWindows10IsHashWithoutExtendedCheck) {
  policy.windows10_or_later = true;
  ScriptedSource source({Failing(kUntrustedRoot, 0)});
  EXPECT_FALSE(Run(&source));
  EXPECT_EQ(source.calls, (std::vector<std::pair<uint32_t, bool>>{{0, false}}));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].error_type, "hash");
  EXPECT_EQ(records[0].error_code, kUntrustedRoot);
}

TEST_F(VerifyRulesTest, OnlyErrorTypeRecordsAreNotReportedOnWindows10) {
  policy.windows10_or_later = true;
  trusted = {{"\x09", ""}};
  ScriptedSource source({Passing(true)});
  EXPECT_FALSE(Run(&source));
  // "find" carries an error code and is reported; a bare "no_key" would not be.
  EXPECT_EQ(Types(), std::vector<std::string>{"find"});
}

TEST_F(VerifyRulesTest, ExtendedCheckRepeatsAsHashOnlyAndStaysOn) {
  policy.extended_check_allowed = true;
  policy.windows10_or_later = false;
  ScriptedSource source({Failing(kUntrustedRoot, 0), Passing(false, "\x07")});
  EXPECT_TRUE(Run(&source));
  EXPECT_EQ(source.calls, (std::vector<std::pair<uint32_t, bool>>{{0, false}, {0, true}}));
  EXPECT_TRUE(log.Has("Start additional sha256 verification. " + kPathText +
                      " Error code: -2146762487"));
  EXPECT_TRUE(log.Has("Extended verification success. " + kPathText + " Error code: 0"));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].error_type, "ok_sha256");
  EXPECT_TRUE(records[0].extended_check);
  EXPECT_EQ(records[0].error_code_original, kUntrustedRoot);
}

TEST_F(VerifyRulesTest, HashOnlyFlagStaysSetForLaterSignatures) {
  policy.extended_check_allowed = true;
  policy.windows10_or_later = false;
  ScriptedSignature second = Passing(true);
  second.hash_only.result = 0;
  ScriptedSource source({Failing(kBadDigest, kBadDigest), second});
  EXPECT_TRUE(Run(&source));
  EXPECT_EQ(source.calls,
            (std::vector<std::pair<uint32_t, bool>>{{0, false}, {0, true}, {1, true}}));
  EXPECT_TRUE(log.Has("Extended verification failed. " + kPathText + " Error code: -2146869232"));
  EXPECT_EQ(Types(), (std::vector<std::string>{"hash", "ok_sha256"}));
  EXPECT_EQ(records[0].error_code, kBadDigest);
  EXPECT_EQ(records[0].error_code_original, kBadDigest);
}

TEST_F(VerifyRulesTest, UnpinnedSignerWithoutACheckedChainIsRefused) {
  // Before Windows 10 a failed check is repeated as the hash-only check,
  // which builds no chain: a self-made certificate copying the listed serial
  // numbers then passes it. An entry without a key must not accept that.
  policy.extended_check_allowed = true;
  policy.windows10_or_later = false;
  trusted = {{kSha256Id, ""}};
  ScriptedSource source({Failing(kUntrustedRoot, 0)});
  EXPECT_FALSE(Run(&source));
  EXPECT_TRUE(log.Has("The signer's chain was not checked and its trusted list entry pins no key. " +
                      kPathText));
  EXPECT_FALSE(log.Has("File successfully verified with sha256. " + kPathText));
  EXPECT_EQ(Types(), std::vector<std::string>{"unpinned"});
}

TEST_F(VerifyRulesTest, UnpinnedSignerPassesWhenItsChainWasChecked) {
  trusted = {{kSha256Id, ""}};
  {
    // The ordinary check built and checked the chain.
    ScriptedSource source({Passing(true)});
    EXPECT_TRUE(Run(&source));
  }
  // The hash-only check followed by the signer's own verification.
  policy.extended_check_allowed = true;
  policy.windows10_or_later = false;
  policy.verify_signer = true;
  ScriptedSource source({Failing(kUntrustedRoot, 0)});
  EXPECT_TRUE(Run(&source));
  EXPECT_EQ(source.signer_checks, 1);
}

TEST_F(VerifyRulesTest, PinnedSignerStillPassesTheHashOnlyCheck) {
  policy.extended_check_allowed = true;
  policy.windows10_or_later = false;
  ScriptedSource source({Failing(kUntrustedRoot, 0)});
  EXPECT_TRUE(Run(&source));
  // A key that differs is refused as before.
  trusted = {{kSha256Id, kKey1}};
  records.clear();
  ScriptedSource other({Failing(kUntrustedRoot, 0)});
  EXPECT_FALSE(Run(&other));
  EXPECT_EQ(Types().front(), "pub_key");
}

TEST_F(VerifyRulesTest, VerifySignerParameterChecksTheFileSigner) {
  policy.extended_check_allowed = true;
  policy.windows10_or_later = false;
  policy.verify_signer = true;
  {
    ScriptedSource source({Passing(true)});
    EXPECT_TRUE(Run(&source));
    EXPECT_EQ(source.signer_checks, 1);
    EXPECT_TRUE(log.Has("Trying to verify the signer of file " + kPathText));
    EXPECT_TRUE(log.Has("Signer verified"));
  }
  records.clear();
  ScriptedSource source({Passing(true)});
  source.file_signer_result = 4;
  EXPECT_FALSE(Run(&source));
  EXPECT_TRUE(log.Has("Failed to verify signer, error=4"));
  EXPECT_EQ(Types(), std::vector<std::string>{"signer"});
}

TEST_F(VerifyRulesTest, ExceptionAndExtractFailuresCountAsThatSignaturesFailure) {
  ScriptedSignature raised = Passing(true);
  raised.normal.raised = true;
  raised.normal.seh_code = 0xC0000005;
  ScriptedSignature no_chain = Passing(true);
  no_chain.extract = false;
  ScriptedSource source({raised, no_chain, Passing(false)});
  policy.prevents_net_usage = true;
  EXPECT_TRUE(Run(&source));  // the SHA-1 signature still passes
  EXPECT_TRUE(log.Has("An attempt to verify " + kPathText +
                      " generated an exception 3221225477, is_prevents_net_usage = 1"));
  EXPECT_TRUE(log.Has("ExtractCertParams failed. " + kPathText));
  // The closing bare "ok" is not reported on Windows 10.
  EXPECT_EQ(Types(), (std::vector<std::string>{"exception", "extract"}));
}

// ---- The built-in keys and the signed test archives of this build ------------------------

std::wstring BuildDir() { return base::DirName(base::DirName(base::GetModulePath())); }
std::wstring Archive(const wchar_t* name) {
  return base::PathJoin(base::PathJoin(BuildDir(), L"test-archives"), name);
}

TEST(BuiltinKeysTest, TenSlotsOfRsa1024PublicKeys) {
  for (size_t i = 0; i < kBuiltinTrustKeyCount; ++i) {
    ASSERT_EQ(GetBuiltinTrustKey(i).size(), 216u) << i;
    EXPECT_EQ(base::Base64Decode(GetBuiltinTrustKey(i))->size(), 162u) << i;
  }
  EXPECT_TRUE(GetBuiltinTrustKey(10).empty());
}

TEST(SignatureVerifierTest, ChecksTheTrustedListSignatureWithABuiltinKey) {
  const std::wstring set = base::PathJoin(BuildDir(), L"test-archives\\resources\\standard");
  const auto json = base::ReadFileToString(base::PathJoin(set, L"trusted.json"));
  const auto signature_dat = base::ReadFileToString(base::PathJoin(set, L"signature.dat"));
  ASSERT_TRUE(json && signature_dat && signature_dat->size() > 2);
  const size_t slot = static_cast<uint8_t>((*signature_dat)[0]);
  const std::string key = *base::Base64Decode(GetBuiltinTrustKey(slot));
  const std::string signature = signature_dat->substr(2);

  SignatureVerifier verifier;
  ASSERT_TRUE(verifier.Initialize());
  ASSERT_TRUE(verifier.HashData(*json));
  ASSERT_TRUE(verifier.ImportPublicKey(key));
  EXPECT_TRUE(verifier.VerifySignature(signature));

  LogCapture log;
  ASSERT_TRUE(verifier.Initialize());
  ASSERT_TRUE(verifier.HashData(*json + " "));
  ASSERT_TRUE(verifier.ImportPublicKey(key));
  EXPECT_FALSE(verifier.VerifySignature(signature));
  EXPECT_TRUE(log.HasPrefix("Failed to verify signature, error: ")) << log.Dump();
  EXPECT_FALSE(verifier.VerifySignature(""));
  EXPECT_FALSE(verifier.ImportPublicKey("not a key"));
  EXPECT_TRUE(log.HasPrefix("Failed to convert decode public key, error: "));
}

TEST(TrustJsonFromModuleTest, ResourcesOfEachArchive) {
  {
    LogCapture log;
    const std::string json = GetTrustJsonFromModule(Archive(L"good.arc"));
    EXPECT_NE(json.find("trusted_info"), std::string::npos);
    TrustedCertificates list;
    EXPECT_TRUE(GetTrustedFiles(json, &list));
    EXPECT_EQ(list.size(), 3u);
    EXPECT_TRUE(log.records().empty()) << log.Dump();
  }
  const struct {
    const wchar_t* archive;
    const char* line;
  } kRefused[] = {
      {L"key_index_10.arc", "Cannot find key"},
      {L"signature_dat_2_bytes.arc", "Cannot find resource SIGNATURE_DAT"},
      {L"unknown_key.arc", "Verify error"},
  };
  for (const auto& c : kRefused) {
    LogCapture log;
    EXPECT_EQ(GetTrustJsonFromModule(Archive(c.archive)), "");
    EXPECT_TRUE(log.Has(c.line, "GetTrustJsonFromModule")) << log.Dump();
  }
  LogCapture log;
  EXPECT_EQ(GetTrustJsonFromModule(Archive(L"missing.arc")), "");
  EXPECT_TRUE(log.HasPrefix("Attempting to GetTrustJsonFromModule at an invalid path: "));
  const std::wstring not_pe = base::PathJoin(BuildDir(), L"test-archives\\archives.json");
  EXPECT_EQ(GetTrustJsonFromModule(not_pe), "");
  EXPECT_TRUE(log.HasPrefix("Failed to load module for GetTrustJsonFromModule: "));
  // A program without the resources.
  EXPECT_EQ(GetTrustJsonFromModule(base::PathJoin(BuildDir(), L"bin\\fake_setup.exe")), "");
  EXPECT_TRUE(log.Has("Cannot find resource SIGNATURE_DAT"));
}

TEST(VerifyFileSignerTest, CodesForEachKindOfFile) {
  EXPECT_EQ(VerifyFileSigner(Archive(L"good.arc")), 0);
  EXPECT_EQ(VerifyFileSigner(Archive(L"missing.arc")), 1);
  LogCapture log;
  EXPECT_EQ(VerifyFileSigner(Archive(L"unsigned.arc")), 3);
  EXPECT_TRUE(log.HasPrefix("Failed to CryptQueryObject, gle=")) << log.Dump();
  const std::wstring empty = base::PathJoin(base::GetTempDir(), L"verify_empty.arc");
  ASSERT_TRUE(base::WriteStringToFile(empty, ""));
  EXPECT_EQ(VerifyFileSigner(empty), 2);
  base::DeleteFileIfExists(empty);
}

TEST(VerifyModuleTest, EmbeddedTrustOfTheArchives) {
  EXPECT_TRUE(VerifyModuleWithEmbeddedTrust(Archive(L"good.arc")));
  EXPECT_TRUE(VerifyModuleWithEmbeddedTrust(Archive(L"good_sha1_only.arc")));
  LogCapture log;
  EXPECT_FALSE(VerifyModuleWithEmbeddedTrust(Archive(L"pubkey_mismatch.arc")));
  EXPECT_TRUE(log.HasPrefix("Verifying ")) << log.Dump();
  EXPECT_TRUE(log.HasPrefix("Public key is not match. ")) << log.Dump();
}

}  // namespace
}  // namespace installer_util
