// Owners for CryptoAPI providers and hashes: move-only, each releasing once.
// Certificate stores and messages are ScopedCertStore and ScopedCryptMsg in
// base/scoped_handle.h.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include "base/scoped_handle.h"

namespace base {

// A cryptographic service provider (CryptAcquireContext): CryptReleaseContext.
struct CryptProviderTraits {
  using Handle = HCRYPTPROV;
  static Handle Invalid() { return 0; }
  static bool IsValid(Handle h) { return h != 0; }
  static void Close(Handle h) { ::CryptReleaseContext(h, 0); }
};
using ScopedCryptProvider = ScopedGeneric<CryptProviderTraits>;

// A hash object (CryptCreateHash): CryptDestroyHash. It must go before the
// provider it was made with: declare it after the provider's owner.
struct CryptHashTraits {
  using Handle = HCRYPTHASH;
  static Handle Invalid() { return 0; }
  static bool IsValid(Handle h) { return h != 0; }
  static void Close(Handle h) { ::CryptDestroyHash(h); }
};
using ScopedCryptHash = ScopedGeneric<CryptHashTraits>;

// A key (CryptImportKey, CryptGenKey, ...): CryptDestroyKey. It too must go
// before its provider.
struct CryptKeyTraits {
  using Handle = HCRYPTKEY;
  static Handle Invalid() { return 0; }
  static bool IsValid(Handle h) { return h != 0; }
  static void Close(Handle h) { ::CryptDestroyKey(h); }
};
using ScopedCryptKey = ScopedGeneric<CryptKeyTraits>;

}  // namespace base
