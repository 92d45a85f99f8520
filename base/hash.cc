#include "base/hash.h"

#include <windows.h>
#include <wincrypt.h>

#include "base/strings.h"

namespace base {
namespace {

class ScopedProvider {
 public:
  ScopedProvider() {
    if (!::CryptAcquireContextW(&prov_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
      prov_ = 0;
  }
  ScopedProvider(const ScopedProvider&) = delete;
  ScopedProvider& operator=(const ScopedProvider&) = delete;
  ~ScopedProvider() {
    if (prov_) ::CryptReleaseContext(prov_, 0);
  }
  HCRYPTPROV get() const { return prov_; }

 private:
  HCRYPTPROV prov_ = 0;
};

class ScopedHash {
 public:
  ScopedHash(HCRYPTPROV prov, ALG_ID alg) {
    if (!prov || !::CryptCreateHash(prov, alg, 0, 0, &hash_)) hash_ = 0;
  }
  ScopedHash(const ScopedHash&) = delete;
  ScopedHash& operator=(const ScopedHash&) = delete;
  ~ScopedHash() {
    if (hash_) ::CryptDestroyHash(hash_);
  }
  HCRYPTHASH get() const { return hash_; }

 private:
  HCRYPTHASH hash_ = 0;
};

}  // namespace

std::string Digest(unsigned alg_id, std::string_view data) {
  ScopedProvider prov;
  ScopedHash hash(prov.get(), alg_id);
  if (!hash.get()) return {};
  if (!::CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size()), 0))
    return {};
  BYTE out[64];
  DWORD size = sizeof(out);
  if (!::CryptGetHashParam(hash.get(), HP_HASHVAL, out, &size, 0)) return {};
  return std::string(reinterpret_cast<char*>(out), size);
}

std::string RandomBytes(size_t count) {
  ScopedProvider prov;
  std::string out(count, '\0');
  if (!prov.get() || !::CryptGenRandom(prov.get(), static_cast<DWORD>(count),
                                       reinterpret_cast<BYTE*>(out.data())))
    return {};
  return out;
}

std::string Md5Hex(std::string_view data) {
  const std::string d = Digest(CALG_MD5, data);
  return d.empty() ? std::string() : HexEncodeLower(d.data(), d.size());
}

std::string Sha1Hex(std::string_view data) {
  const std::string d = Digest(CALG_SHA1, data);
  return d.empty() ? std::string() : HexEncodeLower(d.data(), d.size());
}

std::string Sha256Hex(std::string_view data) {
  const std::string d = Digest(CALG_SHA_256, data);
  return d.empty() ? std::string() : HexEncodeLower(d.data(), d.size());
}

}  // namespace base
