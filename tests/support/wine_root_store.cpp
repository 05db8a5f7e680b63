// Adds a test root certificate to the current user's root store of the Wine prefix, or takes
// it out again, so that SChannel's chain check trusts it as a system root.
// Usage: wine_root_store add|remove FILE.pem (a Unix path is taken as Z:\...)
#include <windows.h>

#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s add|remove FILE.pem\n", argv[0]);
        return 2;
    }
    std::string path = argv[2];
    if (!path.empty() && path[0] == '/') {
        std::replace(path.begin(), path.end(), '/', '\\');
        path = "Z:" + path;
    }
    std::ifstream in(path, std::ios::binary);
    const std::string pem{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    DWORD size = 0;
    if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                              nullptr)) {
        std::fprintf(stderr, "%s holds no certificate\n", path.c_str());
        return 1;
    }
    std::vector<BYTE> der(size);
    CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr,
                         nullptr);
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                     CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    if (!store)
        return 1;
    PCCERT_CONTEXT added = nullptr;
    bool ok = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), size,
                                               CERT_STORE_ADD_REPLACE_EXISTING, &added);
    if (ok && std::string(argv[1]) == "remove") {
        ok = CertDeleteCertificateFromStore(added); // frees the context
        added = nullptr;
    }
    if (added)
        CertFreeCertificateContext(added);
    CertControlStore(store, 0, CERT_STORE_CTRL_COMMIT, nullptr); // only then does a removal stick
    CertCloseStore(store, 0);
    return ok ? 0 : 1;
}
