#pragma once
// What the machine itself offers as identity: its network adapters' hardware addresses and new
// GUIDs. Windows only; both calls block briefly and may run on any thread.

#include "telemetry/event_bodies.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// One 8-byte hardware address field per adapter, as the system lists them (all-zero fields
// included: skipping them is the identifier's rule, not the list's).
using AdapterAddresses = std::vector<std::array<uint8_t, 8>>;

// The adapters GetAdaptersInfo reports, in its order; empty when the list cannot be read.
[[nodiscard]] AdapterAddresses systemAdapterAddresses();

// A new GUID; none when the system cannot make one.
[[nodiscard]] std::optional<GuidFields> newGuidFields();
