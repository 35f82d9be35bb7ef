// Shared pieces of the quva command: locating the add-on tree, exit codes, reporting.
#pragma once

#include <exception>
#include <filesystem>
#include <string>

namespace quva::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// The add-on tree holding Modules/, Config/, Meshes/ and Scenarios/: the folder above the one that
// holds the quva binary, unless given.
std::filesystem::path defaultRoot();

// A scenario named on the command line: the path as given, else under the tree's Scenarios/,
// with or without the .scn ending.
std::filesystem::path resolveScenario(const std::filesystem::path &root, const std::string &name);

// The end of a command that failed: "quva COMMAND: what" on standard error; returns kExitFailure.
int reportFailure(const char *command, const std::exception &e);

}  // namespace quva::cli
