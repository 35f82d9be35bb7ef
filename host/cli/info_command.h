#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>
#include <functional>

#include "cli_common.h"

namespace quva::cli {

// Adds "quva info CLASS": the class's module, its exports, every call the module makes while the
// host creates one vessel of the class, and the definition that results.
void addInfoCommand(CLI::App &app, std::function<Trees()> trees, int &exitCode);

}  // namespace quva::cli
