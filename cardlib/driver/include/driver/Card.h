// An open TLV-880 card: its driver handle, registration and address spaces, and 32-bit register
// access at a byte offset of address space 0 (a plain load or store for a memory space, one
// driver port transfer for an I/O space).
#pragma once

#include "driver/CardBus.h"

namespace tlv880::bus {

constexpr int kAddressSpaces = 7; // BARs 0..5 and the expansion ROM

struct AddressSpace {
    bool inUse = false;
    bool isMemory = false;
    int resource = -1; // index into the card's resource list
};

struct CardRecord {
    const BusOps* bus = nullptr;
    DriverHandle* handle = nullptr;
    PciSlot slot;
    ResourceList resources;
    Registration registration;
    AddressSpace spaces[kAddressSpaces];
    int interruptResource = -1;

    bool isOpen() const { return handle != nullptr; }
};

// Opens the driver and checks its version: 0 when a driver of version 521 or later answers,
// 1 when the driver cannot be opened, 2 when it is older.
int CheckDriver(const BusOps& bus);
// Number of TLV-880 cards the bus reports (0 when the driver cannot be opened).
int CountCards(const BusOps& bus);
// Opens card number n (1-based, scan order) into card; false (and nothing held) on failure.
bool OpenCard(const BusOps& bus, int n, CardRecord& card);
// Unregisters and closes an open card; a closed card is left alone.
void ReleaseCard(CardRecord& card);

// Register access in address space 0. A failed transfer reads as 0 and writes nothing.
uint32_t ReadRegister(const CardRecord& card, uint32_t offset);
void WriteRegister(const CardRecord& card, uint32_t offset, uint32_t value);

} // namespace tlv880::bus
