// Reading the text files of a Linux PCI device folder: identity words, the folder name as a PCI
// slot, and the resource table. Every parser rejects malformed text instead of guessing.
#pragma once

#include "driver/CardBus.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tlv880::bus::sysfs {

// Resource flags of the kernel's resource table.
constexpr uint64_t kFlagIo = 0x100;
constexpr uint64_t kFlagMemory = 0x200;
// Lines of the resource table that describe address spaces: BARs 0..5 and the expansion ROM.
constexpr int kAddressLines = 7;

// Whole content of a small text file (at most maxBytes); nullopt when it cannot be read.
std::optional<std::string> ReadSmallFile(const std::string& path, size_t maxBytes = 4096);

// A 16-bit identity such as "0x1172\n"; nullopt for anything else.
std::optional<uint16_t> ParseIdWord(const std::string& text);

// A device folder name "DDDD:BB:SS.F" (hex domain, bus, slot; function 0..7).
std::optional<PciSlot> ParseSlotName(const std::string& name);
std::string SlotName(const PciSlot& slot);

// The address-space lines of a resource table ("start end flags" in hex, one line per resource
// number). Unused lines (all zero) are skipped; a malformed line makes the table unusable.
bool ParseResourceTable(const std::string& text, ResourceList* list);

} // namespace tlv880::bus::sysfs
