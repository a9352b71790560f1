// The production hosts: the one place where the maker's addresses are written.
#include "model/endpoints.h"

std::wstring hostBase(HostRole role, const std::wstring& language)
{
    switch (role) {
    case HostRole::cdn:
        return L"https://cdn.corvane.com";
    case HostRole::resource:
        return L"https://res.corvane.com";
    case HostRole::chineseResource:
        return L"https://res.corvane.cn";
    case HostRole::api:
        return L"https://api" + language + L".corvane.cn";
    case HostRole::collection:
        return L"https://collect.corvane.com";
    case HostRole::analytics:
        return L"https://www.google-analytics.com";
    }
    return {};
}
