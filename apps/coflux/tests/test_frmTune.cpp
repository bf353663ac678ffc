// The Tune window driven by object name on the lagging-source double with a stepped clock: a
// run started from the window shows the record with the fitted model over it, the proposed
// terms beside the current ones and the predicted loops of both; Apply writes them through the
// process; every refusal is the process's own message in a box of the dialog service. The main
// window's menu and the output editor open it.

#include "TuneCharts.h"
#include "frmFilm.h"
#include "frmMain.h"
#include "frmTune.h"

#include "TuningReport.h"
#include "test_lagChamber.h"

#include "common/DialogService.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace coflux::test {
namespace {

class TuneWindow : public TuningChamberTest {
public:
    void OpenWindow()
    {
        Open({0.5, 3, 0.8, 20}, 0.01);
        m_window = std::make_unique<frmTune>(*m_core);
        m_window->show();
    }
    void TearDown() override
    {
        m_window.reset();
        TuningChamberTest::TearDown();
    }

    template <typename T> T* Child(const char* name) const
    {
        T* child = m_window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QString Cell(int row, int column) const
    {
        const QTableWidgetItem* item = Child<QTableWidget>("grdTerms")->item(row, column);
        return item ? item->text() : QString();
    }
    // The text of the last message box, empty when none was shown.
    static QString LastMessage()
    {
        const QList<tlv::DialogRequest> seen = tlv::DialogService::requests();
        return seen.isEmpty() ? QString() : seen.back().text;
    }
    const TuningResult& Result() const { return m_core->Tuning().Result(); }

    tlv::DialogService::ScopedHandler m_dialogs{tlv::DialogAnswer(QMessageBox::Ok)};
    std::unique_ptr<frmTune> m_window;
};

TEST_F(TuneWindow, ShowsTheRunTheModelTheTermsAndBothPredictionsThenApplies)
{
    OpenWindow();
    EXPECT_EQ(Child<QComboBox>("cboOutput")->currentText(), QStringLiteral("Output 1: Silver"));
    EXPECT_EQ(Child<QLabel>("lblState")->text(),
              QStringLiteral("Output 1 has not been tuned yet."));
    EXPECT_FALSE(Child<QPushButton>("cmdApply")->isEnabled());
    EXPECT_EQ(Cell(0, 0), QStringLiteral("100.0")) << "the current terms before any run";
    EXPECT_EQ(Cell(0, 1), QStringLiteral("-"));

    Child<QLineEdit>("txtStep")->setText(QStringLiteral("6"));
    Child<QComboBox>("cboAggressiveness")->setCurrentText(QStringLiteral("calm"));
    Child<QPushButton>("cmdStart")->click();
    ASSERT_TRUE(m_core->Tuning().Running()) << qPrintable(LastMessage());
    EXPECT_FALSE(Child<QPushButton>("cmdStart")->isEnabled()) << "one run at a time";
    EXPECT_EQ(Child<QLabel>("lblState")->text(),
              QStringLiteral("Tuning output 1: Settling at 40.0 %."));
    Ticks(40);
    // The record grows in the chart while the run goes on.
    auto* step = Child<TuneChart>("chtStep");
    EXPECT_EQ(step->points(QStringLiteral("Rate")).size(), qsizetype(Result().times.size()));
    EXPECT_FALSE(step->lineNames().contains(QStringLiteral("Model")));
    RunToEnd();

    ASSERT_EQ(Result().state, TuningResult::State::Done) << qPrintable(Result().message);
    EXPECT_EQ(Result().options.step, 6);
    EXPECT_EQ(Result().options.aggressiveness, tlv880::tuning::Aggressiveness::Calm);
    EXPECT_EQ(Child<QLabel>("lblState")->text(),
              QStringLiteral("Output 1 identified: terms proposed."));
    // The record with the fitted model drawn over it, and the power beside it.
    const QList<QPointF> model = step->points(QStringLiteral("Model"));
    ASSERT_EQ(model.size(), qsizetype(Result().fit.modelRates.size()));
    EXPECT_DOUBLE_EQ(model.back().y(), Result().fit.modelRates.back());
    EXPECT_DOUBLE_EQ(model.back().x(), Result().times.back());
    EXPECT_DOUBLE_EQ(step->points(QStringLiteral("Power")).back().y(), Result().powers.back());
    EXPECT_TRUE(
        Child<QLabel>("lblModel")
            ->text()
            .contains(QStringLiteral("gain %1 Å/s per %").arg(Result().fit.model.gain, 0, 'f', 4)));
    // The proposed terms beside the current ones.
    const auto& proposed = Result().proposed.terms;
    EXPECT_EQ(Cell(0, 0), QStringLiteral("100.0"));
    EXPECT_EQ(Cell(1, 0), QStringLiteral("1.0"));
    EXPECT_EQ(Cell(0, 1), QString::number(proposed.p, 'f', 1));
    EXPECT_EQ(Cell(1, 1), QString::number(proposed.i, 'f', 1));
    EXPECT_EQ(Cell(2, 1), QString::number(proposed.d, 'f', 1));
    EXPECT_EQ(Cell(0, 2), QString::number(Result().soakProposed.terms.p, 'f', 1));
    // The predicted closed loop, rate and power, with the current and the proposed terms.
    for (const char* name : {"chtRate", "chtPower"}) {
        auto* chart = Child<TuneChart>(name);
        EXPECT_EQ(chart->points(QStringLiteral("Current")).size(),
                  qsizetype(Result().predictedCurrent.times.size()))
            << name;
        EXPECT_EQ(chart->points(QStringLiteral("Proposed")).size(),
                  qsizetype(Result().predictedProposed.times.size()))
            << name;
    }
    EXPECT_DOUBLE_EQ(Child<TuneChart>("chtPower")->points(QStringLiteral("Proposed")).back().y(),
                     Result().predictedProposed.powers.back());
    EXPECT_DOUBLE_EQ(Child<TuneChart>("chtRate")->points(QStringLiteral("Setpoint")).front().y(),
                     5);
    const QString predicted = Child<QLabel>("lblPrediction")->text();
    EXPECT_TRUE(predicted.contains(PredictionText(Result().predictedProposed)));
    EXPECT_TRUE(predicted.contains(PredictionText(Result().predictedCurrent)));

    // An output editor open on the output: the boxes the operator left alone follow the applied
    // terms, an edited one keeps the operator's value.
    frmFilm editor(*m_core);
    ASSERT_TRUE(editor.setOutNum(0));
    editor.show();
    auto* editorD = editor.findChild<QLineEdit*>(QStringLiteral("txtDTerm"));
    ASSERT_NE(editorD, nullptr);
    editorD->setText(QStringLiteral("0.7"));

    ASSERT_TRUE(Child<QPushButton>("cmdApply")->isEnabled());
    Child<QPushButton>("cmdApply")->click();
    const OutputRecord& out = m_core->Tables().Output(0);
    EXPECT_DOUBLE_EQ(out.PTerm, proposed.p);
    EXPECT_DOUBLE_EQ(out.ITerm, proposed.i);
    EXPECT_DOUBLE_EQ(out.DTerm, proposed.d);
    EXPECT_EQ(Cell(0, 0), QString::number(proposed.p, 'f', 1)) << "the current terms follow";
    EXPECT_EQ(editor.findChild<QLineEdit*>(QStringLiteral("txtPTerm"))->text(),
              QString::number(proposed.p, 'f', 1));
    EXPECT_EQ(editorD->text(), QStringLiteral("0.7"));
    EXPECT_TRUE(Child<QLabel>("lblState")
                    ->text()
                    .startsWith(QStringLiteral("Proposed terms applied to output 1")));
    EXPECT_TRUE(tlv::DialogService::requests().isEmpty()) << qPrintable(LastMessage());

    // For a look at the window on a real display (e.g. under xvfb-run with QT_QPA_PLATFORM=xcb):
    // TLV880_SCREENSHOT_DIR names a folder for a picture of it.
    if (const QString folder = qEnvironmentVariable("TLV880_SCREENSHOT_DIR"); !folder.isEmpty()) {
        EXPECT_TRUE(m_window->grab().save(QDir(folder).filePath(QStringLiteral("frmTune.png"))));
    }
}

TEST_F(TuneWindow, EveryRefusalIsTheProcesssMessageAndChangesNothing)
{
    OpenWindow();
    auto* start = Child<QPushButton>("cmdStart");
    Child<QLineEdit>("txtStep")->setText(QStringLiteral("five"));
    start->click();
    EXPECT_EQ(LastMessage(), QStringLiteral("The power step must be between 0.5 and 50 % !"));
    Child<QLineEdit>("txtStep")->setText(QStringLiteral("60"));
    start->click();
    EXPECT_EQ(LastMessage(), QStringLiteral("The power step must be between 0.5 and 50 % !"));
    Child<QLineEdit>("txtStep")->setText(QStringLiteral("5"));
    Child<QLineEdit>("txtStartPower")->setText(QStringLiteral("100"));
    start->click();
    EXPECT_EQ(LastMessage(), QStringLiteral("The start power must be at least 0 and below the "
                                            "output's maximum power of 100.0 % !"));
    EXPECT_FALSE(m_core->Tuning().Running());
    EXPECT_FALSE(m_window->ApplyTerms());
    EXPECT_EQ(LastMessage(), QStringLiteral("Output 1 has no tuning result to apply."));

    // Stopped mid-step: the run's own message, nothing to apply, the terms as they were.
    Child<QLineEdit>("txtStartPower")->clear();
    start->click();
    ASSERT_TRUE(m_core->Tuning().Running()) << qPrintable(LastMessage());
    Ticks(60);
    ASSERT_TRUE(m_core->Stop().ok());
    EXPECT_EQ(Child<QLabel>("lblState")->text(), Result().message);
    EXPECT_TRUE(Result().message.contains(QStringLiteral("the deposition was stopped")))
        << qPrintable(Result().message);
    EXPECT_FALSE(Child<QPushButton>("cmdApply")->isEnabled());
    EXPECT_TRUE(Child<QPushButton>("cmdStart")->isEnabled());
    EXPECT_DOUBLE_EQ(m_core->Tables().Output(0).PTerm, 100);
    start->click();
    EXPECT_EQ(LastMessage(), QStringLiteral("Start the deposition before tuning: the power step "
                                            "needs the source running."));

    // Another setup: the list names its outputs.
    QFile other(QDir(m_home.path()).filePath(QStringLiteral("Other.dat")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("[OUTPUT1]\nName=Gold\nMode=2\nInput=1\n");
    other.close();
    m_core->OpenSetup(QStringLiteral("Other.dat"));
    EXPECT_EQ(Child<QComboBox>("cboOutput")->currentText(), QStringLiteral("Output 1: Gold"));
}

// The main window's View menu and the output editor's Tune button open the one window, on the
// editor's output.
TEST_F(TuneWindow, OpensFromTheMenuAndFromTheOutputEditor)
{
    ASSERT_TRUE(m_home.isValid());
    qputenv("TLV880_HOME", m_home.path().toLocal8Bit());
    InstallProgramInfo();
    LagChamber chamber({0.5, 3, 0.8, 20});
    cTLV880a tlv(chamber.lib, m_clock);
    frmMain main(nullptr, &tlv);
    auto* menu = main.findChild<QAction*>(QStringLiteral("mnuViewTune"));
    ASSERT_NE(menu, nullptr);
    menu->trigger();
    auto* tune = main.findChild<frmTune*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(tune, nullptr);
    EXPECT_TRUE(tune->isVisible());
    EXPECT_EQ(tune->OutNum(), 0);
    tune->close();

    frmFilm film(main.Core(), &main);
    ASSERT_TRUE(film.setOutNum(1));
    auto* button = film.findChild<QPushButton*>(QStringLiteral("cmdTune"));
    ASSERT_NE(button, nullptr);
    button->click();
    EXPECT_EQ(main.findChildren<frmTune*>(QString(), Qt::FindDirectChildrenOnly).size(), 1)
        << "one window, raised again";
    EXPECT_TRUE(tune->isVisible());
    EXPECT_EQ(tune->OutNum(), 1) << "on the editor's output";
}

} // namespace
} // namespace coflux::test
