#include "files/name_lookup.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "files/text_fields.h"

namespace quva {

namespace {

namespace fs = std::filesystem;

bool present(const fs::path &p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

std::vector<std::string> parts(const std::string &relative) {
    std::vector<std::string> out;
    for (std::size_t begin = 0; begin <= relative.size();) {
        const std::size_t end = std::min(relative.find_first_of("/\\", begin), relative.size());
        if (end > begin) out.push_back(relative.substr(begin, end - begin));
        begin = end + 1;
    }
    return out;
}

// The entry of `folder` called `name` without regard to case, if exactly one is.
std::optional<fs::path> entryWithoutCase(const fs::path &folder, const std::string &name) {
    std::optional<fs::path> found;
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::path candidate = it->path();
        if (!text::equalNoCase(candidate.filename().string(), name)) continue;
        if (found) {
            // Listing order differs between file systems: name them in a fixed order.
            std::string first = found->string(), second = candidate.string();
            if (second < first) std::swap(first, second);
            throw AmbiguousName("\"" + name + "\" could be " + first + " or " + second +
                                ", which differ only in case");
        }
        found = candidate;
    }
    return found;
}

}  // namespace

std::string withForwardSlashes(std::string relative) {
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return relative;
}

std::optional<fs::path> findWithoutCase(const fs::path &folder, const std::string &relative) {
    const std::vector<std::string> names = parts(relative);
    if (names.empty()) return std::nullopt;
    fs::path exact = folder;
    for (const std::string &n : names) exact /= n;
    if (present(exact)) return exact;
    fs::path at = folder;
    for (const std::string &n : names) {
        if (present(at / n)) {
            at /= n;
            continue;
        }
        const auto entry = entryWithoutCase(at, n);
        if (!entry) return std::nullopt;
        at = *entry;
    }
    return at;
}

}  // namespace quva
