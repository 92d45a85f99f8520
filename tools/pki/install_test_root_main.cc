// Test tool: adds a DER certificate to the machine's Root store of the Wine
// prefix, so that the prefix trusts the test authority.
//
//   install_test_root.exe CERT.der
//
// Exit 0 when the certificate is in the store afterwards.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>

#include "base/files.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fwprintf(stderr, L"usage: install_test_root CERT.der\n");
    return 2;
  }
  const auto der = base::ReadFileToString(argv[1], 1 << 20);
  if (!der || der->empty()) {
    std::fwprintf(stderr, L"install_test_root: cannot read %ls\n", argv[1]);
    return 3;
  }
  HCERTSTORE store = ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                     CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
  if (!store) {
    std::fwprintf(stderr, L"install_test_root: CertOpenStore failed: %lu\n", ::GetLastError());
    return 4;
  }
  const BOOL added = ::CertAddEncodedCertificateToStore(
      store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der->data()),
      static_cast<DWORD>(der->size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  const DWORD error = ::GetLastError();
  ::CertCloseStore(store, 0);
  if (!added) {
    std::fwprintf(stderr, L"install_test_root: CertAddEncodedCertificateToStore failed: %lu\n",
                  error);
    return 5;
  }
  return 0;
}
