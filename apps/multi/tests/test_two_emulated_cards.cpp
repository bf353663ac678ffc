// tlvmulti over the real card library and two emulated cards: detection, revisions, and the
// "All Cards" target set addressing only the installed cards.

#include "FindControl.h"
#include "FormHelpers.h"
#include "frmMain.h"
#include "tlvtest/PrivateHome.h"

#include "common/DialogService.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace multi;

namespace {

class TwoEmulatedCards : public ::testing::Test {
protected:
    TwoEmulatedCards()
    {
        // read by the library when the window's instrument starts it
        qputenv("TLV880_DRIVER", "emulated");
        qputenv("TLV880_EMU_CARDS", "id=1F,fw=300;id=0F,fw=300");
        window = std::make_unique<frmMain>(); // after the environment is in place
    }
    template <typename T> T* Find(const QString& name)
    {
        return multi::testing::FindControl<T>(window.get(), name);
    }

    tlvtest::PrivateHome home;
    tlv::DialogService::ScopedHandler dialogs{tlv::DialogAnswer(QMessageBox::Ok)};
    std::unique_ptr<frmMain> window;
};

TEST_F(TwoEmulatedCards, DetectsBothCardsAndTheirRevisions)
{
    cTLV880a& tlv = window->TLV880();
    ASSERT_EQ(tlv.Revision(0), 0) << "the emulated bus did not start with two cards";
    EXPECT_EQ(tlv.NumCards(), 2);
    EXPECT_EQ(Find<QGroupBox>(QStringLiteral("fraCard_0"))->title(),
              QStringLiteral("Card 1: 3.00"));
    EXPECT_EQ(Find<QGroupBox>(QStringLiteral("fraCard_1"))->title(),
              QStringLiteral("Card 2: 3.00"));
    EXPECT_EQ(Find<QGroupBox>(QStringLiteral("fraCard_2"))->title(), QStringLiteral("Card 3: "));
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("optSimulate_0"))->isEnabled());
}

TEST_F(TwoEmulatedCards, AllCardsOutput2AddressesOutputs1And3)
{
    cTLV880a& tlv = window->TLV880();
    ASSERT_EQ(tlv.NumCards(), 2);
    Find<QComboBox>(QStringLiteral("lstCard_1"))->setCurrentIndex(0);
    Find<QComboBox>(QStringLiteral("lstOutputs"))->setCurrentIndex(2);
    Find<QLineEdit>(QStringLiteral("txtFullScale_0"))->setText(QStringLiteral("5"));
    Find<QPushButton>(QStringLiteral("cmdFullScale"))->click();
    EXPECT_EQ(ButtonColour(Find<QPushButton>(QStringLiteral("cmdFullScale"))), kOkColour);
    EXPECT_DOUBLE_EQ(tlv.FSOut(1), 5.0);
    EXPECT_DOUBLE_EQ(tlv.FSOut(3), 5.0);
    for (short other : {0, 2, 5, 11})
        EXPECT_DOUBLE_EQ(tlv.FSOut(other), -10.0) << other;
}

TEST_F(TwoEmulatedCards, NormalModeShowsLiveReadingsOfBothCards)
{
    Find<QRadioButton>(QStringLiteral("optSimulate_0"))->click();
    Find<QPushButton>(QStringLiteral("cmdDoIt"))->click();
    EXPECT_EQ(ButtonColour(Find<QPushButton>(QStringLiteral("cmdInit"))), kOkColour);
    Find<QPushButton>(QStringLiteral("cmdRead"))->click();
    EXPECT_EQ(window->TLV880().OpMode(), 0);

    auto* secondCard = Find<QLabel>(QStringLiteral("lblFreqRdg_7"));
    // The library's thread and the window's poll deliver the reading at their own pace; the
    // time-out only ends a test that hangs.
    QTRY_VERIFY_WITH_TIMEOUT(!secondCard->text().isEmpty(), 120000);
    bool ok = false;
    const double frequency = secondCard->text().toDouble(&ok);
    ASSERT_TRUE(ok) << secondCard->text().toStdString();
    EXPECT_NEAR(frequency, 5950000.0, 50000.0);
    // a third card does not exist: its frame stays empty
    EXPECT_TRUE(Find<QLabel>(QStringLiteral("lblFreqRdg_8"))->text().isEmpty());
    Find<QPushButton>(QStringLiteral("cmdRead"))->click();
}

} // namespace
