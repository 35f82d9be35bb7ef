// The run's output files, by option, created (as temporary files) before the run starts and put in
// their targets' places together once it has succeeded.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "files/output_checks.h"
#include "files/output_file.h"

namespace quva::cli {

class RunFiles {
public:
    void open(const std::vector<PlannedOutput> &planned) {
        for (const PlannedOutput &p : planned) {
            files_.push_back(std::make_unique<OutputFile>(p.option, p.target));
            files_.back()->open();
        }
    }
    OutputFile *find(const std::string &option) const {
        for (const auto &f : files_)
            if (f->option() == option) return f.get();
        return nullptr;
    }
    std::vector<const OutputFile *> all() const {
        std::vector<const OutputFile *> out;
        for (const auto &f : files_) out.push_back(f.get());
        return out;
    }
    // Finishes every file, then, when all are whole, puts each in its target's place.
    void commit() {
        for (const auto &f : files_) f->finish();
        for (const auto &f : files_) f->commit();
    }

private:
    std::vector<std::unique_ptr<OutputFile>> files_;
};

}  // namespace quva::cli
