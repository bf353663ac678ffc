// The shared entry guard on a small form: Enter and leaving an entry check it; a refusal shows
// its message, keeps the focus on the entry and selects its text; the form checks its entries
// before it applies.
#include "common/DialogService.h"
#include "common/EntryGuard.h"
#include "common/ProgramInfo.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {

using tlv::DialogService;
using tlv::EntryGuard;

// Period 0.1..2 written as "0.00"; a second entry for a count 1..10.
class EntryGuardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tlv::SetProgramInfo({"tlvmonitor", "TLV-880 Monitor", 1, 0, 0, ""});
        form = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(form.get());
        period = new QLineEdit(QStringLiteral("0.50"), form.get());
        count = new QLineEdit(QStringLiteral("3"), form.get());
        other = new QPushButton(QStringLiteral("OK"), form.get());
        layout->addWidget(period);
        layout->addWidget(count);
        layout->addWidget(other);
        guard = new EntryGuard(*form, QStringLiteral("Setup"));
        guard->AddEntry(period, Range(0.1, 2, "Period must be between 0.1 and 2 !", 'f', 2));
        guard->AddEntry(count, Range(1, 10, "Count must be between 1 and 10 !", 'f', 0));
        form->show();
    }

    tlv::EntryCheck Range(double min, double max, const char* message, char format, int decimals)
    {
        return [=, this](QLineEdit& box) -> QString {
            ++checks;
            const auto value = tlv::ParseEntry(box.text());
            if (!value || *value < min || *value > max) return QString::fromLatin1(message);
            box.setText(QString::number(*value, format, decimals));
            return {};
        };
    }

    void Leave(QLineEdit* box, Qt::FocusReason reason = Qt::TabFocusReason)
    {
        QFocusEvent out(QEvent::FocusOut, reason);
        QApplication::sendEvent(box, &out);
        QCoreApplication::sendPostedEvents(); // the guard's queued refocus and selection
    }

    QStringList Messages() const
    {
        QStringList texts;
        for (const tlv::DialogRequest& r : DialogService::requests())
            texts << r.title + QLatin1Char('|') + r.text;
        return texts;
    }

    DialogService::ScopedHandler dialogs{tlv::DialogAnswer(QMessageBox::Ok)};
    std::unique_ptr<QWidget> form;
    QLineEdit* period = nullptr;
    QLineEdit* count = nullptr;
    QPushButton* other = nullptr;
    EntryGuard* guard = nullptr;
    int checks = 0;
};

TEST_F(EntryGuardTest, EnterAcceptsAndRewritesOrRefusesWithTheMessage)
{
    period->setText(QStringLiteral(" 1.5"));
    QTest::keyClick(period, Qt::Key_Return);
    EXPECT_EQ(period->text(), QStringLiteral("1.50"));
    EXPECT_TRUE(Messages().isEmpty());

    period->setText(QStringLiteral("2.01"));
    QTest::keyClick(period, Qt::Key_Enter);
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Setup|Period must be between 0.1 and 2 !")});
    EXPECT_EQ(period->text(), QStringLiteral("2.01")) << "a refused text stays for correcting";
    EXPECT_EQ(period->selectedText(), QStringLiteral("2.01"));
}

TEST_F(EntryGuardTest, LeavingARefusedEntryGivesItTheFocusBackWithItsTextSelected)
{
    count->setText(QStringLiteral("x"));
    other->setFocus();
    Leave(count);
    EXPECT_EQ(Messages().size(), 1);
    EXPECT_EQ(form->focusWidget(), count);
    EXPECT_EQ(count->selectedText(), QStringLiteral("x"));

    // Corrected, it may be left.
    DialogService::clearRequests();
    count->setText(QStringLiteral("7"));
    other->setFocus();
    Leave(count);
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_EQ(form->focusWidget(), other);
}

TEST_F(EntryGuardTest, OpeningAMenuOrSwitchingWindowsIsNotLeaving)
{
    count->setText(QStringLiteral("0"));
    Leave(count, Qt::PopupFocusReason);
    Leave(count, Qt::ActiveWindowFocusReason);
    EXPECT_EQ(checks, 0);
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(EntryGuardTest, CheckAllStopsAtTheFirstRefusedEntryOrChecksOnlyTheEdited)
{
    guard->SetLoading(true);
    period->setText(QStringLiteral("9")); // filled beyond the limits: not an edit
    guard->SetLoading(false);
    count->setText(QStringLiteral("11"));

    EXPECT_FALSE(guard->CheckAll(EntryGuard::Scope::Edited));
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Setup|Count must be between 1 and 10 !")});

    DialogService::clearRequests();
    count->setText(QStringLiteral("4"));
    EXPECT_TRUE(guard->CheckAll(EntryGuard::Scope::Edited));
    EXPECT_FALSE(guard->CheckAll(EntryGuard::Scope::Every));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Setup|Period must be between 0.1 and 2 !")});
    EXPECT_EQ(form->focusWidget(), period);
}

TEST_F(EntryGuardTest, ARemovedEntryAndOtherControlsAreNotChecked)
{
    EXPECT_TRUE(guard->Check(other));
    guard->RemoveEntry(count);
    count->setText(QStringLiteral("99"));
    Leave(count);
    QTest::keyClick(count, Qt::Key_Return);
    EXPECT_TRUE(guard->Check(count));
    EXPECT_EQ(checks, 0);
    EXPECT_TRUE(guard->CheckAll(EntryGuard::Scope::Every));
    EXPECT_EQ(checks, 1) << "the period alone";
}

TEST_F(EntryGuardTest, CheckAllCanKeepTheTextOfUntouchedEntries)
{
    guard->SetLoading(true);
    period->setText(QStringLiteral("0.5")); // filled as the form shows it
    guard->SetLoading(false);
    count->setText(QStringLiteral("4.4"));

    EXPECT_TRUE(guard->CheckAll(EntryGuard::Scope::EveryKeepingUntouched));
    EXPECT_EQ(checks, 2) << "every entry is checked";
    EXPECT_EQ(period->text(), QStringLiteral("0.5")) << "untouched: only tested";
    EXPECT_EQ(count->text(), QStringLiteral("4")) << "edited: rewritten";

    guard->SetLoading(true);
    period->setText(QStringLiteral("5")); // a stored value beyond the limits
    guard->SetLoading(false);
    EXPECT_FALSE(guard->CheckAll(EntryGuard::Scope::EveryKeepingUntouched));
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Setup|Period must be between 0.1 and 2 !")});
    EXPECT_EQ(period->text(), QStringLiteral("5"));
}

// The other way of noticing that an entry is left: another control of the form takes the focus.
class NextControlGuardTest : public EntryGuardTest {
protected:
    void SetUp() override
    {
        EntryGuardTest::SetUp();
        delete guard;
        guard = new EntryGuard(*form, QStringLiteral("Setup"), EntryGuard::Leaving::NextControl);
        guard->AddEntry(period, Range(0.1, 2, "Period must be between 0.1 and 2 !", 'f', 2));
        guard->AddEntry(count, Range(1, 10, "Count must be between 1 and 10 !", 'f', 0));
        guard->Watch(other);
    }

    // Gives a control the focus; the focus-in is sent by hand only when setFocus delivered none
    // (the window is not active), so the guard never hears of one change twice.
    static void Enter(QWidget* control)
    {
        struct Probe : QObject {
            bool seen = false;
            bool eventFilter(QObject*, QEvent* event) override
            {
                seen = seen || event->type() == QEvent::FocusIn;
                return false;
            }
        } probe;
        control->installEventFilter(&probe);
        control->setFocus();
        control->removeEventFilter(&probe);
        if (!probe.seen) {
            QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason);
            QApplication::sendEvent(control, &in);
        }
        QCoreApplication::sendPostedEvents();
    }
};

TEST_F(NextControlGuardTest, AWatchedControlTakesTheFocusOnlyFromAValidEntry)
{
    Enter(count);
    EXPECT_EQ(guard->Current(), count);
    count->setText(QStringLiteral("0"));
    Enter(other);
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Setup|Count must be between 1 and 10 !")});
    EXPECT_EQ(guard->Current(), count) << "the refused entry stays the current control";
    EXPECT_EQ(form->focusWidget(), count);
    EXPECT_EQ(count->selectedText(), QStringLiteral("0"));

    // A command checks the entry the operator was in, wherever the focus went meanwhile.
    DialogService::clearRequests();
    EXPECT_FALSE(guard->CheckCurrent());
    EXPECT_EQ(Messages().size(), 1);

    count->setText(QStringLiteral("6"));
    Enter(other);
    EXPECT_EQ(guard->Current(), other);
    EXPECT_EQ(count->text(), QStringLiteral("6"));
    EXPECT_TRUE(guard->CheckCurrent()) << "a control that is no entry is valid";
}

TEST_F(NextControlGuardTest, LosingTheFocusAloneChecksNothing)
{
    Enter(period);
    period->setText(QStringLiteral("9"));
    Leave(period);
    EXPECT_EQ(checks, 0);
    EXPECT_EQ(guard->Current(), period);
}

TEST(ParseEntry, NumbersAsTypedAndNothingElse)
{
    EXPECT_EQ(tlv::ParseEntry(QStringLiteral(" 2.5 ")), 2.5);
    EXPECT_EQ(tlv::ParseEntry(QStringLiteral("-1e3")), -1000.0);
    EXPECT_FALSE(tlv::ParseEntry(QString()));
    EXPECT_FALSE(tlv::ParseEntry(QStringLiteral("1,5")));
    EXPECT_FALSE(tlv::ParseEntry(QStringLiteral("inf")));
    EXPECT_FALSE(tlv::ParseEntry(QStringLiteral("12abc")));
}

} // namespace
