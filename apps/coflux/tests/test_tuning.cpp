// Tuning runs of the deposition process, on a card-library double whose source is a lag behind
// a dead time and a clock the test steps: a source identified and its terms proposed, applied
// with the output editor's checks, and every way a run ends without a result (no response, too
// noisy, a failed crystal, Stop, a trip, the time-out, a refused start), each with its message,
// the output back at its mode and power and no term changed.

#include "Deposition.h"
#include "TuningRun.h"

#include "CofluxProgram.h"
#include "test_filmLibrary.h"
#include "test_lagChamber.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <random>

namespace coflux::test {
namespace {

using namespace tlv880::tuning;

class TuningTest : public TuningChamberTest {
public: // the refusal cases reach the chamber and the process
    // The output as it was before every run: Manual at 40 %, the setup's terms.
    void ExpectUnchanged()
    {
        const OutputRecord& out = m_core->Tables().Output(0);
        EXPECT_EQ(out.Mode, ModeManual);
        EXPECT_DOUBLE_EQ(m_core->ManualPower(0), 40);
        EXPECT_DOUBLE_EQ(out.PTerm, 100);
        EXPECT_DOUBLE_EQ(out.ITerm, 1);
        EXPECT_DOUBLE_EQ(out.DTerm, 0);
    }
    const TuningResult& Result() const { return m_core->Tuning().Result(); }
    QString Message() const { return Result().message; }
};

TEST_F(TuningTest, IdentifiesTheSourceAndAppliesTheTermsAsTheEditorWould)
{
    const SourceModel known{0.5, 3, 0.8, 20};
    Open(known, 0.01);
    TuningOptions options;
    options.step = 6;
    ASSERT_TRUE(m_core->Tuning().Start(0, options).ok());
    EXPECT_TRUE(m_core->Tuning().Start(0, options).status ==
                CommandResult::Status::RefusedByRunState); // one run at a time
    Ticks(40);
    EXPECT_NEAR(m_tlv->GetPower(0), 46, 1e-6) << "the step is out";
    RunToEnd();
    ASSERT_EQ(Result().state, TuningResult::State::Done) << qPrintable(Message());
    const SourceModel& m = Result().fit.model;
    EXPECT_NEAR(m.gain, known.gain, 0.1 * known.gain);
    EXPECT_NEAR(m.timeConstant, known.timeConstant, 0.1 * known.timeConstant);
    // The reading reaches the process up to a period after the card took it: the dead time the
    // loop meets includes that.
    EXPECT_NEAR(m.deadTime, known.deadTime + kPeriod / 2, 0.1 * known.deadTime + kPeriod / 2);
    EXPECT_GT(Result().fit.fitQuality, 0.95);
    EXPECT_EQ(Result().fit.modelRates.size(), Result().times.size());
    // Back at the power it had; the terms are the rule's and still only proposed.
    EXPECT_NEAR(m_tlv->GetPower(0), 40, 1e-6);
    ExpectUnchanged();
    const RuleResult& proposed = Result().proposed;
    const RuleResult rule =
        RuleTermsFor(proposed.rule, m, proposed.closedLoopTime, proposed.integralFactor);
    EXPECT_DOUBLE_EQ(proposed.terms.p, rule.terms.p);
    EXPECT_DOUBLE_EQ(proposed.terms.i, rule.terms.i);
    EXPECT_DOUBLE_EQ(proposed.terms.d, rule.terms.d);
    EXPECT_GT(Result().soakPower, 0);
    EXPECT_LE(Result().predictedSoak.overshoot, OvershootLimit(Aggressiveness::Normal));
    EXPECT_LE(Result().predictedProposed.overshoot, OvershootLimit(Aggressiveness::Normal));
    EXPECT_DOUBLE_EQ(Result().current.p, 100);
    EXPECT_GT(Result().predictedProposed.settleTime, 0);
    EXPECT_DOUBLE_EQ(Result().setpoint, 5);

    // Apply: the editor's limits and messages, then the terms are the output's.
    EXPECT_EQ(m_core->SetLoopTerms(0, 10000, 1, 0).text,
              QStringLiteral("P term must be between 0 and 9999 !"));
    EXPECT_EQ(m_core->SetLoopTerms(0, 10, 100, 0).text,
              QStringLiteral("I term must be between 0 and 99.9 !"));
    EXPECT_EQ(m_core->SetLoopTerms(0, 10, 1, -1).text,
              QStringLiteral("D term must be between 0 and 99.9 !"));
    EXPECT_DOUBLE_EQ(m_core->Tables().Output(0).PTerm, 100);
    EXPECT_FALSE(m_core->Tuning().Apply(1).ok()) << "no result for output 2";
    ASSERT_TRUE(m_core->Tuning().Apply(0).ok());
    EXPECT_DOUBLE_EQ(m_core->Tables().Output(0).PTerm, rule.terms.p);
    EXPECT_DOUBLE_EQ(m_core->Tables().Output(0).ITerm, rule.terms.i);
}

TEST_F(TuningTest, AnAutoOutputReturnsToItsLoopAndATwoPointRunFits)
{
    const SourceModel known{0.5, 2, 0.5, 20};
    Open(known);
    ASSERT_TRUE(m_core->SetRateSetpoint(0, 10).ok());
    ASSERT_TRUE(m_core->SetMode(0, ModeAuto).ok());
    Ticks(240); // the setup's terms bring the rate to 10 A/s: 40 %
    const double before = m_tlv->GetPower(0);
    TuningOptions options;
    options.stepDown = true;
    ASSERT_TRUE(m_core->Tuning().Start(0, options).ok());
    EXPECT_EQ(m_core->Tables().Output(0).Mode, ModeManual) << "open loop while it runs";
    RunToEnd();
    ASSERT_EQ(Result().state, TuningResult::State::Done) << qPrintable(Message());
    EXPECT_NEAR(Result().startPower, before, 0.01);
    EXPECT_NEAR(Result().fit.model.gain, known.gain, 0.1 * known.gain);
    EXPECT_NEAR(Result().fit.model.timeConstant, known.timeConstant, 0.1 * known.timeConstant);
    EXPECT_EQ(m_core->Tables().Output(0).Mode, ModeAuto);
    EXPECT_NEAR(m_tlv->GetPower(0), before, 0.5);
}

TEST_F(TuningTest, RefusalsSayWhyRestoreThePowerAndChangeNoTerm)
{
    struct Case {
        const char* name;
        SourceModel model;
        double noise;
        std::function<void(TuningTest&)> during; // after the step is out
        const char* message;
        bool stopped;
    };
    const SourceModel normal{0.5, 2, 0.5, 20};
    const std::vector<Case> cases{
        {"below the threshold", {0.5, 2, 0.5, 60}, 0, nullptr, "No response", false},
        {"too noisy", normal, 2.0, nullptr, "Too noisy", false},
        {"crystal failure", normal, 0, [](TuningTest& t) { t.m_chamber->failed = true; },
         "crystal failure on sensor 1", false},
        {"Stop", normal, 0, [](TuningTest& t) { ASSERT_TRUE(t.m_core->Stop().ok()); },
         "the deposition was stopped", true},
        {"never settles", {0.5, 200, 0.5, 20}, 0, nullptr, "time-out", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        Open(c.model, c.noise);
        TuningOptions options;
        options.timeout = 60;
        ASSERT_TRUE(m_core->Tuning().Start(0, options).ok());
        for (int k = 0; k < 1000 && m_tlv->GetPower(0) < 44; ++k)
            Tick();
        Ticks(10);
        if (c.during) c.during(*this);
        RunToEnd();
        EXPECT_EQ(Result().state, TuningResult::State::Refused);
        EXPECT_TRUE(Message().contains(QLatin1String(c.message), Qt::CaseInsensitive))
            << qPrintable(Message());
        EXPECT_TRUE(Message().contains(QLatin1String("No term was changed")))
            << qPrintable(Message());
        EXPECT_NEAR(m_tlv->GetPower(0), c.stopped ? 0 : 40, 1e-6);
        ExpectUnchanged();
    }
}

TEST_F(TuningTest, ATripEndsTheRunAndRefusedStartsChangeNothing)
{
    Open({0.5, 2, 0.5, 20}, 0, 0.2); // 200 A: the thickness trip comes during the step
    ASSERT_TRUE(m_core->Tuning().Start(0, {}).ok());
    RunToEnd();
    EXPECT_EQ(Result().state, TuningResult::State::Refused);
    EXPECT_TRUE(Message().contains(QLatin1String("Thickness setpoint reached on Silver")))
        << qPrintable(Message());
    EXPECT_EQ(m_core->RunState(), RunStopped);
    ExpectUnchanged();

    // Stopped: no step without the source running.
    EXPECT_EQ(m_core->Tuning().Start(0, {}).status, CommandResult::Status::RefusedByRunState);
    ASSERT_TRUE(m_core->Start().ok());
    ASSERT_TRUE(m_core->SetThicknessSetpoint(0, 500).ok());
    TuningOptions options;
    options.startPower = 100; // at the maximum power: no room for a step
    EXPECT_EQ(m_core->Tuning().Start(0, options).status, CommandResult::Status::OutOfRange);
    options.startPower = -1;
    options.step = 80;
    EXPECT_EQ(m_core->Tuning().Start(0, options).status, CommandResult::Status::OutOfRange);
    EXPECT_EQ(m_core->Tuning().Start(1, {}).status, CommandResult::Status::OutOfRange)
        << "output 2 has no sensor";
    EXPECT_FALSE(m_core->Tuning().Running());
    ExpectUnchanged();
}

TEST_F(TuningTest, TheStepStopsAtTheOutputsMaximumPower)
{
    Open({0.5, 2, 0.5, 20}, 0, 1000, 43);
    ASSERT_TRUE(m_core->Tuning().Start(0, {}).ok());
    double highest = 0;
    for (int k = 0; k < 4000 && m_core->Tuning().Running(); ++k) {
        Tick();
        highest = std::max(highest, m_tlv->GetPower(0));
    }
    EXPECT_DOUBLE_EQ(Result().stepPower, 43);
    EXPECT_LE(highest, 43 + 1e-9);
    EXPECT_EQ(Result().state, TuningResult::State::Done) << qPrintable(Message());
}

} // namespace
} // namespace coflux::test
