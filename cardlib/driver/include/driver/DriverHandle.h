// The common base of every backend's driver handle. CardBus.h only forward-declares
// DriverHandle; each backend derives its own handle from this base and casts back in its
// operations, so one program can hold handles of several backends without clashing definitions.
#pragma once

namespace tlv880::bus {

struct DriverHandle {
    DriverHandle() = default;
    DriverHandle(const DriverHandle&) = delete;
    DriverHandle& operator=(const DriverHandle&) = delete;
    virtual ~DriverHandle() = default;
};

} // namespace tlv880::bus
