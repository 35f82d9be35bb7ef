// Compares two outputs of the same run made on different platforms (a trace or a saved scenario)
// and says whether they agree: every text identical, and every number identical or, where it may
// come from the platforms' different math libraries, equal within a relative tolerance.
//
//   quva_compare_runs EXPECTED ACTUAL [--tolerance R] [--absolute A]
//
// Exit 0 when they agree, with a one-line summary; 1 with the first disagreement (line number and
// both lines); 2 on bad arguments or unreadable files.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "number_tokens.h"

namespace {

struct Options {
    std::string expected, actual;
    double tolerance = 1e-9;  // relative
    double absolute = 1e-12;  // below this, numbers count as equal whatever their ratio
};

bool parseArgs(int argc, char **argv, Options &o) {
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if ((a == "--tolerance" || a == "--absolute") && i + 1 < argc) {
            char *end = nullptr;
            double v = std::strtod(argv[++i], &end);
            if (*end != '\0' || !(v >= 0)) return false;
            (a == "--tolerance" ? o.tolerance : o.absolute) = v;
        } else if (files == 0) {
            o.expected = a, ++files;
        } else if (files == 1) {
            o.actual = a, ++files;
        } else {
            return false;
        }
    }
    return files == 2;
}

bool readAll(const std::string &path, std::string &text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string lineAround(const std::string &text, std::size_t at) {
    std::size_t begin = text.rfind('\n', at == 0 ? 0 : at - 1);
    begin = begin == std::string::npos ? 0 : begin + 1;
    std::size_t end = text.find('\n', at);
    return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

}  // namespace

int main(int argc, char **argv) {
    Options o;
    if (!parseArgs(argc, argv, o)) {
        std::cerr << "usage: quva_compare_runs EXPECTED ACTUAL [--tolerance R] [--absolute A]\n";
        return 2;
    }
    std::string expected, actual;
    for (const auto &[path, text] : {std::pair{o.expected, &expected}, std::pair{o.actual, &actual}}) {
        if (!readAll(path, *text)) {
            std::cerr << path << ": cannot be read\n";
            return 2;
        }
    }
    const quva::parity::Comparison c = quva::parity::compareTexts(expected, actual, o.tolerance, o.absolute);
    if (!c.agree) {
        std::cerr << o.actual << ":" << c.line << ": differs from " << o.expected << " (" << c.why << ")\n"
                  << "  expected: " << lineAround(expected, c.expectedAt) << "\n"
                  << "  actual:   " << lineAround(actual, c.actualAt) << "\n";
        return 1;
    }
    std::printf("%s: %zu lines, %zu numbers: %zu identical, %zu within the relative tolerance (largest %.3g), "
                "%zu within the absolute one, %zu half turns of either sign\n",
                o.actual.c_str(), c.lines, c.numbers, c.numbers - c.close - c.nearZero - c.halfTurns, c.close,
                c.largestRelative, c.nearZero, c.halfTurns);
    return 0;
}
