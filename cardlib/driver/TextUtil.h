// Small text helpers of the card bus backends (environment values, device files).
#pragma once

#include <cctype>
#include <string>

namespace tlv880::bus {

// The text without blanks (space, tab, CR, LF) at either end.
inline std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// The text in lower case (ASCII letters only).
inline std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace tlv880::bus
