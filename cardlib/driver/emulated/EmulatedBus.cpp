// The "emulated" card bus: virtual TLV-880 cards on an imaginary PCI bus, described by the
// environment, with an optional trace of every register write, an optional chamber of sources
// and crystals behind the cards, and an optional control file of run-time commands.
#include "Chamber.h"
#include "ChamberFile.h"
#include "ControlFile.h"
#include "EmulatedCard.h"
#include "driver/CardBus.h"
#include "driver/DriverHandle.h"
#include "driver/EmulatedCards.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace tlv880::bus {

namespace {

using emu::CardFault;
using emu::EmulatedCard;

constexpr uint32_t kEmulatedBusNumber = 1;
constexpr uint64_t kPortBase = 0xC000;
constexpr uint64_t kPortStride = emu::kRegisterWindow;
constexpr uint64_t kFirstInterrupt = 10;

struct EmulatedHandle final : DriverHandle {
    uint64_t generation = 0;
    int registeredCard = -1;
};

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// The whole emulated bus. mutex guards every member: the library's threads and its callers reach
// the cards concurrently, and each trace line must be written whole.
class EmulatedBusState {
public:
    // Never destroyed: the card library writes its stop sequence while the process unloads it,
    // possibly after other static objects are gone. Trace lines are flushed as written, so
    // nothing is lost by never closing the file.
    static EmulatedBusState& instance()
    {
        static EmulatedBusState* const state = new EmulatedBusState;
        return *state;
    }

    std::mutex mutex;

    // Reads the environment when the bus has not been configured since the last reset.
    void configureLocked()
    {
        if (configured_) return;
        configured_ = true;
        error_.clear();
        cards_.clear();
        const emu::TimePoint now = nowLocked();
        std::vector<emu::CardSetup> setups;
        if (!emu::ParseCardList(environment("TLV880_EMU_CARDS"), &setups, &error_) ||
            !emu::ParseDriverVersion(environment("TLV880_EMU_VERSION"), &version_, &error_)) {
            return;
        }
        const std::string tracePath = environment("TLV880_EMU_TRACE");
        if (!tracePath.empty()) {
            trace_ = std::fopen(tracePath.c_str(), "a");
            if (!trace_) {
                error_ = "TLV880_EMU_TRACE: cannot open \"" + tracePath + "\" for appending";
                return;
            }
        }
        const std::string chamberPath = environment("TLV880_EMU_CHAMBER");
        emu::ChamberSetup chamber;
        if (!chamberPath.empty() &&
            (!emu::ReadChamberFile(chamberPath, &chamber, &error_) ||
             !emu::CheckChamberFitsCards(chamber, setups, chamberPath, &error_)))
            return;
        for (const emu::CardSetup& setup : setups)
            cards_.emplace_back(setup, now);
        if (!chamberPath.empty()) {
            // Without a seed in the file every run draws its own noise.
            chamber_ = std::make_unique<emu::Chamber>(chamber, setups, std::random_device{}(), now);
            for (size_t card = 0; card < cards_.size(); ++card)
                cards_[card].attachChamber(chamber_.get(), static_cast<int>(card));
        }
        control_.open(environment("TLV880_EMU_CONTROL"), now);
    }

    void resetLocked()
    {
        if (trace_) std::fclose(trace_);
        trace_ = nullptr;
        cards_.clear();
        chamber_.reset();
        control_.close();
        error_.clear();
        configured_ = false;
        manualClock_ = false;
        ++generation_;
    }

    bool usableLocked() const { return configured_ && error_.empty(); }
    const std::string& errorLocked() const { return error_; }
    uint64_t generationLocked() const { return generation_; }
    uint32_t versionLocked() const { return version_; }
    int cardCountLocked() const { return static_cast<int>(cards_.size()); }
    EmulatedCard* cardLocked(int index)
    {
        return index >= 0 && index < cardCountLocked() ? &cards_[static_cast<size_t>(index)]
                                                       : nullptr;
    }

    emu::Chamber* chamberLocked() { return chamber_.get(); }

    // Carries out the control file's new commands (at most every tenth of a second of bus time).
    void pollControlLocked()
    {
        if (!usableLocked()) return;
        control_.poll(nowLocked(), [&](const emu::ControlCommand& command) {
            if (EmulatedCard* card = cardLocked(command.card))
                card->replaceCrystal(command.channel, nowLocked());
            else
                emu::ControlFile::Complain("replace: no card", command.card);
        });
    }

    emu::TimePoint nowLocked() const { return manualClock_ ? manualNow_ : emu::Clock::now(); }
    void useManualClockLocked(bool manual)
    {
        if (manual && !manualClock_) manualNow_ = emu::Clock::now();
        manualClock_ = manual;
    }
    void advanceClockLocked(std::chrono::nanoseconds step)
    {
        if (manualClock_ && step.count() > 0)
            manualNow_ += std::chrono::duration_cast<emu::Clock::duration>(step);
    }

    void traceLocked(int card, uint32_t offset, uint32_t value)
    {
        if (!trace_) return;
        std::fprintf(trace_, "%d 0x%02X 0x%08X\n", card, static_cast<unsigned>(offset),
                     static_cast<unsigned>(value));
        std::fflush(trace_);
    }

private:
    EmulatedBusState() = default;

    bool configured_ = false;
    uint64_t generation_ = 1;
    std::string error_;
    uint32_t version_ = emu::kDefaultDriverVersion;
    std::vector<EmulatedCard> cards_;
    std::unique_ptr<emu::Chamber> chamber_;
    emu::ControlFile control_;
    std::FILE* trace_ = nullptr;
    bool manualClock_ = false;
    emu::TimePoint manualNow_{};
};

EmulatedHandle* asEmulated(DriverHandle* handle)
{
    return static_cast<EmulatedHandle*>(handle);
}

// The card a slot names, or -1.
int cardOfSlot(EmulatedBusState& bus, const PciSlot& slot)
{
    if (slot.domain != 0 || slot.bus != kEmulatedBusNumber || slot.function != 0) return -1;
    const int index = static_cast<int>(slot.slot);
    return index < bus.cardCountLocked() ? index : -1;
}

// A live handle of the current configuration.
bool handleValid(EmulatedBusState& bus, const EmulatedHandle* handle)
{
    return handle && handle->generation == bus.generationLocked() && bus.usableLocked();
}

DriverHandle* emuOpen()
{
    EmulatedBusState& bus = EmulatedBusState::instance();
    std::lock_guard lock(bus.mutex);
    bus.configureLocked();
    if (!bus.usableLocked()) return nullptr;
    auto* handle = new EmulatedHandle;
    handle->generation = bus.generationLocked();
    return handle;
}

void emuClose(DriverHandle* handle)
{
    delete asEmulated(handle);
}

uint32_t emuVersion(DriverHandle* h)
{
    EmulatedBusState& bus = EmulatedBusState::instance();
    std::lock_guard lock(bus.mutex);
    return handleValid(bus, asEmulated(h)) ? bus.versionLocked() : 0;
}

int emuScan(DriverHandle* h, uint16_t vendor, uint16_t device, PciSlot* slots, int maxSlots)
{
    EmulatedBusState& bus = EmulatedBusState::instance();
    std::lock_guard lock(bus.mutex);
    if (!handleValid(bus, asEmulated(h)) || vendor != kVendorId || device != kDeviceId) return 0;
    const int count = bus.cardCountLocked();
    for (int i = 0; i < count && i < maxSlots && slots; ++i)
        slots[i] = PciSlot{0, kEmulatedBusNumber, static_cast<uint32_t>(i), 0};
    return count;
}

int emuResources(DriverHandle* h, const PciSlot& slot, ResourceList* list)
{
    EmulatedBusState& bus = EmulatedBusState::instance();
    std::lock_guard lock(bus.mutex);
    if (!handleValid(bus, asEmulated(h))) return 1;
    const int index = cardOfSlot(bus, slot);
    if (index < 0 || bus.cardLocked(index)->setup().fault == CardFault::Resources) return 1;
    ResourceList result;
    result.items[0] =
        Resource{ResourceKind::Io, kPortBase + kPortStride * uint64_t(index), kPortStride, 0};
    result.items[1] = Resource{ResourceKind::Interrupt, kFirstInterrupt + uint64_t(index), 1, -1};
    result.count = 2;
    *list = result;
    return 0;
}

int emuRegister(DriverHandle* h, const PciSlot& slot, const ResourceList&, Registration* reg)
{
    EmulatedBusState& bus = EmulatedBusState::instance();
    std::lock_guard lock(bus.mutex);
    EmulatedHandle* handle = asEmulated(h);
    if (!handleValid(bus, handle) || handle->registeredCard >= 0) return 1;
    const int index = cardOfSlot(bus, slot);
    if (index < 0 || bus.cardLocked(index)->setup().fault == CardFault::Open) return 1;
    handle->registeredCard = index;
    *reg = Registration{};
    reg->handle = uint64_t(index) + 1;
    return 0;
}

void emuUnregister(DriverHandle* h, Registration* reg)
{
    EmulatedBusState& bus = EmulatedBusState::instance();
    std::lock_guard lock(bus.mutex);
    asEmulated(h)->registeredCard = -1;
    *reg = Registration{};
}

int emuConfigRead(DriverHandle* h, const PciSlot& slot, uint32_t offset, uint32_t* value)
{
    EmulatedBusState& bus = EmulatedBusState::instance();
    std::lock_guard lock(bus.mutex);
    *value = 0;
    if (!handleValid(bus, asEmulated(h)) || offset > 0xFC || (offset & 3u) != 0) return 1;
    const int index = cardOfSlot(bus, slot);
    if (index < 0) return 1;
    if (offset == 0x00) *value = uint32_t{kDeviceId} << 16 | kVendorId;
    if (offset == 0x10 && bus.cardLocked(index)->setup().fault != CardFault::Bar)
        *value = static_cast<uint32_t>(kPortBase + kPortStride * uint64_t(index)) | 1u;
    return 0;
}

// The card and register a port reaches through this handle, or false.
bool portTarget(EmulatedBusState& bus, EmulatedHandle* handle, uint64_t port, int* card,
                uint32_t* offset)
{
    if (!handleValid(bus, handle) || port < kPortBase) return false;
    const uint64_t index = (port - kPortBase) / kPortStride;
    if (index >= uint64_t(bus.cardCountLocked()) || int(index) != handle->registeredCard)
        return false;
    *offset = static_cast<uint32_t>((port - kPortBase) % kPortStride);
    *card = static_cast<int>(index);
    return (*offset & 3u) == 0 && bus.cardLocked(*card)->setup().fault != CardFault::Io;
}

int emuPortRead(DriverHandle* h, uint64_t port, uint32_t* value)
{
    EmulatedBusState& bus = EmulatedBusState::instance();
    std::lock_guard lock(bus.mutex);
    *value = 0;
    int card = 0;
    uint32_t offset = 0;
    if (!portTarget(bus, asEmulated(h), port, &card, &offset)) return 1;
    bus.pollControlLocked();
    *value = bus.cardLocked(card)->read(offset, bus.nowLocked());
    return 0;
}

int emuPortWrite(DriverHandle* h, uint64_t port, uint32_t value)
{
    EmulatedBusState& bus = EmulatedBusState::instance();
    std::lock_guard lock(bus.mutex);
    int card = 0;
    uint32_t offset = 0;
    if (!portTarget(bus, asEmulated(h), port, &card, &offset)) return 1;
    bus.pollControlLocked();
    bus.cardLocked(card)->write(offset, value, bus.nowLocked());
    bus.traceLocked(card, offset, value);
    return 0;
}

const BusOps kEmulatedBus = {"emulated",    emuOpen,      emuClose,    emuVersion,
                             emuScan,       emuResources, emuRegister, emuUnregister,
                             emuConfigRead, emuPortRead,  emuPortWrite};

// Runs f on a configured card under the bus mutex; otherwise when the card does not exist.
template <typename R, typename F> R withCard(int card, R otherwise, F f)
{
    EmulatedBusState& bus = EmulatedBusState::instance();
    std::lock_guard lock(bus.mutex);
    bus.configureLocked();
    bus.pollControlLocked();
    EmulatedCard* target = bus.cardLocked(card);
    return target ? f(target, bus.nowLocked()) : otherwise;
}

// Runs f on the chamber under the bus mutex; -1 when the bus has none.
template <typename F> double withChamber(F f)
{
    EmulatedBusState& bus = EmulatedBusState::instance();
    std::lock_guard lock(bus.mutex);
    bus.configureLocked();
    emu::Chamber* chamber = bus.usableLocked() ? bus.chamberLocked() : nullptr;
    return chamber ? f(chamber, bus.nowLocked()) : -1.0;
}

} // namespace

const BusOps& EmulatedBus()
{
    return kEmulatedBus;
}

namespace emu {

void ResetEmulatedBus()
{
    EmulatedBusState& bus = EmulatedBusState::instance();
    std::lock_guard lock(bus.mutex);
    bus.resetLocked();
}

std::string ConfigError()
{
    EmulatedBusState& bus = EmulatedBusState::instance();
    std::lock_guard lock(bus.mutex);
    bus.configureLocked();
    return bus.errorLocked();
}

int CardCount()
{
    EmulatedBusState& bus = EmulatedBusState::instance();
    std::lock_guard lock(bus.mutex);
    bus.configureLocked();
    return bus.usableLocked() ? bus.cardCountLocked() : 0;
}

void SetPanel(int card, uint16_t panel)
{
    withCard(card, 0, [&](EmulatedCard* c, TimePoint) {
        c->setPanel(panel);
        return 0;
    });
}

void SetAnalogInput(int card, int input, double volts)
{
    if (input < 0 || input > 3) return;
    withCard(card, 0, [&](EmulatedCard* c, TimePoint) {
        c->setAnalogInput(input, volts);
        return 0;
    });
}

void SetCrystalFrequency(int card, int channel, double hz)
{
    if (channel < 0 || channel > 3) return;
    withCard(card, 0, [&](EmulatedCard* c, TimePoint now) {
        c->setFrequency(channel, hz, now);
        return 0;
    });
}

double CrystalFrequency(int card, int channel)
{
    if (channel < 0 || channel > 3) return -1;
    return withCard(card, -1.0,
                    [&](EmulatedCard* c, TimePoint now) { return c->frequency(channel, now); });
}

void ReplaceCrystal(int card, int channel)
{
    if (channel < 0 || channel > 3) return;
    withCard(card, 0, [&](EmulatedCard* c, TimePoint now) {
        c->replaceCrystal(channel, now);
        return 0;
    });
}

double SourceFilm(int output)
{
    return withChamber([&](Chamber* c, TimePoint now) { return c->sourceFilm(output, now); });
}

double CrystalMass(int card, int channel)
{
    return withChamber(
        [&](Chamber* c, TimePoint now) { return c->crystalMass(card, channel, now); });
}

uint32_t LastWrite(int card, uint32_t offset)
{
    return withCard(card, 0u, [&](EmulatedCard* c, TimePoint) { return c->lastWrite(offset); });
}

void UseManualClock(bool manual)
{
    EmulatedBusState& bus = EmulatedBusState::instance();
    std::lock_guard lock(bus.mutex);
    bus.useManualClockLocked(manual);
}

void AdvanceClock(std::chrono::nanoseconds step)
{
    EmulatedBusState& bus = EmulatedBusState::instance();
    std::lock_guard lock(bus.mutex);
    bus.advanceClockLocked(step);
}

} // namespace emu

} // namespace tlv880::bus
