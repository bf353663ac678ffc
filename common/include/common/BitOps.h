#pragma once

#include <QString>

// Bit operations on the 16-bit ("Integer") and 32-bit ("Long") status words of the instrument
// class, and the conversions between unsigned patterns and signed words.
//
// Bits outside a word (negative, or >= 16 / >= 32) leave the word unchanged and test false.
// The sign bit (15 / 31) is a bit like any other: it can be set, cleared and tested.
// Conversion errors (a result that does not fit the word) show "Error: 6. Overflow" through the
// routine error reporter (see ErrorReport.h) and give 0.

// value x 2^n in 32 bits, passed through LongToInt; n >= 16 gives 0 (Shli(1, 15) = -32768).
short Shli(short value, int n);
// value x 2^n, passed through dblToLong; n >= 32 gives 0.
int Shll(int value, int n);

void BitSetInteger(short& word, int bit);
void BitSetLong(int& word, int bit);
void BitClearInteger(short& word, int bit);
void BitClearLong(int& word, int bit);
bool BitTestInteger(short word, int bit);
bool BitTestLong(int word, int bit);

// 0..65535 to the signed 16-bit word with that bit pattern (65535 -> -1). Values above 32767
// have 65,536 subtracted; a result outside -32768..32767 is an overflow (0).
short LongToInt(int value);
// A double to the signed 32-bit word with the pattern of its value modulo 2^32 (rounded to the
// nearest integer, halves to even): 4294967295 -> -1, 2147483647 stays. NaN and infinities
// are an overflow (0).
int dblToLong(double value);
