// Finding a file by a name written in a scenario or class file, as the simulator finds it on the
// case-insensitive file system it runs on: the exact name first; when that is missing, each part
// of the name matched without regard to case. Either '/' or '\' separates folders.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace quva {

// Two files whose names differ only in case, either of which the name could mean.
class AmbiguousName : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// `relative` with every '\' turned into '/'.
std::string withForwardSlashes(std::string relative);

// The file `relative` names under `folder`: the exact path if it exists, else the one path whose
// parts match without regard to case. Nothing found: nullopt. Throws AmbiguousName naming both
// candidates when a part matches two entries that differ only in case.
std::optional<std::filesystem::path> findWithoutCase(const std::filesystem::path &folder, const std::string &relative);

}  // namespace quva
