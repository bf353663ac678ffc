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
