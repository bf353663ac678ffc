// The material picker: type-to-search over name and formula, choosing from the list or by its
// spelled-out name, showing the material a form's numbers match, and a half-typed search that
// changes nothing.
#include "common/MaterialPicker.h"

#include "TestFiles.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using tlv::Material;
using tlv::MaterialPicker;
using tlv::MaterialTable;

class MaterialPickerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString path = m_dir.filePath("materials.txt");
        testfiles::write(path, "Silicon dioxide (fused) | SiO2 | 2.20 | 1.070\n"
                               "Magnesium fluoride | MgF2 | 3.18 | 0.637\n"
                               "Aluminium | Al | 2.70 | 1.080\n"
                               "Aluminium oxide | Al2O3 | 3.97 | 0.336\n"
                               "Cryolite | Na3AlF6 | 2.90 | 1.000 | Z unknown\n"
                               "Twin | Tw | 2.90 | 1.000 | Z unknown\n");
        m_table.AddFile(path);
        m_picker = std::make_unique<MaterialPicker>(nullptr, m_table);
        m_picker->show();
        m_picker->activateWindow();
        m_picker->setFocus();
    }

    QStringList Listed() const
    {
        QStringList captions;
        for (int i = 0; i < m_picker->count(); ++i)
            captions << m_picker->itemText(i);
        return captions;
    }

    // Types into the picker's text (its search) as an operator does.
    void Type(const QString& text)
    {
        m_picker->lineEdit()->clear();
        QTest::keyClicks(m_picker->lineEdit(), text);
    }

    QTemporaryDir m_dir;
    MaterialTable m_table;
    std::unique_ptr<MaterialPicker> m_picker;
};

TEST_F(MaterialPickerTest, ListsEveryMaterialByNameWithItsFormula)
{
    EXPECT_EQ(Listed(), (QStringList{"Aluminium (Al)", "Aluminium oxide (Al2O3)",
                                     "Cryolite (Na3AlF6)", "Magnesium fluoride (MgF2)",
                                     "Silicon dioxide (fused) (SiO2)", "Twin (Tw)"}));
    EXPECT_TRUE(m_picker->isEditable());
    EXPECT_TRUE(m_picker->currentText().isEmpty());
    EXPECT_FALSE(m_picker->Shown());
}

TEST_F(MaterialPickerTest, TypingSearchesNameAndFormulaAnywhereAndChoosesFromTheList)
{
    QSignalSpy chosen(m_picker.get(), &MaterialPicker::materialChosen);
    QCompleter* completer = m_picker->completer();
    ASSERT_NE(completer, nullptr);

    Type(QStringLiteral("mgf")); // part of a formula, any case
    EXPECT_EQ(completer->completionCount(), 1);
    EXPECT_EQ(completer->currentCompletion(), QStringLiteral("Magnesium fluoride (MgF2)"));
    Type(QStringLiteral("oxide")); // inside a name: aluminium oxide, silicon dioxide
    EXPECT_EQ(completer->completionCount(), 2);
    Type(QStringLiteral("al"));
    EXPECT_EQ(completer->completionCount(), 3); // Aluminium, Aluminium oxide, Na3AlF6

    // Down to the second proposal and Enter: the popup's choice.
    ASSERT_TRUE(completer->popup()->isVisible());
    QTest::keyClick(completer->popup(), Qt::Key_Down);
    QTest::keyClick(completer->popup(), Qt::Key_Down);
    QTest::keyClick(completer->popup(), Qt::Key_Return);
    ASSERT_EQ(chosen.count(), 1);
    const auto material = chosen.at(0).at(0).value<Material>();
    EXPECT_EQ(material.name, QStringLiteral("Aluminium oxide"));
    EXPECT_DOUBLE_EQ(material.density, 3.97);
    EXPECT_DOUBLE_EQ(material.zRatio, 0.336);
    EXPECT_EQ(m_picker->ShownName(), QStringLiteral("Aluminium oxide"));
    EXPECT_EQ(m_picker->currentText(), QStringLiteral("Aluminium oxide (Al2O3)"));
}

TEST_F(MaterialPickerTest, EnterOnASpelledOutNameChoosesItAndAHalfTypedSearchChangesNothing)
{
    QSignalSpy chosen(m_picker.get(), &MaterialPicker::materialChosen);
    m_picker->ShowMatching(2.70, 1.08);
    EXPECT_EQ(m_picker->ShownName(), QStringLiteral("Aluminium"));

    Type(QStringLiteral("magn"));
    m_picker->completer()->popup()->hide();
    QTest::keyClick(m_picker->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(chosen.count(), 0);
    EXPECT_EQ(m_picker->ShownName(), QStringLiteral("Aluminium"));
    EXPECT_EQ(m_picker->currentText(), QStringLiteral("Aluminium (Al)"))
        << "back to what it showed";

    Type(QStringLiteral("cryolite")); // the name alone, any case
    m_picker->completer()->popup()->hide();
    QTest::keyClick(m_picker->lineEdit(), Qt::Key_Return);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).value<Material>().name, QStringLiteral("Cryolite"));
    EXPECT_EQ(m_picker->currentText(), QStringLiteral("Cryolite (Na3AlF6)"));
}

TEST_F(MaterialPickerTest, SkippedLinesOfTheTableAreNamedInItsToolTip)
{
    EXPECT_FALSE(m_picker->toolTip().contains(QStringLiteral("Skipped")));
    const QString path = m_dir.filePath("user-materials.txt");
    testfiles::write(path, "Broken | Br | heavy | 1.000\nAlso | Al | 1 |\n");
    MaterialTable damaged;
    damaged.AddFile(path);
    const MaterialPicker picker(nullptr, damaged);
    EXPECT_TRUE(picker.toolTip().contains(QStringLiteral("Skipped: ") + path + ", line 1: "))
        << picker.toolTip().toStdString();
    EXPECT_TRUE(picker.toolTip().contains(QStringLiteral("(and 1 more lines")));
}

TEST_F(MaterialPickerTest, ShowsTheMaterialTheNumbersMatchWithoutChoosingIt)
{
    QSignalSpy chosen(m_picker.get(), &MaterialPicker::materialChosen);
    m_picker->ShowMatchingTexts(QStringLiteral("3.18"), QStringLiteral("0.637"));
    EXPECT_EQ(m_picker->ShownName(), QStringLiteral("Magnesium fluoride"));
    m_picker->ShowMatchingTexts(QStringLiteral("3.18"), QStringLiteral("0.7"));
    EXPECT_FALSE(m_picker->Shown()) << "numbers typed by hand that no material has";
    EXPECT_TRUE(m_picker->currentText().isEmpty());
    m_picker->ShowMatchingTexts(QStringLiteral("2.9"), QStringLiteral("1"));
    EXPECT_EQ(m_picker->ShownName(), QStringLiteral("Cryolite")); // the first of two
    m_picker->ShowMatchingTexts(QStringLiteral("2.9"), QStringLiteral("1"), QStringLiteral("twin"));
    EXPECT_EQ(m_picker->ShownName(), QStringLiteral("Twin"));
    m_picker->ShowMatchingTexts(QStringLiteral("abc"), QStringLiteral("1"));
    EXPECT_FALSE(m_picker->Shown());
    EXPECT_EQ(chosen.count(), 0);
}

} // namespace
