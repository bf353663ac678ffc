#include "common/BitOps.h"
#include "common/DialogService.h"
#include "common/ProgramInfo.h"
#include "common/SetupFile.h"
#include "common/SetupFileDialog.h"
#include "common/cFileDialog.h"
#include "common/frmAbout.h"

#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

using tlv::DialogAnswer;
using tlv::DialogKind;
using tlv::DialogRequest;
using tlv::DialogService;

namespace {

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tlv::SetProgramInfo({"tlvmonitor", "TLV-880 Monitor", 1, 2, 3, "Legal notice"});
        DialogService::clearRequests();
    }
};

TEST_F(DialogTest, HandlerAnswersAndEveryRequestIsRecorded)
{
    DialogService::ScopedHandler handler{DialogAnswer(QMessageBox::No)};
    const auto pressed =
        DialogService::message(nullptr, "Save current setup to tlvmonitor.dat ?",
                               QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                               QMessageBox::Question, "Quitting");
    EXPECT_EQ(pressed, QMessageBox::No);
    DialogService::message(nullptr, "tlvmonitor.dat Not Found.\r\nContinuing with defaults.",
                           QMessageBox::Ok, QMessageBox::Information);

    const QList<DialogRequest> requests = DialogService::requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].kind, DialogKind::Question);
    EXPECT_EQ(requests[0].title, "Quitting");
    EXPECT_EQ(requests[0].text, "Save current setup to tlvmonitor.dat ?");
    EXPECT_EQ(requests[0].defaultButton, QMessageBox::Yes);
    EXPECT_EQ(requests[0].icon, QMessageBox::Question);
    EXPECT_EQ(requests[1].kind, DialogKind::Message);
    EXPECT_EQ(requests[1].title, "tlvmonitor") << "no title: the program's title";
    EXPECT_EQ(requests[1].icon, QMessageBox::Information);
}

TEST_F(DialogTest, HandlersNestAndRestore)
{
    DialogService::ScopedHandler outer{DialogAnswer(QMessageBox::Yes)};
    {
        DialogService::ScopedHandler inner([](const DialogRequest& r) {
            return DialogAnswer(r.text == "cancel?" ? QMessageBox::Cancel : QMessageBox::Ok);
        });
        EXPECT_EQ(DialogService::message(nullptr, "cancel?", QMessageBox::Ok | QMessageBox::Cancel),
                  QMessageBox::Cancel);
    }
    EXPECT_EQ(DialogService::message(nullptr, "q", QMessageBox::Yes | QMessageBox::No),
              QMessageBox::Yes);
}

TEST_F(DialogTest, WithoutHandlerNothingBlocksAndDefaultsAnswer)
{
    // Tests run on the offscreen platform: requests get their default answer at once.
    EXPECT_EQ(DialogService::message(nullptr, "q?", QMessageBox::Yes | QMessageBox::No),
              QMessageBox::Yes);
    EXPECT_EQ(DialogService::message(nullptr, "q?", QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::Question, "", QMessageBox::No),
              QMessageBox::No);
    EXPECT_EQ(DialogService::getOpenFileName(nullptr, "Open Setup File", "/", "", "*.dat"), "");
    EXPECT_EQ(DialogService::requests().size(), 3);
    EXPECT_EQ(DialogService::defaultButtonOf(QMessageBox::Cancel | QMessageBox::Retry),
              QMessageBox::Retry);
}

TEST_F(DialogTest, StrictModeEndsTheProgramOnAnUnansweredRequest)
{
    EXPECT_DEATH(
        {
            qputenv("TLV880_DIALOGS", "fail");
            DialogService::message(nullptr, "Rate must be between 0 and 999.9 !");
        },
        "Unanswered message \"tlvmonitor\": Rate must be between 0 and 999.9 !");
}

TEST_F(DialogTest, RoutineErrorsBecomeMessageBoxes)
{
    DialogService::ScopedHandler handler{DialogAnswer(QMessageBox::Ok)};
    EXPECT_EQ(LongToInt(200000), 0);
    const QList<DialogRequest> requests = DialogService::requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].text, "Error: 6. Overflow");
    EXPECT_EQ(requests[0].kind, DialogKind::Message);
}

TEST(FileDialogTest, FilterRecordAndQtFilters)
{
    const QString record = cFileDialog::RecordFilter("Setup files (*.dat)|*.dat|All (*.*)|*.*");
    EXPECT_TRUE(record.endsWith(QString(2, QChar(0))));
    const QStringList parts = record.chopped(2).split(QChar(0));
    EXPECT_EQ(parts, (QStringList{"Setup files (*.dat)", "*.dat", "All (*.*)", "*.*"}));

    EXPECT_EQ(cFileDialog::QtFilters("Setup files (*.dat)|*.dat|All (*.*)|*.*"),
              (QStringList{"Setup files (*.dat)", "All (*.*)"}));
    EXPECT_EQ(cFileDialog::QtFilters("Logs|*.log;*.txt"), QStringList{"Logs (*.log *.txt)"});
    EXPECT_EQ(cFileDialog::QtFilters("Odd"), QStringList{"Odd (*)"});
    EXPECT_TRUE(cFileDialog::QtFilters("").isEmpty());
}

TEST(FileDialogTest, TrimNulls)
{
    EXPECT_EQ(cFileDialog::TrimNulls("setup.dat"), "setup.dat");
    EXPECT_EQ(cFileDialog::TrimNulls(QString("setup.dat") + QChar(0) + "junk"), "setup.dat");
    EXPECT_EQ(cFileDialog::TrimNulls(QString(QChar(0)) + "junk"), "");
}

TEST(FileDialogTest, ShowFillsNameAndTitleOnlyOnSuccess)
{
    DialogRequest seen;
    QString answer = "/data/films/gold";
    DialogService::ScopedHandler handler([&](const DialogRequest& r) {
        seen = r;
        return DialogAnswer(answer);
    });
    cFileDialog dialog;
    dialog.setDialogTitle("Save Setup As");
    dialog.setFilter("Setup files (*.dat)|*.dat|All files (*.*)|*.*");
    dialog.setFilterIndex(2);
    dialog.setDefaultExt("dat");
    dialog.setFlags(14);
    dialog.setInitialDir("/data");
    dialog.setFileName("old.dat");

    ASSERT_TRUE(dialog.Show(false));
    EXPECT_EQ(seen.kind, DialogKind::Save);
    EXPECT_EQ(seen.title, "Save Setup As");
    EXPECT_EQ(seen.directory, "/data");
    EXPECT_EQ(seen.fileName, "old.dat");
    EXPECT_EQ(seen.filter, "Setup files (*.dat);;All files (*.*)");
    EXPECT_EQ(seen.selectedFilter, "All files (*.*)");
    EXPECT_EQ(seen.defaultSuffix, "dat");
    EXPECT_TRUE(seen.confirmOverwrite);
    EXPECT_EQ(dialog.FileName(), "/data/films/gold.dat") << "default extension added";
    EXPECT_EQ(dialog.FileTitle(), "gold.dat");

    answer.clear(); // cancelled: nothing changes
    dialog.setFlags(0);
    EXPECT_FALSE(dialog.Show(true));
    EXPECT_EQ(seen.kind, DialogKind::Open);
    EXPECT_EQ(dialog.FileName(), "/data/films/gold.dat");
    EXPECT_EQ(dialog.FileTitle(), "gold.dat");
}

TEST_F(DialogTest, SetupFileDialogAndCaption)
{
    QMainWindow main;
    tlv::SetSetupFile(&main, "tlvmonitor.dat");
    EXPECT_EQ(main.windowTitle(), "TLV-880 Monitor - [ tlvmonitor.dat ]");
    EXPECT_EQ(tlv::CurrentSetupFile(), "tlvmonitor.dat");
    EXPECT_EQ(tlv::SavedSetupFile(), "tlvmonitor.dat");

    QList<DialogRequest> seen;
    DialogService::ScopedHandler handler([&](const DialogRequest& r) {
        seen.append(r);
        return r.kind == DialogKind::Save ? DialogAnswer("/elsewhere/run2.dat")
                                          : DialogAnswer::cancelled();
    });
    EXPECT_EQ(tlv::SelectSetupFile(&main, true, "/opt/tlv"), "run2.dat");
    EXPECT_EQ(tlv::SelectSetupFile(&main, false), "");
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0].title, "Save Setup As");
    EXPECT_EQ(seen[0].filter, "Setup files (*.dat)");
    EXPECT_EQ(seen[0].defaultSuffix, "dat");
    EXPECT_EQ(seen[0].fileName, "tlvmonitor.dat");
    EXPECT_EQ(seen[0].directory, "/opt/tlv");
    EXPECT_TRUE(seen[0].confirmOverwrite);
    EXPECT_EQ(seen[1].title, "Open Setup File");
    EXPECT_EQ(seen[1].kind, DialogKind::Open);
    EXPECT_EQ(tlv::CurrentSetupFile(), "tlvmonitor.dat") << "selecting does not switch files";
}

TEST_F(DialogTest, AboutBoxLines)
{
    tlv::frmAbout about;
    EXPECT_EQ(about.windowTitle(), "About TLV-880 Monitor");
    EXPECT_EQ(about.lineText(0), "TLV-880 Monitor\n Ver. 1.23");
    EXPECT_EQ(about.lineText(1), "Legal notice");
    EXPECT_TRUE(about.lineText(2).contains(" Version: ")) << about.lineText(2).toStdString();
    const QRegularExpressionMatch memory =
        QRegularExpression("^Memory Avail/Free: (\\d+)K / (\\d+)K$").match(about.lineText(3));
    ASSERT_TRUE(memory.hasMatch()) << about.lineText(3).toStdString();
    EXPECT_GT(memory.captured(1).toLongLong(), 0);
    EXPECT_LE(memory.captured(2).toLongLong(), memory.captured(1).toLongLong());
    EXPECT_EQ(about.lineText(4), "Directory: " + tlv::ProgramFolder());
    EXPECT_EQ(about.findChild<QLabel*>("lblAbout_4")->text(), about.lineText(4));

    about.show();
    auto* ok = about.findChild<QPushButton*>("cmdOK");
    ASSERT_NE(ok, nullptr);
    ok->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

} // namespace
