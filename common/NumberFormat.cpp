#include "common/NumberFormat.h"

#include <QByteArray>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tlv {

namespace {

// A non-negative value as decimal digits: value = 0.digits x 10^pointPos, where pointPos is
// the number of digits before the decimal point (may be zero or negative).
struct Decimal {
    QByteArray digits; // no leading zero unless the value is zero ("0")
    int pointPos = 0;
};

Decimal toDecimal(double magnitude, int significantDigits)
{
    Decimal d;
    if (magnitude == 0.0) {
        d.digits = "0";
        d.pointPos = 1;
        return d;
    }
    // "d.ddddde+XX": the value's shortest form with the given significant digits.
    const QByteArray text = QByteArray::number(magnitude, 'e', significantDigits - 1);
    const qsizetype e = text.indexOf('e');
    d.digits = text.left(e);
    d.digits.remove(1, 1); // the '.'
    d.pointPos = text.mid(e + 1).toInt() + 1;
    return d;
}

// Rounds to `decimals` digits after the point, halves away from zero. Returns digits for the
// integer part and exactly `decimals` fraction digits.
void roundDecimal(const Decimal& d, int decimals, QByteArray& integerPart, QByteArray& fraction)
{
    // All digits up to the cut, padded with zeros on either side as needed.
    QByteArray digits = d.digits;
    int pointPos = d.pointPos;
    if (pointPos < 0) {
        digits.prepend(QByteArray(-pointPos, '0'));
        pointPos = 0;
    }
    const int keep = pointPos + decimals;
    if (digits.size() < keep + 1) digits.append(QByteArray(keep + 1 - digits.size(), '0'));
    const bool roundUp = digits[keep] >= '5';
    digits.truncate(keep);
    if (roundUp) {
        int i = keep - 1;
        for (; i >= 0; --i) {
            if (digits[i] == '9') {
                digits[i] = '0';
            } else {
                digits[i] = static_cast<char>(digits[i] + 1);
                break;
            }
        }
        if (i < 0) {
            digits.prepend('1');
            ++pointPos;
        }
    }
    integerPart = digits.left(pointPos);
    fraction = digits.mid(pointPos);
    while (integerPart.size() > 1 && integerPart.front() == '0')
        integerPart.remove(0, 1);
    if (integerPart == "0") integerPart.clear();
}

QByteArray groupThousands(const QByteArray& integerPart)
{
    QByteArray grouped;
    for (qsizetype i = 0; i < integerPart.size(); ++i) {
        if (i > 0 && (integerPart.size() - i) % 3 == 0) grouped += ',';
        grouped += integerPart[i];
    }
    return grouped;
}

bool isPlaceholder(QChar c)
{
    return c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char('.');
}

QString nonFinite(double value)
{
    if (std::isnan(value)) return QStringLiteral("NaN");
    return value < 0 ? QStringLiteral("-Inf") : QStringLiteral("Inf");
}

} // namespace

QString Format(double value, const QString& pattern)
{
    if (pattern.isEmpty()) return NumberText(value);
    if (!std::isfinite(value)) return nonFinite(value);

    qsizetype first = 0;
    while (first < pattern.size() && !isPlaceholder(pattern[first]))
        ++first;
    if (first == pattern.size()) return pattern; // no number in the pattern: its text as it stands
    qsizetype last = pattern.size() - 1;
    while (!isPlaceholder(pattern[last]))
        --last;
    const QString prefix = pattern.left(first);
    const QString suffix = pattern.mid(last + 1);
    const QString core = pattern.mid(first, last - first + 1);

    const qsizetype point = core.indexOf(QLatin1Char('.'));
    const QString integerSpec = point < 0 ? core : core.left(point);
    const QString fractionSpec = point < 0 ? QString() : core.mid(point + 1);

    const int minInteger = int(integerSpec.count(QLatin1Char('0')));
    const bool grouping = integerSpec.contains(QLatin1Char(','));
    int maxDecimals = 0;
    int minDecimals = 0;
    for (QChar c : fractionSpec) {
        if (c == QLatin1Char('0') || c == QLatin1Char('#')) ++maxDecimals;
        if (c == QLatin1Char('0')) minDecimals = maxDecimals;
    }

    QByteArray integerPart;
    QByteArray fraction;
    roundDecimal(toDecimal(std::fabs(value), 15), maxDecimals, integerPart, fraction);
    while (fraction.size() > minDecimals && fraction.endsWith('0'))
        fraction.chop(1);
    bool allZero = true;
    for (char c : integerPart + fraction)
        allZero = allZero && c == '0';
    if (integerPart.size() < minInteger)
        integerPart.prepend(QByteArray(minInteger - integerPart.size(), '0'));
    if (grouping) integerPart = groupThousands(integerPart);

    QString text;
    if (value < 0 && !allZero) text += QLatin1Char('-');
    text += prefix + QString::fromLatin1(integerPart);
    if (point >= 0) text += QLatin1Char('.') + QString::fromLatin1(fraction);
    return text + suffix;
}

QString ThicknessPattern(double kiloAngstrom)
{
    if (kiloAngstrom < 10) return QStringLiteral("#0.000");
    if (kiloAngstrom < 100) return QStringLiteral("#00.00");
    return QStringLiteral("#000.0");
}

QString FormatThickness(double angstrom)
{
    const double kiloAngstrom = angstrom / 1000.0;
    return Format(kiloAngstrom, ThicknessPattern(kiloAngstrom));
}

QString RatePattern(double value)
{
    if (value <= 1) return QStringLiteral("#.000");
    if (value <= 10) return QStringLiteral("#.00");
    return QStringLiteral("#.0");
}

QString FormatRate(double value)
{
    return Format(value, RatePattern(value));
}

QString NumberText(double value, int significantDigits)
{
    if (!std::isfinite(value)) return nonFinite(value);
    if (value == 0.0) return QStringLiteral("0");
    significantDigits = std::clamp(significantDigits, 1, 17);
    Decimal d = toDecimal(std::fabs(value), significantDigits);
    while (d.digits.size() > 1 && d.digits.endsWith('0'))
        d.digits.chop(1);

    QString text = value < 0 ? QStringLiteral("-") : QString();
    const int exponent = d.pointPos - 1;
    if (exponent < -5 || exponent >= significantDigits) {
        text += QLatin1Char(d.digits[0]);
        if (d.digits.size() > 1) text += QLatin1Char('.') + QString::fromLatin1(d.digits.mid(1));
        text += QLatin1Char('E');
        text += QLatin1Char(exponent < 0 ? '-' : '+');
        text += QStringLiteral("%1").arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
        return text;
    }
    if (d.pointPos <= 0) {
        text += QStringLiteral("0.") + QString(-d.pointPos, QLatin1Char('0')) +
                QString::fromLatin1(d.digits);
    } else if (d.digits.size() <= d.pointPos) {
        text +=
            QString::fromLatin1(d.digits) + QString(d.pointPos - d.digits.size(), QLatin1Char('0'));
    } else {
        text += QString::fromLatin1(d.digits.left(d.pointPos)) + QLatin1Char('.') +
                QString::fromLatin1(d.digits.mid(d.pointPos));
    }
    return text;
}

namespace {

// "&H..." and "&O..." integers: 16-bit patterns read as signed when they fit 16 bits, else
// 32-bit patterns read as signed.
double prefixedInteger(const QString& digits, int base)
{
    std::uint64_t value = 0;
    for (QChar c : digits) {
        const int digit =
            c.isDigit() ? c.digitValue()
            : (base == 16 && c.toUpper() >= QLatin1Char('A') && c.toUpper() <= QLatin1Char('F'))
                ? c.toUpper().unicode() - 'A' + 10
                : -1;
        if (digit < 0 || digit >= base) break;
        value = value * std::uint64_t(base) + std::uint64_t(digit);
        if (value > 0xFFFFFFFFull) return 0; // too large to hold
    }
    if (value <= 0xFFFF) return value > 0x7FFF ? double(value) - 65536.0 : double(value);
    return value > 0x7FFFFFFF ? double(value) - 4294967296.0 : double(value);
}

} // namespace

double Val(const QString& input)
{
    // Blanks, tabs and line feeds do not count anywhere in the text.
    QString text;
    text.reserve(input.size());
    for (QChar c : input)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n') &&
            c != QLatin1Char('\r'))
            text += c;

    if (text.startsWith(QLatin1String("&H"), Qt::CaseInsensitive))
        return prefixedInteger(text.mid(2), 16);
    if (text.startsWith(QLatin1String("&O"), Qt::CaseInsensitive))
        return prefixedInteger(text.mid(2), 8);

    QByteArray number;
    qsizetype i = 0;
    auto at = [&](qsizetype k) { return k < text.size() ? text[k].unicode() : char16_t(0); };
    if (at(i) == '+' || at(i) == '-') number += char(text[i++].unicode());
    bool digits = false;
    while (at(i) >= '0' && at(i) <= '9') {
        number += char(at(i++));
        digits = true;
    }
    if (at(i) == '.') {
        number += '.';
        ++i;
        while (at(i) >= '0' && at(i) <= '9') {
            number += char(at(i++));
            digits = true;
        }
    }
    if (!digits) return 0.0;
    const char16_t e = at(i);
    if (e == 'e' || e == 'E' || e == 'd' || e == 'D') {
        qsizetype k = i + 1;
        QByteArray exponent = "e";
        if (at(k) == '+' || at(k) == '-') exponent += char(at(k++));
        bool expDigits = false;
        while (at(k) >= '0' && at(k) <= '9') {
            exponent += char(at(k++));
            expDigits = true;
        }
        if (expDigits) number += exponent;
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    // A number too large to hold reads as 0.
    return ok && std::isfinite(value) ? value : 0.0;
}

} // namespace tlv
