#include "replay/replay_file.h"

#include "files/output_checks.h"
#include "files/output_file.h"
#include "replay/replay_page.h"

namespace quva::cli {

void writeReplayFile(const std::string &path, const std::string &option, const ReplayRun &run) {
    const std::vector<PlannedOutput> planned = planOutputs({{option, path}}, {}, option);
    OutputFile file(option, planned.front().target);
    file.open();
    writeReplayPage(file, run);
    file.finish();
    file.commit();
}

}  // namespace quva::cli
