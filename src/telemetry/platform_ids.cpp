#include "telemetry/platform_ids.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <objbase.h>

#include <cstring>
#include <memory>

namespace {

// A machine lists a handful of adapters; the bound keeps a misbehaving driver from making us
// allocate without end when the needed size keeps growing between the two calls.
constexpr ULONG kAdapterListLimit = 1024 * 1024;
constexpr int kAdapterListAttempts = 4;

}  // namespace

AdapterAddresses systemAdapterAddresses()
{
    AdapterAddresses addresses;
    ULONG size = 16 * sizeof(IP_ADAPTER_INFO);
    std::unique_ptr<uint8_t[]> buffer;
    DWORD status = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < kAdapterListAttempts && status == ERROR_BUFFER_OVERFLOW; ++attempt) {
        if (size == 0 || size > kAdapterListLimit) {
            return addresses;
        }
        buffer = std::make_unique<uint8_t[]>(size);
        status = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.get()), &size);
    }
    if (status != ERROR_SUCCESS) {
        return addresses;
    }
    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.get()); adapter != nullptr;
         adapter = adapter->Next) {
        static_assert(sizeof(adapter->Address) == 8, "the hardware address field is 8 bytes");
        std::array<uint8_t, 8> address{};
        std::memcpy(address.data(), adapter->Address, address.size());
        addresses.push_back(address);
    }
    return addresses;
}

std::optional<GuidFields> newGuidFields()
{
    GUID guid{};
    if (FAILED(CoCreateGuid(&guid))) {
        return std::nullopt;
    }
    GuidFields fields;
    fields.data1 = guid.Data1;
    fields.data2 = guid.Data2;
    fields.data3 = guid.Data3;
    std::memcpy(fields.data4.data(), guid.Data4, fields.data4.size());
    return fields;
}
