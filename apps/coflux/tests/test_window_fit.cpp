// The main window on a 1280 x 1024 screen: six outputs fit with their frame, a restored window
// keeps its whole frame on the screen, the run buttons keep their places whichever is shown, the
// View menu's accelerators are distinct, and Esc closes Card Setup like Cancel.

#include "CofluxTestSupport.h"

#include "common/FormUtil.h"

#include <QAction>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QTest>

namespace coflux::test {
namespace {

class WindowFit : public CofluxWindowTest {};

QRect FrameRect(const QWidget& w)
{
    return QRect(w.pos(), w.size().grownBy(FormFrameMargins(&w)));
}

TEST_F(WindowFit, SixOutputsFitAndARestoredWindowKeepsItsWholeFrameOnTheScreen)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_EQ(screen.size(), QSize(1280, 1024));
    ProgramSettings()->setValue(QStringLiteral("Form Positions/frmMain"),
                                QStringLiteral("L=600;T=900;W=1270;H=400;S=0;"));
    frmMain& w = Open();
    int frames = 0;
    for (const QGroupBox* box : w.findChildren<QGroupBox*>())
        if (box->objectName().startsWith(QStringLiteral("fraLoop_")) && box->isVisibleTo(&w))
            ++frames;
    ASSERT_EQ(frames, 6);
    EXPECT_LE(w.minimumSizeHint().width(), 1270);
    EXPECT_LE(w.minimumWidth(), 1270);
    EXPECT_TRUE(screen.contains(FrameRect(w)))
        << FrameRect(w).x() << "," << FrameRect(w).y() << " " << FrameRect(w).width() << "x"
        << FrameRect(w).height();
}

TEST_F(WindowFit, HiddenRunButtonsKeepTheirPlace)
{
    frmMain& w = Open();
    auto* hold = Find<QPushButton>(QStringLiteral("cmdFSwitch_1"));
    auto* zeroAll = Find<QPushButton>(QStringLiteral("cmdFSwitch_2"));
    ASSERT_FALSE(hold->isVisibleTo(&w));
    const QRect zeroWhenStopped = zeroAll->geometry();
    w.cmdFSwitch_Click(0); // start
    ASSERT_TRUE(hold->isVisibleTo(&w));
    EXPECT_EQ(zeroAll->geometry(), zeroWhenStopped) << "Zero All does not move under the cursor";
    EXPECT_FALSE(hold->geometry().intersects(zeroWhenStopped));
    w.cmdFSwitch_Click(0); // stop
}

TEST_F(WindowFit, ViewMenuAcceleratorsAreDistinctAndCardSetupHasItsC)
{
    Open();
    auto* view = Find<QMenu>(QStringLiteral("mnuView"));
    QSet<QChar> letters;
    for (const QAction* action : view->actions()) {
        if (action->isSeparator()) continue;
        const qsizetype amp = action->text().indexOf(QLatin1Char('&'));
        ASSERT_GE(amp, 0) << action->text().toStdString();
        const QChar letter = action->text().at(amp + 1).toLower();
        EXPECT_FALSE(letters.contains(letter)) << action->text().toStdString();
        letters.insert(letter);
    }
    EXPECT_EQ(Find<QAction>(QStringLiteral("mnuViewCard"))->text(), QStringLiteral("&Card Setup"));
    EXPECT_EQ(Find<QAction>(QStringLiteral("mnuViewChart"))->text(), QStringLiteral("C&hart"));
}

TEST_F(WindowFit, EscClosesCardSetupLikeCancel)
{
    frmMain& w = Open();
    const double period = w.Instrument().Period();
    TakeMessages(); // the start-up's
    w.ShowCardSetup();
    QWidget* setup = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QStringLiteral("frmSetup") && top->isVisible()) setup = top;
    ASSERT_NE(setup, nullptr);
    auto* periodBox = setup->findChild<QLineEdit*>(QStringLiteral("txtPeriod"));
    ASSERT_NE(periodBox, nullptr);
    periodBox->setText(QStringLiteral("1.5"));
    QTest::keyClick(periodBox, Qt::Key_Escape);
    EXPECT_FALSE(setup->isVisible());
    EXPECT_DOUBLE_EQ(w.Instrument().Period(), period) << "nothing was applied";
    const QStringList messages = TakeMessages();
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('|')).toStdString();
}

TEST_F(WindowFit, RefusedCommandIsShownInTheStatusLineWithoutShowErrors)
{
    frmMain& w = Open();
    ASSERT_FALSE(w.Tables().Flags.ShowErrors);
    TakeMessages(); // the start-up's
    auto* line = Find<QLabel>(QStringLiteral("lblStatusLine"));
    ASSERT_NE(line, nullptr);
    EXPECT_NE(w.Instrument().SendPower(20, 0), 0);
    EXPECT_TRUE(line->text().endsWith(QStringLiteral("  TLV880 Error: 5: Invalid Output Number.")))
        << line->text().toStdString();
    EXPECT_TRUE(TakeMessages().isEmpty()) << "no message box without ShowErrors";
}

} // namespace
} // namespace coflux::test
