// The checks every output of a run passes before the run starts, so that a run never fails at
// its end (after hours) for a reason known at its start, and never writes over what it should not.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quva {

struct RequestedOutput {
    std::string option;               // "--save"
    std::optional<std::string> path;  // as given; none when the option was not given
};

struct PlannedOutput {
    std::string option;
    std::filesystem::path target;  // links followed
};

// A command line whose outputs cannot be: a usage error.
class OutputUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The outputs given, resolved. Throws OutputUsageError for an empty file name, an existing
// target that is not a regular file (a folder, a pipe, a device), two outputs that are the same
// file (naming both options), and an output other than `mayReplaceInput` that is the input
// scenario. An empty `scenario`: there is no input file to protect.
std::vector<PlannedOutput> planOutputs(const std::vector<RequestedOutput> &requested,
                                       const std::filesystem::path &scenario, const std::string &mayReplaceInput);

}  // namespace quva
