#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>
#include <functional>

#include "cli_common.h"

namespace quva::cli {

// Adds "quva run" to the application; `trees` is read when the command runs. The command sets
// `exitCode` when it has run.
void addRunCommand(CLI::App &app, std::function<Trees()> trees, int &exitCode);

}  // namespace quva::cli
