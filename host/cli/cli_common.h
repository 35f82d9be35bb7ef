// Shared pieces of the quva command: locating the add-on tree, exit codes, reporting.
#pragma once

#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace quva::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// The add-on tree holding Modules/, Config/, Meshes/ and Scenarios/: the folder above the one that
// holds the quva binary, unless given.
std::filesystem::path defaultRoot();

// The trees quva reads from. Each --root names one; the last is quva's own tree (without
// --root, the tree quva is installed in), those before it are the user's (a real installation,
// say), searched first, in the order given.
struct Trees {
    std::vector<std::filesystem::path> user;
    std::filesystem::path own;

    std::vector<std::filesystem::path> searchOrder() const;
};
Trees treesFromOptions(const std::vector<std::string> &roots);

// A scenario named on the command line: the path as given, else under a tree's Scenarios/ (the
// trees in order), with or without the .scn ending.
std::filesystem::path resolveScenario(const std::vector<std::filesystem::path> &roots, const std::string &name);

// The end of a command that failed: "quva COMMAND: what" on standard error; returns kExitFailure.
int reportFailure(const char *command, const std::exception &e);

}  // namespace quva::cli
