#include "common/BitOps.h"

#include "common/ErrorReport.h"

#include <cmath>
#include <cstdint>
#include <type_traits>

namespace {
constexpr double TwoPow32 = 4294967296.0;
constexpr double TwoPow31 = 2147483648.0;

short overflow()
{
    tlv::ReportRoutineError(tlv::RoutineError::Overflow);
    return 0;
}
} // namespace

short LongToInt(int value)
{
    const std::int64_t adjusted = value > 32767 ? std::int64_t{value} - 65536 : value;
    if (adjusted < -32768 || adjusted > 32767) return overflow();
    return static_cast<short>(adjusted);
}

int dblToLong(double value)
{
    if (!std::isfinite(value)) {
        overflow();
        return 0;
    }
    // Whole number first (halves to even, as the system's integer conversion rounds), then the
    // unsigned 32-bit pattern of it read as signed.
    double whole = std::nearbyint(value);
    double pattern = std::fmod(whole, TwoPow32);
    if (pattern < 0) pattern += TwoPow32;
    if (pattern >= TwoPow31) pattern -= TwoPow32;
    return static_cast<int>(pattern);
}

short Shli(short value, int n)
{
    if (n >= 16) return 0;
    if (n < 0) return value;
    // value x 2^n in 32 bits: the bits above 31 are lost, as in a 32-bit multiply that wraps.
    const auto shifted = static_cast<std::uint32_t>(static_cast<std::int32_t>(value)) << n;
    return LongToInt(static_cast<std::int32_t>(shifted));
}

int Shll(int value, int n)
{
    if (n >= 32) return 0;
    if (n < 0) return value;
    return dblToLong(std::ldexp(static_cast<double>(value), n));
}

namespace {
template <typename Word> constexpr int bitsOf = static_cast<int>(sizeof(Word) * 8);

template <typename Word> bool inWord(int bit)
{
    return bit >= 0 && bit < bitsOf<Word>;
}

template <typename Word> Word maskOf(int bit)
{
    using Unsigned = std::make_unsigned_t<Word>;
    return static_cast<Word>(static_cast<Unsigned>(Unsigned{1} << bit));
}
} // namespace

void BitSetInteger(short& word, int bit)
{
    if (inWord<short>(bit)) word = static_cast<short>(word | maskOf<short>(bit));
}

void BitSetLong(int& word, int bit)
{
    if (inWord<int>(bit)) word |= maskOf<int>(bit);
}

void BitClearInteger(short& word, int bit)
{
    if (inWord<short>(bit)) word = static_cast<short>(word & ~maskOf<short>(bit));
}

void BitClearLong(int& word, int bit)
{
    if (inWord<int>(bit)) word &= ~maskOf<int>(bit);
}

bool BitTestInteger(short word, int bit)
{
    return inWord<short>(bit) && (word & maskOf<short>(bit)) != 0;
}

bool BitTestLong(int word, int bit)
{
    return inWord<int>(bit) && (word & maskOf<int>(bit)) != 0;
}
