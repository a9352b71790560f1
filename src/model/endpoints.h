#pragma once
// The hosts of the maker's servers, by role. The shipped program links the production table
// (endpoints_shipped.cpp); the test flavour of the program links the stand-in table instead, so
// the shipped program has no way at all to take its addresses from anywhere else.

#include <string>

enum class HostRole {
    cdn,              // international web site, CDN
    resource,         // international web site, resources
    chineseResource,  // the Chinese edition's resources
    api,              // the Chinese edition's API host family: "api" + language code
    collection,       // signed event upload
    analytics,        // Measurement Protocol collection
};

// Scheme, host (and, in the test flavour, port and path prefix), without a trailing "/".
// `language` is the product language; only the API role uses it. Any thread.
[[nodiscard]] std::wstring hostBase(HostRole role, const std::wstring& language);
