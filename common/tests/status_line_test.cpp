// The status line: the latest message with its time and its age on the program's clock, and
// gone once its cause has gone.

#include "common/StatusLine.h"

#include <gtest/gtest.h>

namespace {

struct Line {
    QDateTime now{QDate(2026, 12, 8), QTime(10, 0, 0)};
    tlv::StatusLine line;
    Line()
    {
        line.setClock([this] { return now; });
    }
    void step(int seconds)
    {
        now = now.addSecs(seconds);
        line.refreshAge();
    }
};

TEST(StatusLine, ShowsTheMessageWithItsTimeAndAge)
{
    Line l;
    EXPECT_EQ(l.line.objectName(), "lblStatusLine");
    l.line.showError(5, "Invalid Output Number.");
    EXPECT_EQ(l.line.text().toStdString(), "10:00:00 (0 s ago)  Error 5: Invalid Output Number.");
    EXPECT_EQ(l.line.message().toStdString(), "Error 5: Invalid Output Number.");
    l.step(59);
    EXPECT_EQ(l.line.ageText().toStdString(), "59 s ago");
    l.step(1);
    EXPECT_EQ(l.line.text().toStdString(), "10:00:00 (1 min ago)  Error 5: Invalid Output Number.");
    EXPECT_EQ(l.line.toolTip(), l.line.text());
    l.step(3600 + 5 * 60);
    EXPECT_EQ(l.line.ageText().toStdString(), "1 h 6 min ago");
}

TEST(StatusLine, StampsGivenOrOfYesterday)
{
    Line l;
    l.line.showMessage("Line one\nline two", QTime(9, 58, 30));
    EXPECT_EQ(l.line.text().toStdString(), "09:58:30 (1 min ago)  Line one line two");
    // Just after midnight, a message stamped just before it.
    l.now = QDateTime(QDate(2026, 12, 9), QTime(0, 0, 10));
    l.line.showMessage("late", QTime(23, 59, 50));
    EXPECT_EQ(l.line.ageText().toStdString(), "20 s ago");
}

TEST(StatusLine, EmptiesWhenItsCauseHasGone)
{
    Line l;
    l.line.showMessage("Deposition halted. Output 1 reached its thickness.", {}, "trip");
    EXPECT_FALSE(l.line.clearCause("init")); // another cause: stays
    EXPECT_FALSE(l.line.clearCause(""));
    EXPECT_FALSE(l.line.message().isEmpty());
    EXPECT_TRUE(l.line.clearCause("trip"));
    EXPECT_TRUE(l.line.message().isEmpty());
    EXPECT_TRUE(l.line.text().isEmpty());
    EXPECT_TRUE(l.line.ageText().isEmpty());
    l.step(5);
    EXPECT_TRUE(l.line.text().isEmpty()) << "no age redrawn on an empty line";

    // A later message of another cause is not cleared by the first cause going.
    l.line.showMessage("Error 99: Card not initialised.", {}, "init");
    l.line.showMessage("Setup loaded.");
    EXPECT_FALSE(l.line.clearCause("init"));
    EXPECT_EQ(l.line.message().toStdString(), "Setup loaded.");
}

} // namespace
