#include "files/scenario_environment.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "files/scenario.h"
#include "files/text_fields.h"

namespace quva {

namespace {

struct DateForm {
    const char *word;
    double (*toMjd)(double);
};

// Tried in this order, each by prefix, as the simulator does.
const DateForm kDateForms[] = {
    {"MJD", [](double x) { return x; }},
    {"JD", [](double x) { return x - 2400000.5; }},
    {"JE", [](double x) { return (x - 2000.0) * 365.25 + kJ2000Mjd; }},
};

// Where, in `lines`, the environment section starting at `header` ends (its END line).
struct Span {
    std::vector<std::string> *lines = nullptr;
    std::size_t begin = 0, end = 0;
};

std::optional<Span> findEnvironment(std::vector<std::string> &lines, std::size_t header) {
    for (std::size_t j = header + 1; j < lines.size(); ++j)
        if (text::equalNoCase(interpretedText(lines[j]), "END_ENVIRONMENT")) return Span{&lines, header, j};
    return std::nullopt;
}

// The index after a description section that opens the file (and the blank lines after it), or 0.
std::size_t afterLeadingDescription(const std::vector<std::string> &lines) {
    if (lines.empty() || !isSectionHeader(lines[0], "BEGIN_")) return 0;
    const std::string word = sectionWord(lines[0]);
    if (word != "DESC" && word != "HYPERDESC" && word != "URLDESC") return 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (!text::equalNoCase(interpretedText(lines[i]), "END_" + word)) continue;
        ++i;
        while (i < lines.size() && trim(lines[i]).empty()) ++i;
        return i;
    }
    return 0;
}

}  // namespace

bool isDateLine(std::string_view interpreted) { return text::startsWithNoCase(interpreted, "Date"); }

std::optional<double> readDate(std::string_view interpreted) {
    if (!isDateLine(interpreted)) return std::nullopt;
    const std::string_view rest = text::trimmed(interpreted.substr(4));
    for (const DateForm &form : kDateForms) {
        const std::string_view word(form.word);
        if (!text::startsWithNoCase(rest, word)) continue;
        const auto value = text::number(text::trimmed(rest.substr(word.size())));
        if (!value) return std::nullopt;
        const double mjd = form.toMjd(*value);
        return std::isfinite(mjd) ? std::optional<double>(mjd) : std::nullopt;
    }
    return std::nullopt;
}

std::string savedDateLine(double mjd) {
    const int size = std::snprintf(nullptr, 0, "  Date MJD %.10f", mjd);
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), "  Date MJD %.10f", mjd);
    text.pop_back();
    return text;
}

void stampSavedDate(std::vector<std::string> &head, std::vector<std::string> &tail,
                    const std::optional<KeptLine> &environment, double mjd) {
    std::optional<Span> env;
    if (environment) env = findEnvironment(environment->inTail ? tail : head, environment->index);
    if (!env) {
        const std::vector<std::string> fresh = {"BEGIN_ENVIRONMENT", "  System Sol", savedDateLine(mjd), "END_ENVIRONMENT",
                                                ""};
        head.insert(head.begin() + static_cast<std::ptrdiff_t>(afterLeadingDescription(head)), fresh.begin(), fresh.end());
        return;
    }
    // The date goes where the first date line was, else after the System line, else first.
    std::vector<std::string> &lines = *env->lines;
    std::optional<std::size_t> firstDate, afterSystem;
    for (std::size_t i = env->begin + 1, end = env->end; i < end;) {
        const std::string line = interpretedText(lines[i]);
        if (isDateLine(line)) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
            --end;
            if (!firstDate) firstDate = i;
            continue;
        }
        if (text::startsWithNoCase(line, "System") && !afterSystem) afterSystem = i + 1;
        ++i;
    }
    const std::size_t insertAt = firstDate ? *firstDate : afterSystem ? *afterSystem : env->begin + 1;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), savedDateLine(mjd));
}

}  // namespace quva
