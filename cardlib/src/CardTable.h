// The open TLV-880 cards in table order (position 0 is the master card) and every register access
// to them. One mutex guards the records and serialises register access, so a card is never
// released while another thread reads or writes it. The state mutex is never held while this one
// is taken (register I/O happens outside compute sections).
#pragma once

#include "LibraryState.h"
#include "RegisterWrites.h"
#include "driver/Card.h"

#include <mutex>

namespace tlv880 {

struct Discovery {
    int32_t result = 0;                        // 0, 904 no card, 906 no usable driver
    int32_t count = 0;                         // cards opened, at most 6
    uint32_t identityRegister[kMaxCards] = {}; // register 0x18 in table order
};

class CardTable {
public:
    CardTable() = default;
    CardTable(const CardTable&) = delete;
    CardTable& operator=(const CardTable&) = delete;

    // Releases any open card, then checks the driver, opens the cards (the first six that open,
    // in scan order; a card that fails to open is skipped) and orders them.
    Discovery Discover(const bus::BusOps& bus);

    bool IsOpen(int position) const;
    int Count() const;
    // A card that is not open reads 0 and ignores writes.
    uint32_t Read(int position, uint32_t offset) const;
    void Write(int position, uint32_t offset, uint32_t value);
    // Performs the writes in order.
    void Apply(const RegisterWrites& writes);
    // Reads the count register of every channel of every open card (sensor order); entries of
    // cards not open read 0.
    void ReadCounts(uint32_t* counts) const;
    void Release(int position);
    void ReleaseAll();

private:
    bool openLocked(int position) const;
    void releaseAllLocked();

    mutable std::mutex mutex_; // guards records_ and count_, and serialises register access
    bus::CardRecord records_[kMaxCards];
    int count_ = 0;
};

} // namespace tlv880
