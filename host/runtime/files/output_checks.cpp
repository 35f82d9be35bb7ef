#include "files/output_checks.h"

#include <system_error>

#include "files/output_file.h"

namespace quva {

namespace {

namespace fs = std::filesystem;

// Whether two resolved paths name one file: the same name, or, for files that exist, the same
// file under two names (a hard link).
bool sameFile(const fs::path &a, const fs::path &b) {
    if (a == b) return true;
    std::error_code ec;
    return fs::exists(a, ec) && fs::exists(b, ec) && fs::equivalent(a, b, ec) && !ec;
}

void checkTarget(const std::string &option, const std::string &given, const fs::path &target) {
    std::error_code ec;
    const fs::file_status st = fs::status(target, ec);
    if (ec || !fs::exists(st) || fs::is_regular_file(st)) return;
    const std::string what = fs::is_directory(st) ? "is a folder" : "is not a regular file (a pipe, device or socket)";
    throw OutputUsageError(option + " " + given + ": " + what + "; an output replaces a regular file only");
}

}  // namespace

std::vector<PlannedOutput> planOutputs(const std::vector<RequestedOutput> &requested, const fs::path &scenario,
                                       const std::string &mayReplaceInput) {
    std::vector<PlannedOutput> planned;
    std::vector<std::string> given;
    for (const RequestedOutput &r : requested) {
        if (!r.path) continue;
        if (r.path->empty()) throw OutputUsageError(r.option + ": the file name is empty");
        fs::path target;
        try {
            target = resolveOutputTarget(*r.path);
        } catch (const std::runtime_error &e) {
            throw OutputUsageError(r.option + " " + e.what());
        }
        checkTarget(r.option, *r.path, target);
        for (std::size_t k = 0; k < planned.size(); ++k)
            if (sameFile(planned[k].target, target))
                throw OutputUsageError(planned[k].option + " " + given[k] + " and " + r.option + " " + *r.path +
                                       " name the same file");
        if (!scenario.empty() && r.option != mayReplaceInput && sameFile(resolveOutputTarget(scenario), target))
            throw OutputUsageError(r.option + " " + *r.path + " is the input scenario; only " + mayReplaceInput +
                                   " may write over it");
        planned.push_back({r.option, target});
        given.push_back(*r.path);
    }
    return planned;
}

}  // namespace quva
