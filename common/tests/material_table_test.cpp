// The material table: the shipped file reads completely and holds well-known values; a user's
// file adds and overrides by name; damaged lines are named and skipped, never fatal; numbers
// are matched at the precision the forms show.
#include "common/MaterialTable.h"

#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using tlv::Material;
using tlv::MaterialTable;

const QString kShipped = QStringLiteral(TLV_SHIPPED_MATERIALS);

TEST(MaterialTableTest, ShippedFileReadsCompletelyWithTheHandbookValues)
{
    MaterialTable table;
    table.AddFile(kShipped);
    EXPECT_TRUE(table.Problems().isEmpty()) << table.Problems().join('\n').toStdString();
    EXPECT_GE(table.Materials().size(), 100);

    struct Known {
        const char* name;
        const char* formula;
        double density;
        double z;
    };
    for (const Known& k :
         {Known{"Aluminium", "Al", 2.70, 1.080}, Known{"Silver", "Ag", 10.50, 0.529},
          Known{"Gold", "Au", 19.30, 0.381}, Known{"Copper", "Cu", 8.93, 0.437},
          Known{"Chromium", "Cr", 7.20, 0.305}, Known{"Titanium", "Ti", 4.50, 0.628},
          Known{"Silicon dioxide (fused)", "SiO2", 2.20, 1.070},
          Known{"Magnesium fluoride", "MgF2", 3.18, 0.637}, Known{"Nickel", "Ni", 8.91, 0.331}}) {
        const auto m = table.Find(QString::fromLatin1(k.name));
        ASSERT_TRUE(m) << k.name;
        EXPECT_EQ(m->formula, QString::fromLatin1(k.formula));
        EXPECT_DOUBLE_EQ(m->density, k.density) << k.name;
        EXPECT_DOUBLE_EQ(m->zRatio, k.z) << k.name;
        EXPECT_TRUE(m->zRatioKnown) << k.name;
    }
    // An unknown Z-ratio is the stand-in 1.000, and marked as such.
    const auto nitride = table.Find(QStringLiteral("silicon NITRIDE"));
    ASSERT_TRUE(nitride);
    EXPECT_FALSE(nitride->zRatioKnown);
    EXPECT_DOUBLE_EQ(nitride->zRatio, 1.0);
    for (const Material& m : table.Materials())
        if (!m.zRatioKnown) {
            EXPECT_DOUBLE_EQ(m.zRatio, 1.0) << m.name.toStdString();
        }
    // Every kind the operators deposit is there.
    for (const char* formula : {"Al2O3", "TiO2", "CaF2", "TiN", "Si3N4", "GaAs", "ZnS", "Si"}) {
        bool found = false;
        for (const Material& m : table.Materials())
            found = found || m.formula == QLatin1String(formula);
        EXPECT_TRUE(found) << formula;
    }
}

TEST(MaterialTableTest, UserFileAddsAndOverridesByName)
{
    QTemporaryDir dir;
    const QString shipped = dir.filePath("materials.txt");
    const QString user = dir.filePath("user-materials.txt");
    testfiles::write(shipped, "Aluminium | Al | 2.70 | 1.080\nGold | Au | 19.30 | 0.381\n");
    testfiles::write(user, "# my own\r\naluminium | Al | 2.68 | 1.100\r\nMy alloy | AgCu | 9.80 | "
                           "1.000 | Z unknown\r\n");
    MaterialTable table;
    table.AddFile(shipped);
    table.AddFile(user);
    table.AddFile(dir.filePath("missing.txt")); // no file: nothing added, no problem
    EXPECT_TRUE(table.Problems().isEmpty()) << table.Problems().join('\n').toStdString();
    ASSERT_EQ(table.Materials().size(), 3);
    const auto al = table.Find(QStringLiteral("ALUMINIUM"));
    ASSERT_TRUE(al);
    EXPECT_DOUBLE_EQ(al->density, 2.68);
    EXPECT_EQ(al->file, user);
    EXPECT_EQ(al->line, 2);
    EXPECT_EQ(table.Materials().at(0).name, QStringLiteral("aluminium")); // replaced in place
    const auto alloy = table.Find(QStringLiteral(" My alloy "));
    ASSERT_TRUE(alloy);
    EXPECT_FALSE(alloy->zRatioKnown);
    EXPECT_EQ(alloy->Caption(), QStringLiteral("My alloy (AgCu)"));
}

TEST(MaterialTableTest, DamagedLinesAreNamedAndSkipped)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("user-materials.txt");
    QByteArray bytes = "Good one | Go | 5.00 | 0.500\n"    // 1
                       "Bad density | Bd | 2,70 | 1.000\n" // 2
                       "Missing | Mi | 3.00\n"             // 3
                       "Good one | Go | 6.00 | 0.600\n"    // 4 duplicate
                       "Nul | N";                          // 5 NUL
    bytes += '\0';
    bytes += "l | 1.00 | 1.000\n";
    bytes += "Long | Lo | 1.00 | 1.000 | Z unknown" + QByteArray(300, ' ') + "\n"; // 6
    bytes += "Heavy | Hv | 120 | 1.000\n";          // 7 above the limit
    bytes += "Stiff | St | 1.00 | 0.05\n";          // 8 below the limit
    bytes += "Noted | No | 1.00 | 1.000 | maybe\n"; // 9
    bytes += " | X | 1.00 | 1.000\n";               // 10 no name
    bytes += "Infinite | If | inf | 1.000\n";       // 11
    bytes += "Last good | Lg | 4.00 | 0.400";       // 12, no line end
    testfiles::write(path, bytes);

    MaterialTable table;
    table.AddFile(path);
    ASSERT_EQ(table.Materials().size(), 2);
    EXPECT_EQ(table.Materials().at(0).name, QStringLiteral("Good one"));
    EXPECT_DOUBLE_EQ(table.Materials().at(0).density, 5.0); // the first line of a name holds
    EXPECT_EQ(table.Materials().at(1).name, QStringLiteral("Last good"));

    const QStringList& problems = table.Problems();
    ASSERT_EQ(problems.size(), 10) << problems.join('\n').toStdString();
    const int lines[] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(problems.at(i).startsWith(path + QStringLiteral(", line %1: ").arg(lines[i])))
            << problems.at(i).toStdString();
    EXPECT_TRUE(problems.at(0).contains(QStringLiteral("\"2,70\" is not a number")));
    EXPECT_TRUE(problems.at(2).contains(QStringLiteral("already listed")));
    EXPECT_TRUE(problems.at(3).contains(QStringLiteral("NUL")));
    EXPECT_TRUE(problems.at(4).contains(QStringLiteral("longer than")));
}

TEST(MaterialTableTest, AFileThatIsNoTableIsNamedNotRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("big.txt");
    testfiles::write(path, QByteArray(MaterialTable::kMaxFileBytes + 1, 'x'));
    MaterialTable table;
    table.AddFile(path);
    EXPECT_TRUE(table.IsEmpty());
    ASSERT_EQ(table.Problems().size(), 1);
    EXPECT_TRUE(table.Problems().at(0).startsWith(path + QStringLiteral(": larger than")));
}

TEST(MaterialTableTest, NumbersMatchAtTheShownPrecisionPreferringTheNamedOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("m.txt");
    testfiles::write(path, "First | A | 3.18 | 1.000 | Z unknown\nSecond | B | 3.18 | 1.000 | Z "
                           "unknown\nThird | C | 3.18 | 0.637\n");
    MaterialTable table;
    table.AddFile(path);
    EXPECT_EQ(table.Matching(3.18, 0.637)->name, QStringLiteral("Third"));
    EXPECT_EQ(table.Matching(3.184, 0.6374)->name, QStringLiteral("Third")); // shown as 3.18, 0.637
    EXPECT_FALSE(table.Matching(3.19, 0.637));
    EXPECT_FALSE(table.Matching(3.18, 0.638));
    EXPECT_EQ(table.Matching(3.18, 1.0)->name, QStringLiteral("First"));
    EXPECT_EQ(table.Matching(3.18, 1.0, QStringLiteral("second"))->name, QStringLiteral("Second"));
    EXPECT_EQ(table.Matching(3.18, 1.0, QStringLiteral("Third"))->name, QStringLiteral("First"));
}

TEST(MaterialTableTest, ShippedFileIsFoundBesideTheProgramOrInTheInstalledTree)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("usr/bin");
    QDir(dir.path()).mkpath("usr/share/tlv880");
    const QString bin = dir.filePath("usr/bin");
    EXPECT_TRUE(MaterialTable::ShippedFile(bin).isEmpty());
    testfiles::write(dir.filePath("usr/share/tlv880/materials.txt"), "A | A | 1.00 | 1.000\n");
    EXPECT_EQ(MaterialTable::ShippedFile(bin), dir.filePath("usr/share/tlv880/materials.txt"));
    testfiles::write(dir.filePath("usr/bin/materials.txt"), "A | A | 1.00 | 1.000\n");
    EXPECT_EQ(MaterialTable::ShippedFile(bin), dir.filePath("usr/bin/materials.txt"));
}

} // namespace
