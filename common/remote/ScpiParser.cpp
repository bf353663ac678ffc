// Parsing of the remote interface's command lines.
#include "common/remote/ScpiParser.h"

#include <charconv>
#include <cmath>

namespace tlv::remote {

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t';
}
bool IsAlpha(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

QByteArray Trimmed(const QByteArray& text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && IsSpace(text[from]))
        ++from;
    while (to > from && IsSpace(text[to - 1]))
        --to;
    return text.mid(from, to - from);
}

// Splits at `separator` outside quotes; false when a quote is left open.
bool SplitOutsideQuotes(const QByteArray& text, char separator, QList<QByteArray>& parts)
{
    char quote = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == quote) quote = 0; // a doubled quote closes and reopens: same result
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == separator) {
            parts.append(Trimmed(text.mid(start, i - start)));
            start = i + 1;
        }
    }
    parts.append(Trimmed(text.mid(start)));
    return quote == 0;
}

// A SCPI decimal: [+|-] digits [. digits] [E [+|-] digits], with digits on at least one side
// of the point. Plain decimal only, so "nan", "inf" and hexadecimal never pass.
bool ParseNumber(const QByteArray& text, double& value)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    qsizetype digits = 0;
    while (i < n && IsDigit(text[i]))
        ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && IsDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        qsizetype exponent = 0;
        while (i < n && IsDigit(text[i]))
            ++i, ++exponent;
        if (exponent == 0) return false;
    }
    if (i != n) return false;
    // from_chars reads '.' whatever the C locale the application set; a leading '+' it does
    // not take is skipped here.
    const char* first = text.constData() + (text[0] == '+' ? 1 : 0);
    const auto result = std::from_chars(first, text.constData() + n, value);
    return result.ec == std::errc() && result.ptr == text.constData() + n && std::isfinite(value);
}

bool ParseString(const QByteArray& text, QString& value)
{
    const char quote = text[0];
    QByteArray bytes;
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (text[i] != quote) {
            bytes.append(text[i]);
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == quote) {
            bytes.append(quote);
            ++i;
            continue;
        }
        if (i + 1 != text.size()) return false; // text after the closing quote
        value = QString::fromUtf8(bytes);
        return true;
    }
    return false;
}

bool ParseParameter(const QByteArray& text, ScpiParameter& parameter)
{
    if (text.isEmpty()) return false;
    const char first = text[0];
    if (first == '"' || first == '\'') {
        parameter.kind = ScpiParameter::Kind::String;
        return ParseString(text, parameter.string);
    }
    if (IsAlpha(first)) {
        for (const char c : text)
            if (!IsAlpha(c) && !IsDigit(c) && c != '_') return false;
        parameter.kind = ScpiParameter::Kind::Word;
        parameter.word = text.toUpper();
        return true;
    }
    parameter.kind = ScpiParameter::Kind::Number;
    return ParseNumber(text, parameter.number);
}

bool ParseHeader(const QByteArray& header, ScpiUnit& unit)
{
    QByteArray body = header;
    if (body.endsWith('?')) {
        unit.query = true;
        body.chop(1);
    }
    if (body.startsWith('*')) {
        unit.common = true;
        body.remove(0, 1);
        if (body.isEmpty()) return false;
        for (const char c : body)
            if (!IsAlpha(c)) return false;
        unit.headers = {body.toUpper()};
        return true;
    }
    if (body.startsWith(':')) body.remove(0, 1);
    if (body.isEmpty()) return false;
    for (const QByteArray& mnemonic : body.split(':')) {
        if (mnemonic.isEmpty() || !IsAlpha(mnemonic[0])) return false;
        for (const char c : mnemonic)
            if (!IsAlpha(c) && !IsDigit(c) && c != '_') return false;
        unit.headers.append(mnemonic.toUpper());
    }
    return true;
}

} // namespace

QList<QByteArray> SplitUnits(const QByteArray& line)
{
    QList<QByteArray> units;
    SplitOutsideQuotes(line, ';', units); // an open quote is refused by ParseUnit
    return units;
}

Outcome ParseUnit(const QByteArray& text, ScpiUnit& unit)
{
    unit = ScpiUnit();
    const QByteArray trimmed = Trimmed(text);
    for (const char c : trimmed) {
        // Control bytes are refused here so that nothing after the parser ever sees them, not
        // even inside a string; bytes above ASCII pass for UTF-8 file names.
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7F) return Outcome::Error(SyntaxError);
    }
    qsizetype split = 0;
    while (split < trimmed.size() && !IsSpace(trimmed[split]))
        ++split;
    if (!ParseHeader(trimmed.left(split), unit)) return Outcome::Error(SyntaxError);

    const QByteArray rest = Trimmed(trimmed.mid(split));
    if (rest.isEmpty()) return Outcome::Ok();
    QList<QByteArray> parts;
    if (!SplitOutsideQuotes(rest, ',', parts)) return Outcome::Error(SyntaxError);
    for (const QByteArray& part : parts) {
        ScpiParameter parameter;
        if (!ParseParameter(part, parameter)) return Outcome::Error(SyntaxError);
        unit.parameters.append(parameter);
    }
    return Outcome::Ok();
}

bool MatchesMnemonic(const QByteArray& mnemonic, const char* pattern)
{
    QByteArray shortForm;
    QByteArray longForm;
    for (const char* p = pattern; *p; ++p) {
        if (*p == Upper(*p) || IsDigit(*p)) shortForm.append(*p);
        longForm.append(Upper(*p));
    }
    return mnemonic == shortForm || mnemonic == longForm;
}

} // namespace tlv::remote
