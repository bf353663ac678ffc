#include "CardTable.h"

#include "CardOrder.h"
#include "Cycle.h"

namespace tlv880 {

namespace {
constexpr int32_t kResultNoCard = 904;
constexpr int32_t kResultNoDriver = 906;
} // namespace

bool CardTable::openLocked(int position) const
{
    return position >= 0 && position < kMaxCards && records_[position].isOpen();
}

void CardTable::releaseAllLocked()
{
    for (auto& record : records_) {
        if (record.isOpen()) bus::ReleaseCard(record);
        record = bus::CardRecord{};
    }
    count_ = 0;
}

Discovery CardTable::Discover(const bus::BusOps& bus)
{
    std::lock_guard<std::mutex> lock(mutex_);
    releaseAllLocked();
    Discovery found;
    if (bus::CheckDriver(bus) != 0) {
        found.result = kResultNoDriver;
        return found;
    }
    const int counted = bus::CountCards(bus);
    bus::CardRecord scanned[kMaxCards];
    uint32_t identity[kMaxCards] = {};
    int opened = 0;
    for (int n = 1; n <= counted && opened < kMaxCards; ++n) {
        if (!bus::OpenCard(bus, n, scanned[opened])) {
            scanned[opened] = bus::CardRecord{};
            continue;
        }
        identity[opened] = bus::ReadRegister(scanned[opened], reg::kIdentityAnalogControl);
        ++opened;
    }
    if (opened == 0) {
        found.result = kResultNoCard;
        return found;
    }
    int order[kMaxCards] = {};
    OrderCards(identity, opened, order);
    for (int p = 0; p < opened; ++p) {
        records_[p] = scanned[order[p]];
        found.identityRegister[p] = identity[order[p]];
    }
    count_ = opened;
    found.count = opened;
    return found;
}

bool CardTable::IsOpen(int position) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return openLocked(position);
}

int CardTable::Count() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return count_;
}

uint32_t CardTable::Read(int position, uint32_t offset) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return openLocked(position) ? bus::ReadRegister(records_[position], offset) : 0u;
}

void CardTable::Write(int position, uint32_t offset, uint32_t value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (openLocked(position)) bus::WriteRegister(records_[position], offset, value);
}

void CardTable::Apply(const RegisterWrites& writes)
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (int w = 0; w < writes.count; ++w) {
        const RegisterWrite& item = writes.items[w];
        if (openLocked(item.card)) bus::WriteRegister(records_[item.card], item.offset, item.value);
    }
}

void CardTable::ReadCounts(uint32_t* counts) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (int i = 0; i < kSensors; ++i) {
        const int card = i / 4;
        counts[i] = openLocked(card) ? bus::ReadRegister(records_[card], CountRegister(i)) : 0u;
    }
}

void CardTable::Release(int position)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!openLocked(position)) return;
    bus::ReleaseCard(records_[position]);
    records_[position] = bus::CardRecord{};
}

void CardTable::ReleaseAll()
{
    std::lock_guard<std::mutex> lock(mutex_);
    releaseAllLocked();
}

} // namespace tlv880
