// SPDX-License-Identifier: MIT
#pragma once

#include <cctype>
#include <string>

// White space as the C library sees it, whatever the byte's sign.
inline bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// The text without white space at either end.
inline std::string StripBlanks(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}
