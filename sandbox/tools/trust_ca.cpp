// Makes the stand-in server's test CA trusted by the programs of one Wine prefix (or a Windows test
// machine), and checks what that prefix then thinks of a server certificate. Test tooling only.
//
//   trust_ca add FILE          put the certificate (PEM or DER) into the machine's "Root" store
//   trust_ca remove FILE       take it out again
//   trust_ca check FILE HOST   build the chain of a server certificate as the installer's clients do
//                              and apply the SSL policy for HOST; exit 0 only when it is accepted
//
// Exit codes: 0 done or accepted, 1 failed or refused, 2 usage.
//
// The machine store (HKLM\Software\Microsoft\SystemCertificates\Root) is used rather than the user's:
// on Windows, adding to the user's root store asks the user in a dialog, which a test run cannot
// answer. Under Wine 8, WinINet and CertGetCertificateChain both trust what this store holds.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Bound on what we read: a certificate is a few kilobytes, anything bigger is the wrong file.
constexpr size_t kMaxCertificateFileBytes = 64 * 1024;

struct StoreCloser {
    void operator()(HCERTSTORE store) const { CertCloseStore(store, 0); }
};
struct CertFreer {
    void operator()(PCCERT_CONTEXT cert) const { CertFreeCertificateContext(cert); }
};
struct ChainFreer {
    void operator()(PCCERT_CHAIN_CONTEXT chain) const { CertFreeCertificateChain(chain); }
};
using StorePtr = std::unique_ptr<void, StoreCloser>;
using CertPtr = std::unique_ptr<const CERT_CONTEXT, CertFreer>;
using ChainPtr = std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFreer>;

bool readFile(const wchar_t* path, std::vector<BYTE>& out)
{
    FILE* file = _wfopen(path, L"rb");
    if (file == nullptr) {
        fwprintf(stderr, L"trust_ca: cannot open %ls\n", path);
        return false;
    }
    out.resize(kMaxCertificateFileBytes + 1);
    const size_t got = fread(out.data(), 1, out.size(), file);
    fclose(file);
    if (got == 0 || got > kMaxCertificateFileBytes) {
        fwprintf(stderr, L"trust_ca: %ls is empty or too large for a certificate\n", path);
        return false;
    }
    out.resize(got);
    return true;
}

// Accepts DER as it is and PEM by its "-----BEGIN" armour, so make-certs' files work unchanged.
CertPtr loadCertificate(const wchar_t* path)
{
    std::vector<BYTE> bytes;
    if (!readFile(path, bytes)) {
        return nullptr;
    }
    std::vector<BYTE> der;
    static const char kArmour[] = "-----BEGIN";
    if (bytes.size() > sizeof(kArmour) && memcmp(bytes.data(), kArmour, sizeof(kArmour) - 1) == 0) {
        DWORD size = 0;
        const auto text = reinterpret_cast<const char*>(bytes.data());
        const auto length = static_cast<DWORD>(bytes.size());
        if (!CryptStringToBinaryA(text, length, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                                  nullptr)) {
            fwprintf(stderr, L"trust_ca: %ls is not a PEM certificate (%lu)\n", path, GetLastError());
            return nullptr;
        }
        der.resize(size);
        if (!CryptStringToBinaryA(text, length, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr,
                                  nullptr)) {
            fwprintf(stderr, L"trust_ca: %ls is not a PEM certificate (%lu)\n", path, GetLastError());
            return nullptr;
        }
        der.resize(size);
    } else {
        der.swap(bytes);
    }
    CertPtr cert(CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data(),
                                              static_cast<DWORD>(der.size())));
    if (!cert) {
        fwprintf(stderr, L"trust_ca: %ls holds no certificate (%lu)\n", path, GetLastError());
    }
    return cert;
}

// The registry provider, not the logical system store: under Wine 8 the logical "Root" store
// accepts a deletion and reports success without ever writing it back to the registry.
StorePtr openMachineRoot()
{
    StorePtr store(CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0,
                                 CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root"));
    if (!store) {
        fwprintf(stderr, L"trust_ca: cannot open the machine's Root store (%lu)\n", GetLastError());
    }
    return store;
}

int addToRoot(const wchar_t* path)
{
    const CertPtr cert = loadCertificate(path);
    const StorePtr store = cert ? openMachineRoot() : nullptr;
    if (!store) {
        return 1;
    }
    if (!CertAddCertificateContextToStore(store.get(), cert.get(), CERT_STORE_ADD_REPLACE_EXISTING,
                                          nullptr)) {
        fwprintf(stderr, L"trust_ca: adding to Root failed (%lu)\n", GetLastError());
        return 1;
    }
    return 0;
}

int removeFromRoot(const wchar_t* path)
{
    const CertPtr cert = loadCertificate(path);
    const StorePtr store = cert ? openMachineRoot() : nullptr;
    if (!store) {
        return 1;
    }
    PCCERT_CONTEXT found = CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0,
                                                      CERT_FIND_EXISTING, cert.get(), nullptr);
    if (found == nullptr) {
        return 0;  // already absent: removing is idempotent
    }
    // CertDeleteCertificateFromStore frees the context it is given, even on failure.
    if (!CertDeleteCertificateFromStore(found)) {
        fwprintf(stderr, L"trust_ca: removing from Root failed (%lu)\n", GetLastError());
        return 1;
    }
    return 0;
}

// Mirrors the clients' own check: chain for server authentication, then the SSL policy for the
// host name. Wine's policy lets a chain that does not reach a trusted root pass, so every chain
// error bit except the two "revocation unknown" ones is a refusal here as well.
int checkServer(const wchar_t* path, const wchar_t* host)
{
    const CertPtr cert = loadCertificate(path);
    if (!cert) {
        return 1;
    }
    LPSTR serverAuth = const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH);
    CERT_CHAIN_PARA chainPara = {};
    chainPara.cbSize = sizeof(chainPara);
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = &serverAuth;
    PCCERT_CHAIN_CONTEXT rawChain = nullptr;
    if (!CertGetCertificateChain(nullptr, cert.get(), nullptr, cert->hCertStore, &chainPara, 0,
                                 nullptr, &rawChain)) {
        fwprintf(stderr, L"trust_ca: CertGetCertificateChain failed (%lu)\n", GetLastError());
        return 1;
    }
    const ChainPtr chain(rawChain);

    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
    ssl.cbSize = sizeof(ssl);
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = const_cast<wchar_t*>(host);
    CERT_CHAIN_POLICY_PARA policyPara = {};
    policyPara.cbSize = sizeof(policyPara);
    policyPara.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status = {};
    status.cbSize = sizeof(status);
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policyPara, &status)) {
        fwprintf(stderr, L"trust_ca: CertVerifyCertificateChainPolicy failed (%lu)\n", GetLastError());
        return 1;
    }
    const DWORD chainErrors = chain->TrustStatus.dwErrorStatus &
        ~static_cast<DWORD>(CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION);
    wprintf(L"chain status 0x%08lx, policy error 0x%08lx\n", chain->TrustStatus.dwErrorStatus,
            status.dwError);
    return (status.dwError == 0 && chainErrors == 0) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 3 && wcscmp(argv[1], L"add") == 0) {
        return addToRoot(argv[2]);
    }
    if (argc == 3 && wcscmp(argv[1], L"remove") == 0) {
        return removeFromRoot(argv[2]);
    }
    if (argc == 4 && wcscmp(argv[1], L"check") == 0) {
        return checkServer(argv[2], argv[3]);
    }
    fwprintf(stderr, L"usage: trust_ca add FILE | remove FILE | check FILE HOST\n");
    return 2;
}
