#include "cli_common.h"

#include <iostream>
#include <system_error>

#include "files/name_lookup.h"
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
    // Under Scenarios/ as the simulator's file system finds it: without regard to case when the
    // exact name is missing, '\' separating folders. Two names that differ only in case are
    // neither guessed at: the name is then left as given, which is reported as not found.
    for (const fs::path &root : roots)
        for (const std::string &candidate : {"Scenarios/" + name, "Scenarios/" + name + ".scn"}) {
            try {
                if (auto file = findWithoutCase(root, candidate)) return *file;
            } catch (const AmbiguousName &e) {
                std::cerr << "quva: scenario " << e.what() << "\n";
                return given;
            }
        }
    return given;
}

int reportFailure(const char *command, const std::exception &e) {
    std::cerr << "quva " << command << ": " << e.what() << "\n";
    return kExitFailure;
}

}  // namespace quva::cli
