#include "ReadingCells.h"

#include "common/NumberFormat.h"

#include <QLocale>
#include <QStringList>

#include <cmath>
#include <limits>

namespace monitor {

namespace {

QString LifeText(double frequency, const CrystalSpan& span)
{
    const double life = CrystalLife(frequency, span);
    if (std::isnan(life)) return QStringLiteral("?");
    if (span.initial == span.minimum) return QStringLiteral("0");
    return tlv::Format(life, QStringLiteral("#.0"));
}

} // namespace

double CrystalLife(double frequency, const CrystalSpan& span)
{
    if (frequency < 1.0) return std::numeric_limits<double>::quiet_NaN();
    // A crystal window of no width has no life to measure against.
    if (span.initial == span.minimum) return 0.0;
    return 100.0 - 100.0 * (span.initial - frequency) / (span.initial - span.minimum);
}

SensorCells FormatSensorCells(DisplayMode mode, const SensorReading& reading, double density,
                              const CrystalSpan& span)
{
    SensorCells cells;
    if (mode == DisplayMode::Mass) {
        // g/cm³ × Å = 1e-8 g/cm² = 10 ng/cm².
        cells.rate = tlv::Format(density * reading.rate * 10.0, QStringLiteral("#0.0"));
        cells.thickness = tlv::Format(density * reading.thickness * 10.0, QStringLiteral("#0."));
    } else {
        cells.rate = tlv::Format(reading.rate, QStringLiteral("#.0"));
        cells.thickness = tlv::FormatThickness(reading.thickness);
    }
    cells.frequency = reading.frequency >= 1.0
                          ? tlv::Format(reading.frequency, QStringLiteral("#.0"))
                          : QStringLiteral("Fail");
    cells.life = LifeText(reading.frequency, span);
    return cells;
}

QStringList ColumnHeads(DisplayMode mode)
{
    if (mode == DisplayMode::Mass)
        return {QStringLiteral("ng/cm2/s"), QStringLiteral("ng/cm2"), QStringLiteral("Freq. (Hz) "),
                QStringLiteral("Life (%)")};
    return {QStringLiteral("Rate (A/s) "), QStringLiteral("Thick (kA) "),
            QStringLiteral("Freq. (Hz) "), QStringLiteral("Life (%)")};
}

QString LogDateLine(const QDateTime& when)
{
    // The leading line break leaves a blank line between runs.
    return QStringLiteral("\r\nDate: ") +
           QLocale::system().toString(when.date(), QLocale::ShortFormat) +
           QStringLiteral("   Time: ") + when.time().toString(QStringLiteral("h:mm:ss"));
}

QString LogColumnLine(DisplayMode mode)
{
    return mode == DisplayMode::Mass ? QStringLiteral("Time, MassRate, Mass, Frequency, % Life")
                                     : QStringLiteral("Time, Rate, Thick, Frequency, % Life");
}

QString LogSensorLine(const QTime& when, int sensorNumber, const SensorCells& cells)
{
    return when.toString(QStringLiteral("h:mm:ss")) + QStringLiteral(", Sensor") +
           QString::number(sensorNumber) + QStringLiteral(", ") + cells.rate +
           QStringLiteral(", ") + cells.thickness + QStringLiteral(", ") + cells.frequency +
           QStringLiteral(", ") + cells.life;
}

} // namespace monitor
