// Golden bytes for the tests: hex digit pairs, blanks between groups ignored.
#ifndef TARVO_TEST_V1_GOLDEN_H
#define TARVO_TEST_V1_GOLDEN_H

#include <cctype>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvo_test {

inline std::vector<char> hex_bytes(const std::string& hex)
{
    std::vector<char> out;
    int high = -1;
    for (char ch : hex) {
        if (std::isspace(static_cast<unsigned char>(ch)))
            continue;
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
    if (high >= 0)
        throw std::invalid_argument("odd number of hex digits in golden bytes");
    return out;
}

}  // namespace tarvo_test

#endif
