// Comparison of two texts that should be the same but for the last digits of some numbers.
#ifndef QUVA_TESTS_PARITY_NUMBER_TOKENS_H
#define QUVA_TESTS_PARITY_NUMBER_TOKENS_H

#include <cstddef>
#include <string>

namespace quva::parity {

struct Comparison {
    bool agree = true;
    std::size_t lines = 0;       // lines compared
    std::size_t numbers = 0;     // numbers compared
    std::size_t close = 0;       // of them, written differently but within the relative tolerance
    double largestRelative = 0;  // the largest relative difference among those
    std::size_t nearZero = 0;    // written differently, both within the absolute tolerance of each other
    std::size_t halfTurns = 0;   // +pi on one side, -pi on the other
    // Where the texts first disagree (when they do).
    std::size_t line = 0, expectedAt = 0, actualAt = 0;
    std::string why;
};

// Walks both texts together. Text outside numbers must match byte for byte; a number (decimal,
// optionally signed, with fraction and exponent) must be written the same, or differ by at most
// `relative` times the larger magnitude, or by at most `absolute`; +pi and -pi (within `relative`)
// count as the same angle.
Comparison compareTexts(const std::string &expected, const std::string &actual, double relative, double absolute);

}  // namespace quva::parity

#endif
