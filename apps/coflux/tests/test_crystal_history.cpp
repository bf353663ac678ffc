// The crystal history: two crystals in a row on one sensor, the first used up, the second
// replaced while the program runs, give two rows with the film each took and how it ended; a
// crystal in use is listed after them; the history window lists them per sensor.

#include "CrystalHistory.h"
#include "Deposition.h"
#include "frmCrystals.h"

#include "CofluxProgram.h"
#include "test_filmLibrary.h"

#include "common/DialogService.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace coflux::test {
namespace {

class History : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        qputenv("TLV880_HOME", m_home.path().toLocal8Bit());
        InstallProgramInfo();
        m_tlv = std::make_unique<cTLV880a>(m_lib, m_clock);
        m_core = std::make_unique<Deposition>(*m_tlv);
        m_core->setRemembersSetupFile(false);
        m_core->OpenSetup(QStringLiteral("Run.dat")); // not there: every default
        m_tlv->setTimerEnabled(false);
    }
    void TearDown() override
    {
        m_core.reset();
        m_tlv.reset();
        qunsetenv("TLV880_HOME");
    }
    // One reading 10 s after the last with sensor 1 at `hz` and the others at 6 MHz.
    void Reading(double hz)
    {
        m_clock->advance(10);
        tlvtest::Reading r;
        r.all(0, 0, 6000000).sensor(0, 1, 0, hz);
        m_lib->readings.push_back(r);
        m_tlv->TLVTimer_Timer();
    }
    static double FilmKA(double from, double to) // density 10, Z 1: the setup's defaults
    {
        return (tlv::FilmOfFrequency(to, 6000000, 10, 1) -
                tlv::FilmOfFrequency(from, 6000000, 10, 1)) /
               1000;
    }

    QTemporaryDir m_home;
    tlv::DialogService::ScopedHandler m_dialogs{tlv::DialogAnswer(QMessageBox::Ok)};
    std::shared_ptr<tlvtest::RecordingLibrary> m_lib =
        std::make_shared<tlvtest::RecordingLibrary>();
    std::shared_ptr<tlvtest::StepClock> m_clock = RunClock();
    std::unique_ptr<cTLV880a> m_tlv;
    std::unique_ptr<Deposition> m_core;
};

TEST_F(History, TwoCrystalsInARowGiveTwoRowsWithTheirFilmAndCause)
{
    for (double hz : {6000000.0, 5800000.0, 5600000.0})
        Reading(hz);
    Reading(-3);
    Reading(-3);
    EXPECT_FALSE(QFile::exists(m_core->History().Path())) << "two bad readings end nothing";
    Reading(-3);
    for (double hz : {5999000.0, 5900000.0, 5850000.0})
        Reading(hz);  // a fresh crystal
    Reading(6000000); // changed while running: a jump up to the initial frequency

    EXPECT_EQ(m_core->History().Path(), QDir(m_home.path()).filePath("crystals.csv"));
    QFile file(m_core->History().Path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << lines.join('|').toStdString();
    EXPECT_EQ(lines[0], CrystalHistory::HeaderLine());
    EXPECT_EQ(lines[1], QStringLiteral("1,2026-03-04 10:00:10,6000000.0,%1,2026-03-04 10:01:00,"
                                       "failed (frequency too low)")
                            .arg(FilmKA(6000000, 5600000), 0, 'f', 3));
    EXPECT_EQ(lines[2], QStringLiteral("1,2026-03-04 10:01:10,5999000.0,%1,2026-03-04 10:01:40,"
                                       "replaced")
                            .arg(FilmKA(5999000, 5850000), 0, 'f', 3));

    const QList<CrystalLifeRow> rows = m_core->History().Rows();
    ASSERT_EQ(rows.size(), 10) << "two ended on sensor 1, then the eight in use";
    EXPECT_NEAR(rows[0].film, FilmKA(6000000, 5600000), 1e-3);
    EXPECT_GT(rows[0].film, 20) << "a third of a crystal of density 10 is tens of kA";
    EXPECT_EQ(rows[2].sensor, 1);
    EXPECT_FALSE(rows[2].ended.isValid());
    EXPECT_DOUBLE_EQ(rows[2].startFrequency, 6000000);

    // The window lists one sensor's crystals.
    auto* window = ShowCrystalHistory(*m_core, nullptr);
    auto* grid = window->findChild<QTableWidget*>(QStringLiteral("grdCrystals"));
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->rowCount(), 10);
    window->findChild<QComboBox*>(QStringLiteral("cboSensor"))->setCurrentIndex(1);
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(grid->item(0, 5)->text(), QStringLiteral("failed (frequency too low)"));
    EXPECT_EQ(grid->item(1, 5)->text(), QStringLiteral("replaced"));
    EXPECT_EQ(grid->item(2, 5)->text(), QStringLiteral("in use"));
    delete window;
}

} // namespace
} // namespace coflux::test
