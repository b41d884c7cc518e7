// Golden bytes of the pack tests, written as hex: one decoder for both pack
// versions, and the encoder that turns pack bytes back into comparable text.
#ifndef TARVO_TEST_GOLDEN_HEX_H
#define TARVO_TEST_GOLDEN_HEX_H

#include <cctype>
#include <cstddef>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvo_test {

// Hex digit pairs; blanks between groups are ignored.
inline std::vector<char> hex_bytes(const std::string& hex)
{
    std::vector<char> out;
    int high = -1;
    for (char ch : hex) {
        if (std::isspace(static_cast<unsigned char>(ch))) continue;
        if (!std::isxdigit(static_cast<unsigned char>(ch)))
            throw std::invalid_argument("not a hex digit in golden bytes");
        int v = std::isdigit(static_cast<unsigned char>(ch)) ? ch - '0' : std::tolower(ch) - 'a' + 10;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<char>(high << 4 | v));
            high = -1;
        }
    }
    if (high >= 0) throw std::invalid_argument("odd number of hex digits in golden bytes");
    return out;
}

// Lower-case hex of n bytes at p, no blanks.
inline std::string to_hex(const char* p, std::size_t n)
{
    std::string s;
    char b[3];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, "%02x", static_cast<unsigned char>(p[i]));
        s += b;
    }
    return s;
}

// Golden text with its blanks removed, for comparison with to_hex.
inline std::string golden(const std::string& hex)
{
    std::vector<char> bytes = hex_bytes(hex);
    return to_hex(bytes.data(), bytes.size());
}

}  // namespace tarvo_test

#endif
