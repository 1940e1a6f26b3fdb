// trust_ca.exe: makes the tests' own certificate authority a trusted root of the Wine prefix
// it runs in, so the test server's https port passes WinInet's certificate checks there and
// nowhere else. Never run it against a real Windows installation you care about.
//
// Usage: trust_ca.exe [--user] CA.pem|CA.der
//   --user    the current user's Root store instead of the local machine's
// There is no way back short of a fresh prefix: Wine 8 reports success for
// CertDeleteCertificateFromStore on the Root store but keeps the certificate.
// Exit code 0 on success; the reason of a failure goes to stderr.

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

struct StoreCloser {
    void operator()(void* store) const { CertCloseStore(store, 0); }
};
using UniqueStore = std::unique_ptr<void, StoreCloser>;

bool ReadWholeFile(const char* path, std::vector<BYTE>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !bytes.empty();
}

// DER bytes of a certificate given as PEM ("-----BEGIN CERTIFICATE-----") or as DER.
bool ToDer(const std::vector<BYTE>& file, std::vector<BYTE>& der) {
    const std::string text(file.begin(), file.end());
    if (text.find("-----BEGIN") == std::string::npos) {
        der = file;
        return true;
    }
    DWORD size = 0;
    if (!CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()),
                              CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
        return false;
    }
    der.resize(size);
    return CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()),
                                CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr,
                                nullptr) != FALSE;
}

int Fail(const char* what) {
    const DWORD error = GetLastError();
    std::fprintf(stderr, "trust_ca: %s failed, error %lu (0x%08lx)\n", what, error, error);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    DWORD location = CERT_SYSTEM_STORE_LOCAL_MACHINE;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--user") == 0) {
            location = CERT_SYSTEM_STORE_CURRENT_USER;
        } else {
            path = argv[i];
        }
    }
    if (path == nullptr) {
        std::fprintf(stderr, "usage: trust_ca.exe [--user] CA.pem|CA.der\n");
        return 2;
    }

    std::vector<BYTE> file;
    std::vector<BYTE> der;
    if (!ReadWholeFile(path, file)) {
        std::fprintf(stderr, "trust_ca: cannot read %s\n", path);
        return 1;
    }
    if (!ToDer(file, der)) return Fail("CryptStringToBinaryA");

    UniqueStore store(CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, location, "Root"));
    if (!store) return Fail("CertOpenStore(Root)");

    if (!CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(),
                                          static_cast<DWORD>(der.size()),
                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
        return Fail("CertAddEncodedCertificateToStore");
    }
    std::printf("trusted (%s Root store)\n",
                location == CERT_SYSTEM_STORE_CURRENT_USER ? "current user" : "local machine");
    return 0;
}
