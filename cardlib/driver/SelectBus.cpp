// Choosing the backend from TLV880_DRIVER, and the "none" backend whose driver never opens.
#include "driver/CardBus.h"

#include <cctype>
#include <cstdlib>
#include <string>

namespace tlv880::bus {

namespace {

DriverHandle* noneOpen()
{
    return nullptr;
}
void noneClose(DriverHandle*) {}
uint32_t noneVersion(DriverHandle*)
{
    return 0;
}
int noneScan(DriverHandle*, uint16_t, uint16_t, PciSlot*, int)
{
    return 0;
}
int noneResources(DriverHandle*, const PciSlot&, ResourceList*)
{
    return 1;
}
int noneRegister(DriverHandle*, const PciSlot&, const ResourceList&, Registration*)
{
    return 1;
}
void noneUnregister(DriverHandle*, Registration*) {}
int noneConfigRead(DriverHandle*, const PciSlot&, uint32_t, uint32_t* value)
{
    if (value) *value = 0;
    return 1;
}
int nonePortRead(DriverHandle*, uint64_t, uint32_t* value)
{
    if (value) *value = 0;
    return 1;
}
int nonePortWrite(DriverHandle*, uint64_t, uint32_t)
{
    return 1;
}

const BusOps kNoneBus = {"none",         noneOpen,      noneClose,    noneVersion,
                         noneScan,       noneResources, noneRegister, noneUnregister,
                         noneConfigRead, nonePortRead,  nonePortWrite};

std::string lowerTrimmed(const char* text)
{
    std::string s;
    for (const char* p = text; *p; ++p) {
        if (!std::isspace(static_cast<unsigned char>(*p)))
            s += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    }
    return s;
}

} // namespace

const BusOps& NoneBus()
{
    return kNoneBus;
}

const BusOps& SelectBus()
{
    const char* env = std::getenv("TLV880_DRIVER");
    const std::string name = env ? lowerTrimmed(env) : std::string();
    if (name.empty()) {
#if defined(__linux__)
        return SysfsBus();
#else
        return NoneBus();
#endif
    }
    if (name == "sysfs") return SysfsBus();
    if (name == "emulated") return EmulatedBus();
    return NoneBus();
}

} // namespace tlv880::bus
