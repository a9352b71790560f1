// The server certificate check of the curl client, on the stand-in's certificates. Needs the
// stand-in's test CA in the prefix's root store, as scripts/with-wine arranges.
#include "net/certificate_check.h"

#include "utility/text_convert.h"

#include "standin.h"

#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A PEM certificate file as a certificate context (null when it cannot be read).
PCCERT_CONTEXT loadCertificate(const std::wstring& path)
{
    std::string pem;
    if (!nettest::readFile(path, pem)) {
        return nullptr;
    }
    DWORD size = 0;
    if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, nullptr,
                              &size, nullptr, nullptr)) {
        return nullptr;
    }
    std::vector<BYTE> der(size);
    if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                              der.data(), &size, nullptr, nullptr)) {
        return nullptr;
    }
    return CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), size);
}

TEST(CertificateCheck, TrustsOnlyACertificateFromATrustedIssuerForItsOwnName)
{
    struct Case {
        std::wstring file;
        const wchar_t* host;
        bool trusted;
    };
    const std::wstring certs = CORVANE_CERTS_DIR;
    const std::wstring extra = CORVANE_EXTRA_CERTS_DIR;
    const Case cases[] = {
        {certs + L"/localhost.pem", L"localhost", true},
        {certs + L"/localhost.pem", L"wrong-host.corvane.test", false},
        {certs + L"/wrong-host.pem", L"wrong-host.corvane.test", true},
        {certs + L"/wrong-host.pem", L"localhost", false},
        {certs + L"/expired.pem", L"localhost", false},
        {certs + L"/self-signed.pem", L"localhost", false},
        // Chains to nothing: Wine's SSL policy alone lets such a partial chain pass.
        {extra + L"/orphan.pem", L"localhost", false},
    };
    for (const Case& c : cases) {
        const std::string name = utility::wideToUtf8(c.file) + " for " + utility::wideToUtf8(c.host);
        PCCERT_CONTEXT certificate = loadCertificate(c.file);
        ASSERT_NE(certificate, nullptr) << name;
        const utility::CertificateVerdict verdict = utility::verifyServerCertificate(certificate, c.host);
        CertFreeCertificateContext(certificate);
        EXPECT_EQ(verdict.trusted, c.trusted)
            << name << ": chain errors 0x" << std::hex << verdict.chainErrors << ", policy error 0x"
            << verdict.policyError;
        if (!c.trusted) {
            EXPECT_TRUE(verdict.chainErrors != 0 || verdict.policyError != 0)
                << name << ": a refusal names its cause";
        }
    }
}

TEST(CertificateCheck, NoCertificateOrNoHostIsNeverTrusted)
{
    EXPECT_FALSE(utility::verifyServerCertificate(nullptr, L"localhost").trusted);
    PCCERT_CONTEXT certificate = loadCertificate(std::wstring(CORVANE_CERTS_DIR) + L"/localhost.pem");
    ASSERT_NE(certificate, nullptr);
    EXPECT_FALSE(utility::verifyServerCertificate(certificate, L"").trusted);
    CertFreeCertificateContext(certificate);
}

}  // namespace
