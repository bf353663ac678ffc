// Real PCI cards on Linux through the kernel's device folders: identity from `vendor` and
// `device`, base address registers from `config`, memory spaces mapped from `resourceN`, I/O
// spaces read and written with pread/pwrite on `resourceN` at the port's offset.
#include "SysfsFiles.h"
#include "driver/CardBus.h"
#include "driver/DriverHandle.h"

#if defined(__linux__)
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

namespace tlv880::bus {

namespace {

// Driver version this backend reports; the library requires at least 521.
constexpr uint32_t kSysfsDriverVersion = 600;

#if defined(__linux__)

struct IoWindow {
    uint64_t start = 0;
    uint64_t length = 0;
    int fd = -1;
};

struct SysfsHandle final : DriverHandle {
    std::string root;
    bool registered = false;
    std::vector<IoWindow> ioWindows; // I/O resources of the registered card
    ~SysfsHandle() override
    {
        for (const IoWindow& window : ioWindows)
            ::close(window.fd);
    }
};

SysfsHandle* asSysfs(DriverHandle* handle)
{
    return static_cast<SysfsHandle*>(handle);
}

std::string rootFolder()
{
    const char* env = std::getenv("TLV880_SYSFS_ROOT");
    return env && *env ? std::string(env) : std::string("/sys/bus/pci/devices");
}

std::string deviceFolder(const SysfsHandle& handle, const PciSlot& slot)
{
    return handle.root + "/" + sysfs::SlotName(slot);
}

DriverHandle* sysfsOpen()
{
    const std::string root = rootFolder();
    DIR* dir = ::opendir(root.c_str());
    if (!dir) return nullptr;
    ::closedir(dir);
    auto* handle = new SysfsHandle;
    handle->root = root;
    return handle;
}

void sysfsClose(DriverHandle* handle)
{
    delete asSysfs(handle);
}

uint32_t sysfsVersion(DriverHandle*)
{
    return kSysfsDriverVersion;
}

int sysfsScan(DriverHandle* h, uint16_t vendor, uint16_t device, PciSlot* slots, int maxSlots)
{
    SysfsHandle* handle = asSysfs(h);
    std::vector<std::string> names;
    DIR* dir = ::opendir(handle->root.c_str());
    if (!dir) return 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());

    int found = 0;
    for (const std::string& name : names) {
        const auto slot = sysfs::ParseSlotName(name);
        if (!slot) continue;
        const std::string folder = handle->root + "/" + name;
        const auto vendorText = sysfs::ReadSmallFile(folder + "/vendor", 64);
        const auto deviceText = sysfs::ReadSmallFile(folder + "/device", 64);
        if (!vendorText || !deviceText) continue;
        const auto vendorId = sysfs::ParseIdWord(*vendorText);
        const auto deviceId = sysfs::ParseIdWord(*deviceText);
        if (!vendorId || !deviceId || *vendorId != vendor || *deviceId != device) continue;
        if (found < maxSlots && slots) slots[found] = *slot;
        ++found;
    }
    return found;
}

int sysfsResources(DriverHandle* h, const PciSlot& slot, ResourceList* list)
{
    SysfsHandle* handle = asSysfs(h);
    const std::string folder = deviceFolder(*handle, slot);
    const auto table = sysfs::ReadSmallFile(folder + "/resource", 16384);
    ResourceList resources;
    if (!table || !sysfs::ParseResourceTable(*table, &resources)) return 1;
    // The interrupt line, reported like the driver does so that opening can drop it.
    if (const auto irqText = sysfs::ReadSmallFile(folder + "/irq", 64)) {
        char* end = nullptr;
        const unsigned long irq = std::strtoul(irqText->c_str(), &end, 10);
        if (end != irqText->c_str() && irq != 0 && resources.count < kMaxResources)
            resources.items[resources.count++] = Resource{ResourceKind::Interrupt, irq, 1, -1};
    }
    *list = resources;
    return 0;
}

void sysfsUnregister(DriverHandle* h, Registration* registration)
{
    SysfsHandle* handle = asSysfs(h);
    for (int i = 0; i < kMaxResources; ++i) {
        if (registration->mapped[i]) {
            ::munmap(const_cast<uint32_t*>(registration->mapped[i]), registration->mappedLength[i]);
        }
    }
    *registration = Registration{};
    for (const IoWindow& window : handle->ioWindows)
        ::close(window.fd);
    handle->ioWindows.clear();
    handle->registered = false;
}

// Maps a memory resource read/write. A regular file standing in for the resource may be shorter
// than the resource: only what exists is mapped, so no access can run past its end.
bool mapMemory(const std::string& path, uint64_t length, volatile uint32_t** mapped,
               size_t* mappedLength)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return false;
    }
    uint64_t size = length;
    if (info.st_size > 0) size = std::min<uint64_t>(size, static_cast<uint64_t>(info.st_size));
    if (S_ISREG(info.st_mode) && info.st_size <= 0) size = 0;
    if (size < 4) {
        ::close(fd);
        return false;
    }
    void* address = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (address == MAP_FAILED) return false;
    *mapped = static_cast<volatile uint32_t*>(address);
    *mappedLength = size;
    return true;
}

int sysfsRegister(DriverHandle* h, const PciSlot& slot, const ResourceList& list,
                  Registration* registration)
{
    SysfsHandle* handle = asSysfs(h);
    if (handle->registered || list.count < 0 || list.count > kMaxResources) return 1;
    const std::string folder = deviceFolder(*handle, slot);
    Registration result;
    handle->registered = true;
    for (int i = 0; i < list.count; ++i) {
        const Resource& resource = list.items[i];
        // The expansion ROM has no resource file; it holds no registers, so it stays unmapped.
        if (resource.index < 0 || resource.index >= 6) continue;
        const std::string path = folder + "/resource" + std::to_string(resource.index);
        if (resource.kind == ResourceKind::Memory) {
            if (!mapMemory(path, resource.length, &result.mapped[i], &result.mappedLength[i])) {
                sysfsUnregister(h, &result);
                return 1;
            }
        } else if (resource.kind == ResourceKind::Io) {
            const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
            if (fd < 0) {
                sysfsUnregister(h, &result);
                return 1;
            }
            handle->ioWindows.push_back(IoWindow{resource.start, resource.length, fd});
        }
    }
    static std::atomic<uint64_t> nextHandle{0};
    result.handle = nextHandle.fetch_add(1, std::memory_order_relaxed) + 1;
    *registration = result;
    return 0;
}

int sysfsConfigRead(DriverHandle* h, const PciSlot& slot, uint32_t offset, uint32_t* value)
{
    SysfsHandle* handle = asSysfs(h);
    *value = 0;
    const std::string path = deviceFolder(*handle, slot) + "/config";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 1;
    unsigned char bytes[4];
    const ssize_t got = ::pread(fd, bytes, sizeof bytes, offset);
    ::close(fd);
    if (got != static_cast<ssize_t>(sizeof bytes)) return 1;
    // Configuration space is little-endian whatever the processor.
    *value = uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
             uint32_t{bytes[3]} << 24;
    return 0;
}

const IoWindow* windowFor(const SysfsHandle& handle, uint64_t port)
{
    for (const IoWindow& window : handle.ioWindows) {
        if (port >= window.start && port - window.start + 4 <= window.length) return &window;
    }
    return nullptr;
}

int sysfsPortRead(DriverHandle* h, uint64_t port, uint32_t* value)
{
    *value = 0;
    const IoWindow* window = windowFor(*asSysfs(h), port);
    if (!window) return 1;
    uint32_t word = 0;
    const auto offset = static_cast<off_t>(port - window->start);
    if (::pread(window->fd, &word, sizeof word, offset) != static_cast<ssize_t>(sizeof word))
        return 1;
    *value = word;
    return 0;
}

int sysfsPortWrite(DriverHandle* h, uint64_t port, uint32_t value)
{
    const IoWindow* window = windowFor(*asSysfs(h), port);
    if (!window) return 1;
    const auto offset = static_cast<off_t>(port - window->start);
    return ::pwrite(window->fd, &value, sizeof value, offset) == static_cast<ssize_t>(sizeof value)
               ? 0
               : 1;
}

const BusOps kSysfsBus = {"sysfs",         sysfsOpen,      sysfsClose,    sysfsVersion,
                          sysfsScan,       sysfsResources, sysfsRegister, sysfsUnregister,
                          sysfsConfigRead, sysfsPortRead,  sysfsPortWrite};

#endif

} // namespace

#if defined(__linux__)
const BusOps& SysfsBus()
{
    return kSysfsBus;
}
#else
// No Linux device folders on this platform: the driver cannot be opened.
const BusOps& SysfsBus()
{
    return NoneBus();
}
#endif

} // namespace tlv880::bus
