#include "info_command.h"

#include <fstream>
#include <iostream>

#include "classes/call_format.h"
#include "classes/class_sample.h"
#include "classes/definition_summary.h"
#include "cli_common.h"
#include "files/library_exports.h"

namespace quva::cli {

namespace {

void printModule(std::ostream &out, const Module &m) {
    out << "module   " << m.file.string() << "\n";
    out << "exports ";
    for (const std::string &name : exportedSymbols(m.file)) out << " " << name;
    out << "\n";
}

void printConfiguration(std::ostream &out, const ClassConfig &cfg, bool whole) {
    out << "config   " << cfg.file.string() << "\n";
    if (!whole) return;
    std::ifstream in(cfg.file);
    std::string line;
    while (std::getline(in, line)) out << "  | " << line << "\n";
}

// The calls of the vessel's creation, under the callback during which the module made them.
// Calls made before any callback (a module introducing itself as it is loaded) come first.
void printCreationCalls(std::ostream &out, const Trace &trace) {
    out << "calls while creating one vessel (handles are numbered: the same number is the same handle)\n";
    bool inCallback = false;
    for (const TraceRecord &rec : trace.records()) {
        if (rec.dir == TraceDir::In) {
            out << "  " << readableCall(rec) << "\n";
            inCallback = true;
        } else {
            if (!inCallback) {
                out << "  (while loading)\n";
                inCallback = true;
            }
            out << "      " << readableCall(rec) << "\n";
        }
    }
}

int info(const std::string &className, const Trees &trees) {
    try {
        ClassSample sample = makeClassSample(trees, className, std::cerr);
        const VesselClass &vc = *sample.vesselClass;
        std::ostream &out = std::cout;
        out << "class    " << vc.name << "\n";
        if (vc.module) printModule(out, *vc.module);
        else out << "module   none: the host flies the class from its configuration alone\n";
        if (vc.config) printConfiguration(out, *vc.config, !vc.module);
        for (const InitLibRecord &init : sample.sim->modules().initLibCalls()) out << "log      " << init.logLine << "\n";
        out << "\n";
        if (vc.module) {
            printCreationCalls(out, sample.sim->trace());
            out << "\n";
        }
        printDefinition(out, *sample.vessel);
        return kExitOk;
    } catch (const std::exception &e) {
        return reportFailure("info", e);
    }
}

}  // namespace

void addInfoCommand(CLI::App &app, std::function<Trees()> trees, int &exitCode) {
    auto className = std::make_shared<std::string>();
    CLI::App *cmd = app.add_subcommand(
        "info", "show a vessel class: its module and exports, the calls it makes as a vessel is created, its definition");
    cmd->add_option("class", *className, "vessel class (module or configuration name)")->required();
    cmd->callback([className, trees, &exitCode] { exitCode = info(*className, trees()); });
}

}  // namespace quva::cli
