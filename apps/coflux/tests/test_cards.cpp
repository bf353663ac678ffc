// Fitting the window to the installed cards, with emulated cards behind the real library. The
// library discovers its cards once per process, so each card set is its own test run: the
// registration gives TLV880_EMU_CARDS and the frames that must remain (COFLUX_EXPECTED_FRAMES).

#include "CofluxTestSupport.h"

#include <QGroupBox>
#include <QPushButton>

using namespace coflux;
using namespace coflux::test;

namespace {

class CardCount : public CofluxWindowTest {};

} // namespace

TEST_F(CardCount, WindowShowsExactlyTheOutputsOfTheCards)
{
    const QString cards = qEnvironmentVariable("TLV880_EMU_CARDS");
    const QStringList expected = qEnvironmentVariable("COFLUX_EXPECTED_FRAMES").split(',');
    ASSERT_FALSE(cards.isEmpty());
    frmMain& w = Open();
    ASSERT_EQ(w.Instrument().NumCards(), cards.count(';') + 1);

    QStringList shown;
    int rightmost = 0;
    for (int j : kShownOutputs) {
        auto* frame = Find<QGroupBox>(QStringLiteral("fraLoop_%1").arg(j));
        EXPECT_EQ(w.IsPresentOutput(j), frame->isVisibleTo(&w)) << j;
        if (frame->isVisibleTo(&w)) {
            shown << QString::number(j);
            rightmost = std::max(rightmost, frame->geometry().right());
        }
    }
    EXPECT_EQ(shown, expected);

    // The freed width is given back: the buttons follow the last frame and the window narrows.
    auto* start = Find<QPushButton>("cmdFSwitch_0");
    const int frameWidth = Find<QGroupBox>("fraLoop_0")->width();
    EXPECT_LT(start->geometry().left() - rightmost, frameWidth / 2);
    EXPECT_LT(w.width(), (static_cast<int>(expected.size()) + 2) * frameWidth);

    // Running and stopping touches only outputs the cards have: the class reports no error.
    w.Core().TablesForTesting().Flags.ShowErrors = true;
    TakeMessages();
    w.cmdFSwitch_Click(0);
    w.cmdFSwitch_Click(1);
    w.cmdFSwitch_Click(0);
    EXPECT_TRUE(TakeMessages().filter("TLV880 Error").isEmpty());
}
