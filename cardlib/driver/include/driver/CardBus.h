// The card bus: the few driver operations the card library relies on, behind one table of
// function pointers per backend ("sysfs" real PCI, "emulated" virtual cards, "none").
// The library knows the cards only through this header and Card.h.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tlv880::bus {

constexpr uint16_t kVendorId = 0x1172;
constexpr uint16_t kDeviceId = 0x0004;
constexpr uint32_t kMinDriverVersion = 521;
constexpr int kMaxSlots = 16;    // PCI slots one scan reports at most
constexpr int kMaxResources = 8; // resources of one card

struct PciSlot {
    uint32_t domain = 0;
    uint32_t bus = 0;
    uint32_t slot = 0;
    uint32_t function = 0;
};

enum class ResourceKind : uint8_t { Memory, Io, Interrupt };

struct Resource {
    ResourceKind kind = ResourceKind::Memory;
    uint64_t start = 0; // bus address (memory) or port number (I/O)
    uint64_t length = 0;
    int index = 0; // the backend's own number of the resource (sysfs: N of resourceN)
};

struct ResourceList {
    Resource items[kMaxResources];
    int count = 0;
};

// What registering a card's resources gives back: a handle for unregistering and, for each
// memory resource of the list, the address at which the process can load and store it.
struct Registration {
    uint64_t handle = 0;
    volatile uint32_t* mapped[kMaxResources] = {};
    size_t mappedLength[kMaxResources] = {};
};

// One open handle on the driver; each open card and each version check has its own.
struct DriverHandle;

// The operations of one backend. Every operation returns 0 for success and nonzero for failure,
// except where it says otherwise. Backends never print.
struct BusOps {
    const char* name;
    DriverHandle* (*open)(); // nullptr: the driver cannot be opened
    void (*close)(DriverHandle*);
    uint32_t (*version)(DriverHandle*);
    // Cards with the vendor and device, in a stable order; returns how many were found (which
    // may exceed maxSlots: only the first maxSlots are written).
    int (*scan)(DriverHandle*, uint16_t vendor, uint16_t device, PciSlot* slots, int maxSlots);
    int (*resources)(DriverHandle*, const PciSlot&, ResourceList*);
    int (*registerCard)(DriverHandle*, const PciSlot&, const ResourceList&, Registration*);
    void (*unregisterCard)(DriverHandle*, Registration*);
    int (*configRead32)(DriverHandle*, const PciSlot&, uint32_t offset, uint32_t* value);
    int (*portRead32)(DriverHandle*, uint64_t port, uint32_t* value);
    int (*portWrite32)(DriverHandle*, uint64_t port, uint32_t value);
};

// The backend named by TLV880_DRIVER ("sysfs" when unset, "emulated", "none"); an unknown name
// gives the "none" backend. Read once per call; the library calls it at start-up.
const BusOps& SelectBus();

const BusOps& SysfsBus();
const BusOps& EmulatedBus();
const BusOps& NoneBus();

} // namespace tlv880::bus
