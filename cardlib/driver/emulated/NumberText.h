// Strict parsing of the emulated bus's settings: the whole text (blanks at either end
// aside) must be the number, or the setting is refused.
#pragma once

#include "../TextUtil.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace tlv880::bus::emu {

// The pieces of a text between separators (an empty text is one empty piece).
inline std::vector<std::string> SplitText(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return parts;
}

// An unsigned integer in base 10 or 16 (an 0x prefix allowed in base 16), at most maximum.
inline bool ParseUnsignedText(const std::string& text, int base, uint64_t maximum, uint64_t* value)
{
    std::string digits = Trimmed(text);
    if (base == 16 && digits.size() > 2 && digits[0] == '0' &&
        (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    if (digits.empty() || digits.size() > 20) return false;
    for (char c : digits) {
        if (base == 16 ? !std::isxdigit(static_cast<unsigned char>(c))
                       : !std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(digits.c_str(), &end, base);
    if (errno != 0 || *end != '\0' || parsed > maximum) return false;
    *value = parsed;
    return true;
}

// A finite decimal number.
inline bool ParseNumberText(const std::string& text, double* value)
{
    const std::string token = Trimmed(text);
    if (token.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const double parsed = std::strtod(token.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(parsed)) return false;
    *value = parsed;
    return true;
}

} // namespace tlv880::bus::emu
