#include "common/FormUtil.h"
#include "common/ProgramInfo.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class FormUtilTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tlv::SetProgramInfo({"formtest", "TLV-880 Form Test", 1, 0, 0, ""});
        QSettings("TLV880", "formtest").clear();
        window.setObjectName("frmSetup");
        window.move(40, 30);
        window.resize(300, 200);
    }

    QRect area() const { return QGuiApplication::primaryScreen()->availableGeometry(); }

    QWidget window;
};

TEST_F(FormUtilTest, PositionStringHasTheExactShape)
{
    EXPECT_EQ(FormPositionText(&window), "L=40;T=30;W=300;H=200;S=0;");
}

TEST_F(FormUtilTest, SaveAndRestoreThroughTheUsersSettings)
{
    EXPECT_FALSE(RestoreFormPosition(&window, true)) << "nothing stored yet";
    SaveFormPosition(&window);
    EXPECT_EQ(QSettings("TLV880", "formtest").value("Form Positions/frmSetup").toString(),
              "L=40;T=30;W=300;H=200;S=0;");

    window.move(0, 0);
    window.resize(120, 90);
    EXPECT_TRUE(RestoreFormPosition(&window, true));
    EXPECT_EQ(window.pos(), QPoint(40, 30));
    EXPECT_EQ(window.size(), QSize(300, 200));

    QWidget unnamed; // a window without a name is neither saved nor restored
    SaveFormPosition(&unnamed);
    EXPECT_FALSE(RestoreFormPosition(&unnamed, false));
}

TEST_F(FormUtilTest, FixedSizeWindowsTakeOnlyLeftAndTop)
{
    window.setFixedSize(250, 150);
    EXPECT_FALSE(IsSizableForm(&window));
    ASSERT_TRUE(ApplyFormPosition(&window, "L=12;T=34;W=600;H=500;S=0;", false));
    EXPECT_EQ(window.pos(), QPoint(12, 34));
    EXPECT_EQ(window.size(), QSize(250, 150));

    QWidget dialogLike;
    dialogLike.setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    EXPECT_FALSE(IsSizableForm(&dialogLike));
}

// The frame a window has (or will have) on the screen: its position is the frame's.
QRect FrameRect(const QWidget& window)
{
    return QRect(window.pos(), window.size().grownBy(FormFrameMargins(&window)));
}

TEST_F(FormUtilTest, KeepOnScreenPullsTheWindowBackInside)
{
    const QRect screen = area();
    const QMargins frame = FormFrameMargins(&window);
    EXPECT_GT(frame.top(), 0) << "a title bar is allowed for before the window is shown";
    ApplyFormPosition(
        &window,
        QString("L=%1;T=%2;W=300;H=200;S=0;").arg(screen.right() + 500).arg(screen.bottom() + 500),
        true);
    EXPECT_EQ(FrameRect(window).bottomRight(), screen.bottomRight()) << "title bar included";
    EXPECT_EQ(window.size(), QSize(300, 200));

    ApplyFormPosition(&window, "L=-50;T=-10;W=300;H=200;S=0;", true);
    EXPECT_EQ(window.pos(), screen.topLeft());

    ApplyFormPosition(&window, "L=-50;T=-10;W=300;H=200;S=0;", false);
    EXPECT_EQ(window.pos(), QPoint(-50, -10)) << "only when asked";
}

TEST_F(FormUtilTest, KeepOnScreenMakesATooLargeWindowFitWithItsFrame)
{
    const QRect screen = area();
    const QString tooLarge = QString("L=0;T=%1;W=%2;H=%3;S=0;")
                                 .arg(screen.height() / 2)
                                 .arg(screen.width() + 100)
                                 .arg(screen.height());
    ApplyFormPosition(&window, tooLarge, true);
    EXPECT_TRUE(screen.contains(FrameRect(window)))
        << FrameRect(window).height() << " lines on a screen of " << screen.height();
    EXPECT_EQ(FrameRect(window).height(), screen.height());

    QWidget large; // a minimum size is kept even so: its left and top edges stay reachable
    large.setObjectName("frmLarge");
    large.setMinimumSize(screen.width() + 50, 100);
    ApplyFormPosition(&large, QString("L=300;T=40;W=%1;H=100;S=0;").arg(screen.width() + 50), true);
    EXPECT_EQ(large.width(), screen.width() + 50);
    EXPECT_EQ(large.pos(), QPoint(screen.left(), 40));
}

TEST_F(FormUtilTest, MinimisedOrMaximisedStateStopsThere)
{
    ApplyFormPosition(&window, "L=1;T=2;W=3;H=4;S=2;", true);
    EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(window.pos(), QPoint(40, 30));
    EXPECT_EQ(FormPositionText(&window).right(4), "S=2;");

    QWidget other;
    ApplyFormPosition(&other, "L=1;T=2;W=300;H=400;S=1;", true);
    EXPECT_TRUE(other.windowState() & Qt::WindowMinimized);
}

TEST_F(FormUtilTest, DamagedPositionStringsKeepWhatTheyCannotSay)
{
    ApplyFormPosition(&window, "L=abc;T=77;W=0;H=-5;", false);
    EXPECT_EQ(window.pos(), QPoint(40, 77));
    EXPECT_EQ(window.size(), QSize(300, 200));
    EXPECT_FALSE(ApplyFormPosition(&window, "", false));
    ApplyFormPosition(&window, "garbage without tags", false);
    EXPECT_EQ(window.pos(), QPoint(40, 77));
}

TEST_F(FormUtilTest, CentreOnScreen)
{
    CenterFormScreen(&window);
    const QRect screen = area();
    const QSize frame = window.frameGeometry().size();
    EXPECT_EQ(window.pos(), QPoint(screen.left() + (screen.width() - frame.width()) / 2,
                                   screen.top() + (screen.height() - frame.height()) / 2));
}

TEST_F(FormUtilTest, OnTopNeitherMovesNorResizes)
{
    window.show();
    const QPoint position = window.pos();
    const QSize size = window.size();
    FormOnTop(&window, true);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.pos(), position);
    EXPECT_EQ(window.size(), size);
    FormOnTop(&window, false);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window.pos(), position);
}

class CloseRecorder : public QWidget {
public:
    CloseRecorder(const QString& name, QStringList& order) : m_order(order) { setObjectName(name); }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        m_order.append(objectName());
        event->accept();
    }

private:
    QStringList& m_order;
};

TEST_F(FormUtilTest, CloseFormsClosesTheOthersFirst)
{
    QStringList order;
    CloseRecorder main("frmMain", order);
    CloseRecorder readings("frmReadings", order);
    CloseRecorder hidden("frmSetup", order);
    main.show();
    readings.show();
    CloseForms(&main);
    ASSERT_GE(order.size(), 3);
    EXPECT_TRUE(order.contains("frmReadings"));
    EXPECT_TRUE(order.contains("frmSetup")) << "loaded but hidden windows close too";
    EXPECT_EQ(order.last(), "frmMain");
    EXPECT_FALSE(main.isVisible());
    EXPECT_FALSE(readings.isVisible());
}

TEST(ControlRoutinesTest, SelectAllOnlyInTextBoxesWithText)
{
    QLineEdit rate("12.50");
    SelectAllText(&rate);
    EXPECT_EQ(rate.selectedText(), "12.50");
    EXPECT_EQ(rate.selectionStart(), 0);
    QLineEdit empty;
    SelectAllText(&empty);
    EXPECT_FALSE(empty.hasSelectedText());
    QLabel label("x");
    SelectAllText(&label); // not a text box: nothing happens
    SelectAllText(nullptr);
}

TEST(ControlRoutinesTest, LabelStyles)
{
    QLabel label("Rate");
    QFont bold = label.font();
    bold.setBold(true);
    label.setFont(bold);
    LabelStyleGreyed(&label);
    EXPECT_FALSE(label.font().bold());
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(128, 128, 128));
    LabelStyleNormal(&label);
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(0, 0, 0));
}

} // namespace
