#pragma once
// Judges a TLS server's certificate by the system's own trust and SSL policy. The curl client
// asks this after the handshake and before it sends a request: Schannel under Wine accepts any
// certificate, and an installer that runs what it downloads with administrator rights must not
// talk to a forged server. Any thread; no state.

#include <windows.h>
#include <wincrypt.h>

#include <string>

namespace utility {

struct CertificateVerdict {
    bool trusted = false;
    DWORD chainErrors = 0;  // CERT_TRUST_* error bits of the built chain
    DWORD policyError = 0;  // the SSL policy's verdict (0 or a CERT_E_* / TRUST_E_* code)
};

// Trusted only when the certificate (with the intermediates the server sent, found in its
// store) chains to a trusted root for server use, the SSL policy accepts it for `host`, and the
// chain has no error other than an unknown or offline revocation state. The last rule is ours:
// Wine's SSL policy lets a chain that never reaches a root (partial chain) pass.
[[nodiscard]] CertificateVerdict verifyServerCertificate(PCCERT_CONTEXT certificate,
                                                         const std::wstring& host);

}  // namespace utility
