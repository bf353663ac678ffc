#pragma once

#include <QString>

namespace tlv {

// Number display with the digit patterns the programs use ("#0.000", "##0.0", "#.00", "0.00",
// "#0.", "#0.0##", "000.000", ...):
//  - '0' is a digit that is always shown, '#' a digit shown only when significant;
//  - integer digits beyond the pattern's are always shown; an integer part made only of '#'
//    shows nothing for a value below 1 ("#.00" shows 0.25 as ".25");
//  - the decimals are the pattern's '0's followed by its '#'s: the value is rounded to all of
//    them, then trailing zeros in the '#' places are dropped ("#0.0##": 1.2 -> "1.2",
//    1.23456 -> "1.235");
//  - a '.' in the pattern is always shown ("#0." shows 3 as "3.");
//  - rounding is half away from zero on the value's 15-significant-digit decimal form, so 2.675
//    shows as 2.68 with "0.00";
//  - negative values get a leading '-', except when the shown digits are all zero;
//  - characters other than '0', '#' and '.' are copied as they stand, before or after the
//    number; an empty pattern gives NumberText(value); a NaN or infinite value gives "NaN",
//    "Inf" or "-Inf".
QString Format(double value, const QString& pattern);

// Thickness given in Å, shown in kÅ: "#0.000" below 10 kÅ, "#00.00" below 100 kÅ, "#000.0" from
// 100 kÅ on (12,340 Å shows as "12.34").
QString FormatThickness(double angstrom);
// The pattern FormatThickness uses for a thickness in kÅ.
QString ThicknessPattern(double kiloAngstrom);

// Rate (and every value in the automatic format): "#.000" up to 1, "#.00" above 1 up to 10,
// "#.0" above 10 (0.5 shows as ".500").
QString FormatRate(double value);
// The pattern FormatRate uses.
QString RatePattern(double value);

// A number as text the way the system prints numbers in messages and as INI defaults: up to
// `significantDigits` significant digits (15 for doubles, 7 for singles), no trailing zeros, a
// leading "0" before the decimal point, "-" for negatives; exponent form ("1E+15", "1E-06")
// below 1E-05 and from 10^significantDigits on.
QString NumberText(double value, int significantDigits = 15);

// Reads a number from the start of a text as far as it forms one, the way setup values are
// read: blanks and tabs are skipped anywhere, an optional sign, digits with one '.', an optional
// exponent ("E" or "D" with optional sign); "&H" and "&O" prefixes read hexadecimal and octal
// integers. "12.5 mm" gives 12.5, "abc" gives 0, "" gives 0.
double Val(const QString& text);

} // namespace tlv
