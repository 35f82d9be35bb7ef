#include "cli_common.h"

#include <iostream>
#include <system_error>

#include "platform/host_platform.h"

namespace quva::cli {

std::filesystem::path defaultRoot() {
    std::filesystem::path exe = platform::executableFile();
    if (exe.empty()) return std::filesystem::current_path();
    return exe.parent_path().parent_path();
}

std::vector<std::filesystem::path> Trees::searchOrder() const {
    std::vector<std::filesystem::path> order = user;
    order.push_back(own);
    return order;
}

Trees treesFromOptions(const std::vector<std::string> &roots) {
    Trees trees;
    if (roots.empty()) {
        trees.own = defaultRoot();
        return trees;
    }
    trees.user.assign(roots.begin(), roots.end() - 1);
    trees.own = roots.back();
    return trees;
}

std::filesystem::path resolveScenario(const std::vector<std::filesystem::path> &roots, const std::string &name) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path given(name);
    if (fs::exists(given, ec)) return given;
    for (const fs::path &root : roots)
        for (fs::path candidate : {root / "Scenarios" / given, root / "Scenarios" / (name + ".scn")})
            if (fs::exists(candidate, ec)) return candidate;
    return given;
}

int reportFailure(const char *command, const std::exception &e) {
    std::cerr << "quva " << command << ": " << e.what() << "\n";
    return kExitFailure;
}

}  // namespace quva::cli
