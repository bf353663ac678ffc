// Opening, releasing and register access of TLV-880 cards over any card bus.
#include "driver/Card.h"

namespace tlv880::bus {

namespace {

constexpr uint32_t kBarOffset = 0x10;    // configuration offset of base address register 0
constexpr uint32_t kRomBarOffset = 0x30; // expansion ROM base register (space 6)
constexpr int kRomSpace = 6;

uint32_t barOffset(int space)
{
    return space < kRomSpace ? kBarOffset + 4u * static_cast<uint32_t>(space) : kRomBarOffset;
}

// A memory base register of type 64-bit (bits 1..2 = 10) carries the upper half of the address
// in the next register; machines with a lot of memory place cards above 4 GB.
bool isWideMemoryBar(uint32_t bar, int space)
{
    return space < 5 && (bar & 0x7u) == 0x4u;
}

// Does the base address register of the space describe this resource?
bool spaceMatches(const BusOps& bus, DriverHandle* handle, const PciSlot& slot, int space,
                  const Resource& resource)
{
    uint32_t bar = 0;
    if (bus.configRead32(handle, slot, barOffset(space), &bar) != 0) return false;
    if (space == kRomSpace) {
        // The expansion ROM register is always a memory address; its bit 0 is the enable bit.
        return resource.kind == ResourceKind::Memory && (bar & ~0x7FFu) != 0 &&
               resource.start == (bar & ~0x7FFu);
    }
    if ((bar & 1u) == 0) {
        if (resource.kind != ResourceKind::Memory) return false;
        uint64_t base = bar & ~0xFull;
        if (isWideMemoryBar(bar, space)) {
            uint32_t upper = 0;
            if (bus.configRead32(handle, slot, barOffset(space + 1), &upper) == 0)
                base |= static_cast<uint64_t>(upper) << 32;
        }
        return base != 0 && resource.start == base;
    }
    if (resource.kind != ResourceKind::Io) return false;
    return static_cast<uint32_t>(resource.start & 0xFFFFu) == (bar & ~0x3u);
}

// Takes the interrupt resource out of the list (the cards are polled); returns its former index.
int removeInterrupt(ResourceList& list)
{
    int found = -1;
    int kept = 0;
    for (int i = 0; i < list.count; ++i) {
        if (list.items[i].kind == ResourceKind::Interrupt) {
            if (found < 0) found = i;
            continue;
        }
        list.items[kept++] = list.items[i];
    }
    list.count = kept;
    return found;
}

} // namespace

int CheckDriver(const BusOps& bus)
{
    DriverHandle* handle = bus.open();
    if (!handle) return 1;
    const uint32_t version = bus.version(handle);
    bus.close(handle);
    return version >= kMinDriverVersion ? 0 : 2;
}

int CountCards(const BusOps& bus)
{
    DriverHandle* handle = bus.open();
    if (!handle) return 0;
    PciSlot slots[kMaxSlots];
    const int found = bus.scan(handle, kVendorId, kDeviceId, slots, kMaxSlots);
    bus.close(handle);
    return found > 0 ? found : 0;
}

bool OpenCard(const BusOps& bus, int n, CardRecord& card)
{
    card = CardRecord{};
    DriverHandle* handle = bus.open();
    if (!handle) return false;
    if (bus.version(handle) < kMinDriverVersion) {
        bus.close(handle);
        return false;
    }

    PciSlot slots[kMaxSlots];
    const int found = bus.scan(handle, kVendorId, kDeviceId, slots, kMaxSlots);
    if (n < 1 || n > found || n > kMaxSlots) {
        bus.close(handle);
        return false;
    }
    const PciSlot slot = slots[n - 1];

    ResourceList resources;
    if (bus.resources(handle, slot, &resources) != 0 || resources.count < 0 ||
        resources.count > kMaxResources) {
        bus.close(handle);
        return false;
    }
    const int interrupt = removeInterrupt(resources);

    Registration registration;
    if (bus.registerCard(handle, slot, resources, &registration) != 0) {
        bus.close(handle);
        return false;
    }

    AddressSpace spaces[kAddressSpaces];
    bool anyInUse = false;
    for (int r = 0; r < resources.count; ++r) {
        const Resource& resource = resources.items[r];
        if (resource.kind != ResourceKind::Memory && resource.kind != ResourceKind::Io) continue;
        for (int space = 0; space < kAddressSpaces; ++space) {
            if (spaces[space].inUse) continue;
            if (!spaceMatches(bus, handle, slot, space, resource)) continue;
            spaces[space].inUse = true;
            spaces[space].isMemory = resource.kind == ResourceKind::Memory;
            spaces[space].resource = r;
            anyInUse = true;
            break;
        }
    }
    if (!anyInUse) {
        bus.unregisterCard(handle, &registration);
        bus.close(handle);
        return false;
    }

    card.bus = &bus;
    card.handle = handle;
    card.slot = slot;
    card.resources = resources;
    card.registration = registration;
    for (int space = 0; space < kAddressSpaces; ++space)
        card.spaces[space] = spaces[space];
    card.interruptResource = interrupt;
    return true;
}

void ReleaseCard(CardRecord& card)
{
    if (!card.isOpen()) return;
    card.bus->unregisterCard(card.handle, &card.registration);
    card.bus->close(card.handle);
    card = CardRecord{};
}

uint32_t ReadRegister(const CardRecord& card, uint32_t offset)
{
    const AddressSpace& space = card.spaces[0];
    if (!card.isOpen() || !space.inUse || (offset & 3u) != 0) return 0;
    if (space.isMemory) {
        volatile uint32_t* base = card.registration.mapped[space.resource];
        if (!base || uint64_t{offset} + 4 > card.registration.mappedLength[space.resource])
            return 0;
        return base[offset / 4];
    }
    uint32_t value = 0;
    const uint64_t port = card.resources.items[space.resource].start + offset;
    if (card.bus->portRead32(card.handle, port, &value) != 0) return 0;
    return value;
}

void WriteRegister(const CardRecord& card, uint32_t offset, uint32_t value)
{
    const AddressSpace& space = card.spaces[0];
    if (!card.isOpen() || !space.inUse || (offset & 3u) != 0) return;
    if (space.isMemory) {
        volatile uint32_t* base = card.registration.mapped[space.resource];
        if (!base || uint64_t{offset} + 4 > card.registration.mappedLength[space.resource]) return;
        base[offset / 4] = value;
        return;
    }
    const uint64_t port = card.resources.items[space.resource].start + offset;
    (void)card.bus->portWrite32(card.handle, port, value);
}

} // namespace tlv880::bus
