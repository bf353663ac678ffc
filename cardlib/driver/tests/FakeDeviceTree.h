// A PCI device tree in a temporary folder, laid out like the kernel's device folders, with
// regular files standing in for `vendor`, `device`, `config`, `resource` and `resourceN`.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tlv880::bus::testing {

struct FakeResourceLine {
    uint64_t start = 0;
    uint64_t end = 0;
    uint64_t flags = 0;
};

class FakeDeviceTree {
public:
    FakeDeviceTree();  // creates the folder and points TLV880_SYSFS_ROOT at it
    ~FakeDeviceTree(); // removes it and unsets TLV880_SYSFS_ROOT
    FakeDeviceTree(const FakeDeviceTree&) = delete;
    FakeDeviceTree& operator=(const FakeDeviceTree&) = delete;

    const std::string& root() const { return root_; }
    std::string folder(const std::string& name) const { return root_ + "/" + name; }

    // A device folder with identity files, a 256-byte configuration space with the given base
    // registers (offset -> value), the resource table, and a zero-filled resourceN file of each
    // non-empty line's length.
    void addDevice(const std::string& name, uint16_t vendor, uint16_t device,
                   const std::map<uint32_t, uint32_t>& config,
                   const std::vector<FakeResourceLine>& resources);

    void writeFile(const std::string& path, const std::string& content) const;
    void writeWord(const std::string& path, uint64_t offset, uint32_t value) const;
    uint32_t readWord(const std::string& path, uint64_t offset) const;

private:
    std::string root_;
};

} // namespace tlv880::bus::testing
