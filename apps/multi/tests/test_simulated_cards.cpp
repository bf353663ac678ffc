// tlvmulti over the real card library without any card: six simulated cards, every setting sent,
// live readings in the window.

#include "FindControl.h"
#include "FormHelpers.h"
#include "frmMain.h"
#include "tlvtest/PrivateHome.h"

#include "common/DialogService.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace multi;

namespace {

class SimulatedCards : public ::testing::Test {
protected:
    SimulatedCards()
    {
        window = std::make_unique<frmMain>(); // after the environment is in place
    }
    template <typename T> T* Find(const QString& name)
    {
        return multi::testing::FindControl<T>(window.get(), name);
    }

    tlvtest::PrivateHome home;
    QList<tlv::DialogRequest> seen;
    tlv::DialogService::ScopedHandler dialogs{[this](const tlv::DialogRequest& request) {
        seen << request;
        return tlv::DialogAnswer(QMessageBox::Ok);
    }};
    std::unique_ptr<frmMain> window;
};

TEST_F(SimulatedCards, SixCardsSimulatedAndEverySettingAccepted)
{
    cTLV880a& tlv = window->TLV880();
    ASSERT_NE(tlv.Revision(0), 0) << "no card expected";
    EXPECT_EQ(tlv.Revision(1), 0);
    EXPECT_EQ(tlv.NumCards(), 6);
    EXPECT_FALSE(Find<QRadioButton>(QStringLiteral("optSimulate_0"))->isEnabled());
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("optSimulate_1"))->isChecked());
    EXPECT_EQ(Find<QGroupBox>(QStringLiteral("fraCard_5"))->title(), QStringLiteral("Card 6: "));

    Find<QPushButton>(QStringLiteral("cmdDoIt"))->click();
    for (const char* name : {"cmdInit", "cmdMaterial", "cmdLoop", "cmdFullScale"})
        EXPECT_EQ(ButtonColour(Find<QPushButton>(QLatin1String(name))), kOkColour) << name;
    EXPECT_DOUBLE_EQ(tlv.Density(23), 1.0);
    EXPECT_DOUBLE_EQ(tlv.Rate(11), 10.0);
    EXPECT_DOUBLE_EQ(tlv.MaxPower(11), 100.0);
    EXPECT_DOUBLE_EQ(tlv.Period(), 0.25);
    EXPECT_TRUE(seen.isEmpty());
}

TEST_F(SimulatedCards, LiveReadingsReachEveryCardFrame)
{
    cTLV880a& tlv = window->TLV880();
    SensorMap map{};
    for (int s = 0; s < 24; ++s)
        map[s] = s / 2; // two sensors per output
    window->MapSensors(map);
    Find<QPushButton>(QStringLiteral("cmdDoIt"))->click();
    Find<QPushButton>(QStringLiteral("cmdRead"))->click();
    ASSERT_TRUE(tlv.TimerEnabled());

    auto* lastFrequency = Find<QLabel>(QStringLiteral("lblFreqRdg_23"));
    auto* lastPower = Find<QLabel>(QStringLiteral("lblPowerRdg_11"));
    // The library's thread and the window's poll deliver the reading at their own pace; the
    // time-out only ends a test that hangs.
    QTRY_VERIFY_WITH_TIMEOUT(!lastFrequency->text().isEmpty(), 120000);
    EXPECT_FALSE(lastPower->text().isEmpty());
    bool ok = false;
    const double frequency = lastFrequency->text().toDouble(&ok);
    ASSERT_TRUE(ok) << lastFrequency->text().toStdString();
    EXPECT_GT(frequency, 1000000.0);
    EXPECT_LT(frequency, 10000000.0);

    Find<QPushButton>(QStringLiteral("cmdRead"))->click();
    EXPECT_FALSE(tlv.TimerEnabled());
}

} // namespace
