#pragma once
// Synthetic messages as coflux and tlvmonitor publish them, for the fleet's tests, and a clock
// the test steps.

#include "FleetModel.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

#include <ostream>

// Texts in failure messages as text.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out)
{
    *out << '[' << texts.join(QStringLiteral("|")).toStdString() << ']';
}

namespace fleet::test {

inline const QDateTime kStart(QDate(2026, 12, 7), QTime(10, 0, 0), Qt::UTC);

inline QByteArray Iso(const QDateTime& time)
{
    return time.toUTC().toString(Qt::ISODateWithMs).toUtf8();
}

inline QByteArray OutputJson(const QDateTime& time, double rate, double thickness, double power,
                             double setpoint = -1)
{
    QByteArray json = "{\"time\":\"" + Iso(time) + "\",\"rate\":" + QByteArray::number(rate) +
                      ",\"thickness\":" + QByteArray::number(thickness) +
                      ",\"power\":" + QByteArray::number(power);
    if (setpoint >= 0) json += ",\"setpoint\":" + QByteArray::number(setpoint);
    return json + "}";
}

inline QByteArray SensorJson(const QDateTime& time, double rate, double thickness, double frequency,
                             double life = -1)
{
    QByteArray json = "{\"time\":\"" + Iso(time) + "\",\"rate\":" + QByteArray::number(rate) +
                      ",\"thickness\":" + QByteArray::number(thickness) +
                      ",\"frequency\":" + QByteArray::number(frequency, 'f', 1);
    if (life >= 0) json += ",\"life\":" + QByteArray::number(life);
    return json + "}";
}

inline QByteArray StateJson(const QDateTime& time, const char* run, const char* extra = "")
{
    return "{\"time\":\"" + Iso(time) + "\",\"run\":\"" + run + "\",\"setup\":\"Default.dat\"" +
           extra + "}";
}

inline QByteArray EventJson(const QDateTime& time, const char* kind, const char* text,
                            const char* extra = "")
{
    return "{\"time\":\"" + Iso(time) + "\",\"kind\":\"" + kind + "\",\"code\":0,\"text\":\"" +
           text + "\"" + extra + "}";
}

// A model on a clock that stands still until the test steps it (milliseconds).
struct SteppedModel {
    SteppedModel()
    {
        model.setClock([this] { return now; });
    }
    void advance(qint64 ms) { now += ms; }
    qint64 now = 1000;
    FleetModel model;
};

} // namespace fleet::test
