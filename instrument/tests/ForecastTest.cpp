// The crystal forecast: the film a crystal can still take is the Z-match relation run forward
// to the minimum frequency, the time left follows the rate, a failed crystal has none.

#include "InstrumentRig.h"

#include "instrument/CrystalForecast.h"
#include "instrument/CrystalForecastText.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kNq = 1.668e13;
constexpr double kQuartz = 2.648;
constexpr double kPi = 3.14159265358979;

// The relation as the textbooks write it: T = Nq·ρq / (π·ρ·F·Z) · atan(Z·tan(π·(Fq − F)/Fq)).
double TextbookFilm(double f, double fq, double density, double z)
{
    return kNq * kQuartz / (kPi * density * f * z) * std::atan(z * std::tan(kPi * (fq - f) / fq));
}

} // namespace

TEST(CrystalForecast, FilmLeftIsTheRelationRunForwardToTheMinimum)
{
    // Z = 1 reduces the relation to the Sauerbrey form Nq·ρq/ρ · (1/F − 1/Fq).
    const auto gold = tlv::ForecastCrystal(5.8e6, 5e6, 6e6, 19.3, 1.0, 100, 0);
    ASSERT_TRUE(gold);
    const double sauerbrey = kNq * kQuartz / 19.3 * (1 / 5e6 - 1 / 5.8e6) / 1000;
    EXPECT_NEAR(gold->filmLeft, sauerbrey, 1e-9 * sauerbrey);
    EXPECT_DOUBLE_EQ(gold->thicknessLeft, gold->filmLeft);

    // Silver (10.5 g/cm³, Z 0.529) with a 150 % tooling: the sensor reads 1.5 times its film.
    const auto silver = tlv::ForecastCrystal(5.5e6, 5e6, 6e6, 10.5, 0.529, 150, 0);
    ASSERT_TRUE(silver);
    const double film =
        (TextbookFilm(5e6, 6e6, 10.5, 0.529) - TextbookFilm(5.5e6, 6e6, 10.5, 0.529)) / 1000;
    EXPECT_NEAR(silver->filmLeft, film, 1e-9 * film);
    EXPECT_NEAR(silver->thicknessLeft, 1.5 * film, 1e-9 * film);
    // A fresh crystal holds more than a worn one; at the minimum nothing is left.
    const auto fresh = tlv::ForecastCrystal(6e6, 5e6, 6e6, 10.5, 0.529, 150, 0);
    ASSERT_TRUE(fresh);
    EXPECT_GT(fresh->filmLeft, silver->filmLeft);
    const auto spent = tlv::ForecastCrystal(5e6, 5e6, 6e6, 10.5, 0.529, 150, 0);
    ASSERT_TRUE(spent);
    EXPECT_DOUBLE_EQ(spent->filmLeft, 0);
}

TEST(CrystalForecast, TimeLeftFollowsTheRateAndAFailedCrystalHasNoForecast)
{
    const auto at10 = tlv::ForecastCrystal(5.5e6, 5e6, 6e6, 10.5, 0.529, 150, 10);
    const auto at20 = tlv::ForecastCrystal(5.5e6, 5e6, 6e6, 10.5, 0.529, 150, 20);
    ASSERT_TRUE(at10 && at20 && at10->secondsLeft && at20->secondsLeft);
    // The rate is read with the tooling, so the time is the read thickness over it.
    EXPECT_NEAR(*at10->secondsLeft, at10->thicknessLeft * 1000 / 10, 1e-6);
    EXPECT_NEAR(*at20->secondsLeft, *at10->secondsLeft / 2, 1e-6);
    // Not depositing (or losing film): no time.
    EXPECT_FALSE(tlv::ForecastCrystal(5.5e6, 5e6, 6e6, 10.5, 0.529, 150, 0)->secondsLeft);
    EXPECT_FALSE(tlv::ForecastCrystal(5.5e6, 5e6, 6e6, 10.5, 0.529, 150, -3)->secondsLeft);
    // Failure codes, a frequency below the minimum, no material: no forecast, never a negative.
    for (double code : {-1.0, -2.0, -3.0, 0.0, 4.9e6})
        EXPECT_FALSE(tlv::ForecastCrystal(code, 5e6, 6e6, 10.5, 0.529, 150, 10)) << code;
    EXPECT_FALSE(tlv::ForecastCrystal(5.5e6, 5e6, 6e6, 10.5, 0.529, 0, 10));
    EXPECT_FALSE(tlv::ForecastCrystal(5.5e6, 5e6, 6e6, 0, 0.529, 100, 10));
}

TEST(CrystalForecast, TextsShowThicknessAndTimeOrNone)
{
    tlv::CrystalForecast f;
    f.thicknessLeft = 12.345;
    EXPECT_EQ(tlv::LifeLeftText(f), "12.35 kA");
    f.secondsLeft = 250;
    EXPECT_EQ(tlv::LifeLeftText(f), "12.35 kA 0:04:10");
    f.secondsLeft = 1e9;
    EXPECT_EQ(tlv::TimeLeftText(f), "99:59:59");
    EXPECT_EQ(tlv::LifeLeftText(std::nullopt), "--");
    EXPECT_EQ(tlv::TimeLeftText(std::nullopt), "--");
}

TEST(CrystalForecast, InstrumentUsesTheMaterialAndFrequenciesItSent)
{
    fake::Rig rig;
    ASSERT_EQ(rig.tlv->setSensorFrequency(6.1e6, 5e6, 6e6), 0);
    ASSERT_EQ(rig.tlv->SendMaterial(3, 10.5, 0.529, 150), 0);
    const auto f = rig.tlv->SensorForecast(3, 5.5e6, 10);
    const auto direct = tlv::ForecastCrystal(5.5e6, 5e6, 6e6, 10.5, 0.529, 150, 10);
    ASSERT_TRUE(f && direct);
    EXPECT_DOUBLE_EQ(f->thicknessLeft, direct->thicknessLeft);
    EXPECT_FALSE(rig.tlv->SensorForecast(3, -3, 10));
    EXPECT_FALSE(rig.tlv->SensorForecast(99, 5.5e6, 10));
}
