#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>
#include <functional>

#include "cli_common.h"

namespace quva::cli {

// Adds "quva pose CLASS [--state S [--anim N]] --out FILE.svg": draws one vessel of the class
// from three sides with its animations set to a state, as the host would show it.
void addPoseCommand(CLI::App &app, std::function<Trees()> trees, int &exitCode);

}  // namespace quva::cli
