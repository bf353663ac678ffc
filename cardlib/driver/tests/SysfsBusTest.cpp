// The Linux PCI backend against a fake device tree: scanning, memory and I/O address spaces,
// address-space matching through the base registers in `config`, and malformed files.
#include "FakeDeviceTree.h"
#include "driver/Card.h"
#include "sysfs/SysfsFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tlv880::bus {
namespace {

using testing::FakeDeviceTree;

constexpr uint64_t kIoFlags = 0x40101;  // I/O, sized
constexpr uint64_t kMemFlags = 0x40200; // memory, sized
constexpr uint64_t kMemBase = 0xFE000000;
constexpr uint64_t kIoBase = 0xE000;

class SysfsBusTest : public ::testing::Test {
protected:
    FakeDeviceTree tree;
    const BusOps& bus = SysfsBus();

    void addMemoryCard(const std::string& name)
    {
        tree.addDevice(name, kVendorId, kDeviceId, {{0x10, kMemBase | 0x8}},
                       {{kMemBase, kMemBase + 0xFFF, kMemFlags}});
    }
    void addIoCard(const std::string& name)
    {
        tree.addDevice(name, kVendorId, kDeviceId, {{0x10, kIoBase | 0x1}},
                       {{kIoBase, kIoBase + 0x3F, kIoFlags}});
    }
};

TEST_F(SysfsBusTest, ScanFindsTheCardsInFolderNameOrder)
{
    addMemoryCard("0000:05:00.0");
    addIoCard("0000:03:00.0");
    tree.addDevice("0000:04:00.0", 0x8086, kDeviceId, {}, {});    // other vendor
    tree.addDevice("0000:06:00.0", kVendorId, 0x0005, {}, {});    // other device
    tree.addDevice("0000:07:00.0", kVendorId, kDeviceId, {}, {}); // identity made unreadable:
    tree.writeFile(tree.folder("0000:07:00.0") + "/vendor", "1172 maybe\n");
    tree.addDevice("not-a-slot", kVendorId, kDeviceId, {}, {});

    DriverHandle* handle = bus.open();
    ASSERT_NE(handle, nullptr);
    EXPECT_GE(bus.version(handle), kMinDriverVersion);
    PciSlot slots[kMaxSlots];
    ASSERT_EQ(bus.scan(handle, kVendorId, kDeviceId, slots, kMaxSlots), 2);
    EXPECT_EQ(slots[0].bus, 3u);
    EXPECT_EQ(slots[1].bus, 5u);
    EXPECT_EQ(bus.scan(handle, kVendorId, kDeviceId, slots, 1), 2); // count beyond the room
    bus.close(handle);
    EXPECT_EQ(CountCards(bus), 2);
    EXPECT_EQ(CheckDriver(bus), 0);
}

TEST_F(SysfsBusTest, MissingRootMeansNoDriver)
{
    ::setenv("TLV880_SYSFS_ROOT", (tree.root() + "/absent").c_str(), 1);
    EXPECT_EQ(bus.open(), nullptr);
    EXPECT_NE(CheckDriver(bus), 0);
    EXPECT_EQ(CountCards(bus), 0);
    CardRecord card;
    EXPECT_FALSE(OpenCard(bus, 1, card));
}

TEST_F(SysfsBusTest, MemorySpaceIsMappedAndReachedByLoadsAndStores)
{
    addMemoryCard("0000:03:00.0");
    const std::string resource = tree.folder("0000:03:00.0") + "/resource0";
    tree.writeWord(resource, 0x18, 0x001E0000);

    CardRecord card;
    ASSERT_TRUE(OpenCard(bus, 1, card));
    EXPECT_TRUE(card.spaces[0].inUse);
    EXPECT_TRUE(card.spaces[0].isMemory);
    EXPECT_EQ(card.interruptResource, 1); // the irq file, dropped from the list
    EXPECT_EQ(card.resources.count, 1);
    EXPECT_EQ(ReadRegister(card, 0x18), 0x001E0000u);
    WriteRegister(card, 0x08, 0xC003E002);
    EXPECT_EQ(tree.readWord(resource, 0x08), 0xC003E002u); // shared mapping reaches the file
    ReleaseCard(card);
    EXPECT_EQ(ReadRegister(card, 0x18), 0u);
}

TEST_F(SysfsBusTest, IoSpaceIsReachedByPortTransfersAtTheOffset)
{
    addIoCard("0000:03:00.0");
    const std::string resource = tree.folder("0000:03:00.0") + "/resource0";
    tree.writeWord(resource, 0x10, 0x012C7F00);

    CardRecord card;
    ASSERT_TRUE(OpenCard(bus, 1, card));
    EXPECT_FALSE(card.spaces[0].isMemory);
    EXPECT_EQ(ReadRegister(card, 0x10), 0x012C7F00u);
    WriteRegister(card, 0x0C, 3);
    EXPECT_EQ(tree.readWord(resource, 0x0C), 3u);
    EXPECT_EQ(ReadRegister(card, 0x40), 0u); // past the port window: failed transfer reads 0
    ReleaseCard(card);
}

TEST_F(SysfsBusTest, ResourcesAreMatchedToTheSpacesTheirBaseRegistersName)
{
    // Resource line 0 is memory, line 2 is I/O; BAR0 describes the I/O window and BAR2 the
    // memory, so the registers (space 0) are reached through the ports.
    tree.addDevice(
        "0000:03:00.0", kVendorId, kDeviceId, {{0x10, kIoBase | 1}, {0x18, kMemBase}},
        {{kMemBase, kMemBase + 0xFFF, kMemFlags}, {}, {kIoBase, kIoBase + 0x3F, kIoFlags}});
    const std::string ioFile = tree.folder("0000:03:00.0") + "/resource2";
    tree.writeWord(ioFile, 0x18, 0x000F0000);

    CardRecord card;
    ASSERT_TRUE(OpenCard(bus, 1, card));
    ASSERT_TRUE(card.spaces[0].inUse);
    EXPECT_FALSE(card.spaces[0].isMemory);
    EXPECT_EQ(card.resources.items[card.spaces[0].resource].index, 2);
    ASSERT_TRUE(card.spaces[2].inUse);
    EXPECT_TRUE(card.spaces[2].isMemory);
    EXPECT_EQ(card.resources.items[card.spaces[2].resource].index, 0);
    EXPECT_FALSE(card.spaces[1].inUse);
    EXPECT_EQ(ReadRegister(card, 0x18), 0x000F0000u);
    ReleaseCard(card);
}

TEST_F(SysfsBusTest, CardThatFailsToOpenLeavesTheOthersUsable)
{
    addMemoryCard("0000:03:00.0");
    // Second card: its base register names an address no resource has.
    tree.addDevice("0000:04:00.0", kVendorId, kDeviceId, {{0x10, 0xFD000000}},
                   {{kMemBase, kMemBase + 0xFFF, kMemFlags}});
    addIoCard("0000:05:00.0");

    CardRecord first, second, third;
    EXPECT_TRUE(OpenCard(bus, 1, first));
    EXPECT_FALSE(OpenCard(bus, 2, second));
    EXPECT_FALSE(second.isOpen());
    EXPECT_TRUE(OpenCard(bus, 3, third));
    EXPECT_FALSE(OpenCard(bus, 4, second));
    ReleaseCard(first);
    ReleaseCard(third);
}

TEST_F(SysfsBusTest, MalformedOrMissingFilesFailTheOpeningWithoutCrashing)
{
    const std::string name = "0000:03:00.0";
    CardRecord card;

    addMemoryCard(name);
    tree.writeFile(tree.folder(name) + "/resource", "0xfe000000 garbage\n");
    EXPECT_FALSE(OpenCard(bus, 1, card));
    tree.writeFile(tree.folder(name) + "/resource", "");
    EXPECT_FALSE(OpenCard(bus, 1, card));

    addMemoryCard(name);
    tree.writeFile(tree.folder(name) + "/config", std::string(8, '\0')); // no base registers
    EXPECT_FALSE(OpenCard(bus, 1, card));

    addMemoryCard(name);
    std::filesystem::remove(tree.folder(name) + "/resource0");
    EXPECT_FALSE(OpenCard(bus, 1, card)); // registration cannot map the space

    addMemoryCard(name);
    tree.writeFile(tree.folder(name) + "/resource0", ""); // empty stand-in
    EXPECT_FALSE(OpenCard(bus, 1, card));
    EXPECT_FALSE(card.isOpen());
}

TEST_F(SysfsBusTest, ShortResourceFileIsMappedOnlyAsFarAsItGoes)
{
    addMemoryCard("0000:03:00.0");
    const std::string resource = tree.folder("0000:03:00.0") + "/resource0";
    tree.writeFile(resource, std::string(16, '\0'));
    tree.writeWord(resource, 0x0C, 0x2A);

    CardRecord card;
    ASSERT_TRUE(OpenCard(bus, 1, card));
    EXPECT_EQ(ReadRegister(card, 0x0C), 0x2Au);
    EXPECT_EQ(ReadRegister(card, 0x2C), 0u); // beyond the file: no access at all
    WriteRegister(card, 0x2C, 1);
    ReleaseCard(card);
}

TEST(SysfsFilesTest, IdentityWordsAndSlotNames)
{
    EXPECT_EQ(sysfs::ParseIdWord("0x1172\n"), uint16_t{0x1172});
    EXPECT_EQ(sysfs::ParseIdWord("  0x0004 "), uint16_t{0x0004});
    EXPECT_FALSE(sysfs::ParseIdWord("1172"));
    EXPECT_FALSE(sysfs::ParseIdWord("0x11722"));
    EXPECT_FALSE(sysfs::ParseIdWord("0x"));
    EXPECT_FALSE(sysfs::ParseIdWord("0x11g2"));
    EXPECT_FALSE(sysfs::ParseIdWord(""));

    const auto slot = sysfs::ParseSlotName("0001:0a:1f.7");
    ASSERT_TRUE(slot);
    EXPECT_EQ(slot->domain, 1u);
    EXPECT_EQ(slot->bus, 10u);
    EXPECT_EQ(slot->slot, 31u);
    EXPECT_EQ(slot->function, 7u);
    EXPECT_EQ(sysfs::SlotName(*slot), "0001:0a:1f.7");
    EXPECT_FALSE(sysfs::ParseSlotName("0000:03:00.8"));
    EXPECT_FALSE(sysfs::ParseSlotName("0000:03:20.0"));
    EXPECT_FALSE(sysfs::ParseSlotName("0000:3:00.0"));
    EXPECT_FALSE(sysfs::ParseSlotName("0000-03-00.0"));
}

TEST(SysfsFilesTest, ResourceTableKeepsAddressSpacesAndRejectsBadLines)
{
    ResourceList list;
    ASSERT_TRUE(sysfs::ParseResourceTable("0x0000000000000000 0x0000000000000000 0x0\n"
                                          "0x00000000fe000000 0x00000000fe000fff 0x40200\n"
                                          "0x000000000000e000 0x000000000000e03f 0x40101\n"
                                          "0x0000000000000010 0x0000000000000020 0x0\n",
                                          &list));
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.items[0].kind, ResourceKind::Memory);
    EXPECT_EQ(list.items[0].index, 1);
    EXPECT_EQ(list.items[0].length, 0x1000u);
    EXPECT_EQ(list.items[1].kind, ResourceKind::Io);
    EXPECT_EQ(list.items[1].start, 0xE000u);
    EXPECT_EQ(list.items[1].index, 2);

    EXPECT_FALSE(sysfs::ParseResourceTable("", &list));
    EXPECT_FALSE(sysfs::ParseResourceTable("0x10 0x0f 0x200\n", &list));     // end before start
    EXPECT_FALSE(sysfs::ParseResourceTable("0x10 0x1f\n", &list));           // missing flags
    EXPECT_FALSE(sysfs::ParseResourceTable("0x10 0x1f 0x200 0x1\n", &list)); // extra field
    EXPECT_FALSE(sysfs::ParseResourceTable("0x10 0x1f 0xzz\n", &list));      // not hex
    EXPECT_FALSE(sysfs::ParseResourceTable("0x0 0xffffffffffffffff 0x200\n", &list));
}

} // namespace
} // namespace tlv880::bus
