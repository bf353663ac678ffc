// The one start of the modes without a window: which setup file a mode starts with, and how a
// setup that cannot be run or a note about it reaches standard error.

#include "HeadlessStart.h"

#include "CofluxProgram.h"
#include "Deposition.h"

#include "common/SetupFile.h"
#include "tlvtest/PrivateHome.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>

namespace coflux::test {
namespace {

QString ReadBack(std::FILE* stream)
{
    std::fflush(stream);
    std::rewind(stream);
    QByteArray text;
    char buffer[512];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, stream))
        text.append(buffer, static_cast<qsizetype>(n));
    return QString::fromLocal8Bit(text);
}

class HeadlessStartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallProgramInfo();
        ASSERT_NE(m_out, nullptr);
        ASSERT_NE(m_err, nullptr);
    }
    void TearDown() override
    {
        std::fclose(m_out);
        std::fclose(m_err);
    }
    void Write(const QString& name, const QByteArray& text)
    {
        QFile file(m_home.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    tlvtest::PrivateHome m_home;
    std::FILE* m_out = std::tmpfile();
    std::FILE* m_err = std::tmpfile();
};

TEST_F(HeadlessStartTest, EveryModeStartsWithTheRememberedSetupElseTheDefault)
{
    EXPECT_EQ(CofluxHost::StartupSetupName(), QStringLiteral("Default.dat"));
    tlv::SetCurrentSetupFile(QStringLiteral("Coater 2.dat"));
    EXPECT_EQ(CofluxHost::StartupSetupName(), QStringLiteral("Coater 2.dat"));
}

TEST_F(HeadlessStartTest, ASetupThatCannotRunIsRefusedOnStandardErrorAndTheUserSettingsStay)
{
    tlv::SetCurrentSetupFile(QStringLiteral("Remembered.dat"));
    Write(QStringLiteral("Card.dat"), "[Card]\nSimulate=0\n");
    {
        HeadlessStart start(m_out, m_err, {});
        EXPECT_FALSE(start.LoadSetup(QStringLiteral("Card.dat"), false,
                                     QStringLiteral("Give --simulate to run in simulation.")));
    }
    const QString refused = ReadBack(m_err);
    EXPECT_TRUE(refused.startsWith(QStringLiteral("coflux: Card.dat asks for a card (Simulate=0)")))
        << refused.toStdString();
    EXPECT_TRUE(refused.contains(QStringLiteral("Give --simulate to run in simulation.")));
    EXPECT_EQ(refused.count(QStringLiteral("coflux: ")), 1) << "one line, one prefix";
    EXPECT_EQ(tlv::SavedSetupFile(), QStringLiteral("Remembered.dat"))
        << "an unattended mode leaves the remembered setup alone";
}

TEST_F(HeadlessStartTest, SimulatingInsteadOfTheCardIsNotedAndTheModeGoesOn)
{
    Write(QStringLiteral("Card.dat"), "[Card]\nSimulate=0\n[OUTPUT1]\nName=Silver\n");
    HeadlessStart start(m_out, m_err, {});
    ASSERT_TRUE(start.LoadSetup(QStringLiteral("Card.dat"), true, QString()));
    EXPECT_EQ(start.Process().Tables().Output(0).Name.trimmed(), QStringLiteral("Silver"));
    EXPECT_TRUE(ReadBack(m_err).startsWith(QStringLiteral("coflux: simulating; ")));
    EXPECT_TRUE(ReadBack(m_out).isEmpty());
}

} // namespace
} // namespace coflux::test
