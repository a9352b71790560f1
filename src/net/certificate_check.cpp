#include "net/certificate_check.h"

namespace utility {
namespace {

// Revocation cannot be checked without the network; the system's own HTTPS client tolerates
// that too, so these two bits alone do not refuse a server.
constexpr DWORD kToleratedChainErrors =
    CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;

struct ChainOwner {
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    ~ChainOwner()
    {
        if (chain != nullptr) {
            CertFreeCertificateChain(chain);
        }
    }
};

}  // namespace

CertificateVerdict verifyServerCertificate(PCCERT_CONTEXT certificate, const std::wstring& host)
{
    CertificateVerdict verdict;
    if (certificate == nullptr || host.empty()) {
        verdict.policyError = static_cast<DWORD>(CERT_E_CHAINING);
        return verdict;
    }

    LPSTR serverUsage[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH),
                           const_cast<LPSTR>(szOID_SERVER_GATED_CRYPTO),
                           const_cast<LPSTR>(szOID_SGC_NETSCAPE)};
    CERT_CHAIN_PARA chainPara{};
    chainPara.cbSize = sizeof(chainPara);
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = ARRAYSIZE(serverUsage);
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = serverUsage;

    ChainOwner owner;
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara, 0,
                                 nullptr, &owner.chain)) {
        verdict.policyError = GetLastError();
        return verdict;
    }
    verdict.chainErrors = owner.chain->TrustStatus.dwErrorStatus;

    HTTPSPolicyCallbackData https{};
    https.cbStruct = sizeof(https);
    https.dwAuthType = AUTHTYPE_SERVER;
    https.pwszServerName = const_cast<wchar_t*>(host.c_str());
    CERT_CHAIN_POLICY_PARA policyPara{};
    policyPara.cbSize = sizeof(policyPara);
    policyPara.pvExtraPolicyPara = &https;
    CERT_CHAIN_POLICY_STATUS policyStatus{};
    policyStatus.cbSize = sizeof(policyStatus);
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, owner.chain, &policyPara, &policyStatus)) {
        verdict.policyError = GetLastError();
        return verdict;
    }
    verdict.policyError = policyStatus.dwError;
    verdict.trusted = verdict.policyError == 0 && (verdict.chainErrors & ~kToleratedChainErrors) == 0;
    return verdict;
}

}  // namespace utility
