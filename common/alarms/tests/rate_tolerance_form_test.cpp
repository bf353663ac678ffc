// The Rate Tolerance form driven by object name: entries checked against their limits, the
// warning not after the alarm, and the program's refusal keeping the form open.
#include "common/DialogService.h"
#include "common/alarms/RateToleranceForm.h"
#include "tlvtest/PrintQt.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <optional>

namespace {

using namespace tlv;

class ToleranceForm : public ::testing::Test {
protected:
    ToleranceForm()
        : answer([this](const DialogRequest& r) {
              messages << r.text;
              return DialogAnswer(QMessageBox::Ok);
          })
    {
        form.show();
    }
    QLineEdit* entry(int i)
    {
        return form.findChild<QLineEdit*>(QString("txtTolerance_%1").arg(i));
    }
    void ok() { form.findChild<QPushButton*>("cmdFSwitch_0")->click(); }

    QStringList messages;
    DialogService::ScopedHandler answer;
    std::optional<RateTolerance> applied;
    QString refusal;
    RateToleranceForm form{RateTolerance{}, [this](const RateTolerance& t) {
                               applied = t;
                               return refusal;
                           }};
};

TEST_F(ToleranceForm, ShowsTheToleranceAndAppliesWhatWasTyped)
{
    EXPECT_EQ(form.objectName(), "frmTolerance");
    EXPECT_EQ(form.windowTitle(), "Rate Tolerance");
    EXPECT_EQ(entry(0)->text(), "5.0");
    EXPECT_EQ(entry(1)->text(), "0.10");
    EXPECT_EQ(entry(2)->text(), "20");
    EXPECT_EQ(entry(3)->text(), "60");

    entry(0)->setText("2.5");
    entry(1)->setText(" 0.05 ");
    entry(3)->setText("45");
    ok();
    ASSERT_TRUE(applied.has_value()) << messages.join('|').toStdString();
    EXPECT_DOUBLE_EQ(applied->percent, 2.5);
    EXPECT_DOUBLE_EQ(applied->minimumRate, 0.05);
    EXPECT_DOUBLE_EQ(applied->warningAfter, 20);
    EXPECT_DOUBLE_EQ(applied->alarmAfter, 45);
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ToleranceForm, RefusesValuesBeyondTheLimitsAndAWarningAfterTheAlarm)
{
    entry(0)->setText("120");
    ok();
    EXPECT_FALSE(applied.has_value());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], "Tolerance (%) must be between 0 and 100 !");
    EXPECT_TRUE(form.isVisible());

    entry(0)->setText("5");
    entry(2)->setText("90");
    ok();
    EXPECT_FALSE(applied.has_value());
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[1], "The time before a rate warning must be between 0 s and the time "
                           "before the alarm.");

    entry(2)->setText("abc");
    ok();
    EXPECT_EQ(messages.last(), "Warning after (s) must be between 0 and 86400 !");
    EXPECT_TRUE(form.isVisible());
}

TEST_F(ToleranceForm, TheProgramsRefusalKeepsTheFormOpen)
{
    refusal = "The rate tolerance cannot change while a recipe runs.";
    entry(0)->setText("3");
    ok();
    ASSERT_TRUE(applied.has_value());
    EXPECT_EQ(messages, QStringList{refusal});
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(entry(0)->text(), "3.0") << "nothing typed is lost";
}

} // namespace
