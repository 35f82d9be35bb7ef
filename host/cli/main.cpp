// quva: runs vessel modules headless, without the simulator.
#include <CLI/CLI.hpp>

#include <iostream>

#include "cli_common.h"
#include "info_command.h"
#include "pose_command.h"
#include "run_command.h"

#ifndef QUVA_VERSION
#define QUVA_VERSION "0"
#endif

int main(int argc, char **argv) {
    CLI::App app{"quva: runs vessel modules and their scenarios headless"};
    app.set_version_flag("--version", "quva " QUVA_VERSION);
    app.require_subcommand(1);
    std::vector<std::string> rootOptions;
    app.add_option("--root", rootOptions,
                   "add-on tree with Modules/, Config/, Meshes/, Scenarios/ (default: the tree quva is installed in); "
                   "may be repeated: the trees are searched in the order given, the last is quva's own")
        ->take_all()
        ->check(CLI::ExistingDirectory);
    auto root = [&] { return quva::cli::treesFromOptions(rootOptions); };
    int exitCode = quva::cli::kExitOk;
    quva::cli::addRunCommand(app, root, exitCode);
    quva::cli::addInfoCommand(app, root, exitCode);
    quva::cli::addPoseCommand(app, root, exitCode);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success &e) {
        return app.exit(e);
    } catch (const CLI::ParseError &e) {
        app.exit(e);
        return quva::cli::kExitUsage;
    }
    return exitCode;
}
