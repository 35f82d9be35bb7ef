#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>
#include <functional>

namespace quva::cli {

// Adds "quva run" to the application; `root` is read when the command runs. The command sets
// `exitCode` when it has run.
void addRunCommand(CLI::App &app, std::function<std::filesystem::path()> root, int &exitCode);

}  // namespace quva::cli
