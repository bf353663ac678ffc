#include "FakeDeviceTree.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

namespace tlv880::bus::testing {

namespace fs = std::filesystem;

FakeDeviceTree::FakeDeviceTree()
{
    std::string pattern = (fs::temp_directory_path() / "tlv-sysfs-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    root_ = pattern;
    ::setenv("TLV880_SYSFS_ROOT", root_.c_str(), 1);
}

FakeDeviceTree::~FakeDeviceTree()
{
    ::unsetenv("TLV880_SYSFS_ROOT");
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void FakeDeviceTree::writeFile(const std::string& path, const std::string& content) const
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
}

void FakeDeviceTree::writeWord(const std::string& path, uint64_t offset, uint32_t value) const
{
    const int fd = ::open(path.c_str(), O_WRONLY);
    if (fd < 0) throw std::runtime_error("cannot open " + path);
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
        static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    const bool written = ::pwrite(fd, bytes, 4, static_cast<off_t>(offset)) == 4;
    ::close(fd);
    if (!written) throw std::runtime_error("cannot write " + path);
}

uint32_t FakeDeviceTree::readWord(const std::string& path, uint64_t offset) const
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) throw std::runtime_error("cannot open " + path);
    unsigned char bytes[4] = {};
    const bool read = ::pread(fd, bytes, 4, static_cast<off_t>(offset)) == 4;
    ::close(fd);
    if (!read) throw std::runtime_error("cannot read " + path);
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
           uint32_t{bytes[3]} << 24;
}

void FakeDeviceTree::addDevice(const std::string& name, uint16_t vendor, uint16_t device,
                               const std::map<uint32_t, uint32_t>& config,
                               const std::vector<FakeResourceLine>& resources)
{
    const std::string dir = folder(name);
    fs::create_directories(dir);
    char text[64];
    std::snprintf(text, sizeof text, "0x%04x\n", vendor);
    writeFile(dir + "/vendor", text);
    std::snprintf(text, sizeof text, "0x%04x\n", device);
    writeFile(dir + "/device", text);

    writeFile(dir + "/config", std::string(256, '\0'));
    writeWord(dir + "/config", 0, uint32_t{device} << 16 | vendor);
    for (const auto& [offset, value] : config)
        writeWord(dir + "/config", offset, value);

    std::string table;
    for (size_t i = 0; i < 13; ++i) {
        const FakeResourceLine line = i < resources.size() ? resources[i] : FakeResourceLine{};
        char row[80];
        std::snprintf(row, sizeof row, "0x%016llx 0x%016llx 0x%016llx\n",
                      static_cast<unsigned long long>(line.start),
                      static_cast<unsigned long long>(line.end),
                      static_cast<unsigned long long>(line.flags));
        table += row;
        if (line.end > line.start)
            writeFile(dir + "/resource" + std::to_string(i),
                      std::string(static_cast<size_t>(line.end - line.start + 1), '\0'));
    }
    writeFile(dir + "/resource", table);
    writeFile(dir + "/irq", "16\n");
}

} // namespace tlv880::bus::testing
