#include "base/hash.h"

#include <windows.h>
#include <wincrypt.h>

#include "base/scoped_crypt.h"
#include "base/strings.h"

namespace base {
namespace {

// A verify-only provider for hashing and random bytes; empty on failure.
ScopedCryptProvider AcquireProvider() {
  HCRYPTPROV prov = 0;
  if (!::CryptAcquireContextW(&prov, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return {};
  return ScopedCryptProvider(prov);
}

// A hash object of `alg` from `prov`; empty on failure.
ScopedCryptHash CreateHash(HCRYPTPROV prov, ALG_ID alg) {
  HCRYPTHASH hash = 0;
  if (!prov || !::CryptCreateHash(prov, alg, 0, 0, &hash)) return {};
  return ScopedCryptHash(hash);
}

}  // namespace

std::string Digest(unsigned alg_id, std::string_view data) {
  const ScopedCryptProvider prov = AcquireProvider();
  const ScopedCryptHash hash = CreateHash(prov.get(), alg_id);
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
  const ScopedCryptProvider prov = AcquireProvider();
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
