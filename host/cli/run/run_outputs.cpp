#include "run/run_outputs.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "files/scenario.h"
#include "pictures/telemetry_plot.h"
#include "replay/replay_page.h"
#include "platform/host_platform.h"

namespace quva::cli {

void RunOutputs::start(Simulation &sim, double total, const std::string &unit) {
    if (options_.csv) {
        std::size_t columns = 0;
        for (const auto &v : sim.vessels()) columns = std::max(columns, v->animations.size());
        csv_ = std::make_unique<TelemetryCsv>(*options_.csv, columns);
    }
    if (options_.plot) history_ = std::make_unique<TelemetryHistory>();
    if (options_.replay) replay_ = std::make_unique<ReplayRecorder>();
    progress_ = std::make_unique<ProgressBar>(total, unit);
    countSteps_ = unit == "steps";
    startTime_ = sim.simTime();
    observe(sim);
    sim.setStepObserver([this](const Simulation &s) { observe(s); });
}

void RunOutputs::stop(Simulation &sim) {
    sim.setStepObserver(nullptr);
    if (progress_) progress_->finish();
}

void RunOutputs::stopIfAsked() const {
    if (int signal = platform::stopSignal()) throw RunStopped{signal};
    for (const OutputFile *file : options_.watched)
        if (file->failed()) throw std::runtime_error(file->failure());
}

void RunOutputs::observe(const Simulation &sim) {
    stopIfAsked();
    if (progress_)
        progress_->update(countSteps_ ? static_cast<double>(sim.stepCount()) : sim.simTime());
    if (history_ && sim.vessels().size() < vesselCount_) history_->noteRemovals(sim);
    vesselCount_ = sim.vessels().size();
    if (replay_) replay_->observe(sim);  // every step, whatever the table's interval
    if ((!csv_ && !history_) || !clock_.due(sim.simTime())) return;
    for (const auto &owned : sim.vessels()) {
        const Vessel &v = *owned;
        if (!reportsFlight(v)) continue;
        const VesselSample s = sampleVessel(v, sim.simTime());
        if (csv_) csv_->add(v, s);
        if (history_) history_->add(v, s);
    }
}

void RunOutputs::write(const Simulation &sim, const std::string &title) {
    if (history_) {
        PlotInput plot;
        plot.title = title;
        plot.tStart = startTime_;
        plot.tEnd = sim.simTime();
        plot.series = history_->series();
        char subtitle[160];
        std::snprintf(subtitle, sizeof subtitle, "%zu vessel%s, %lld steps of %g s, t = %g to %g s", plot.series.size(),
                      plot.series.size() == 1 ? "" : "s", static_cast<long long>(sim.stepCount()), sim.dt(),
                      plot.tStart, plot.tEnd);
        plot.subtitle = subtitle;
        options_.plot->write(renderTelemetryPlot(plot));
    }
    if (replay_) writeReplayPage(*options_.replay, replay_->release(sim, title));
    if (csv_) csv_->complete();
}

std::string scenarioTitle(const std::vector<std::filesystem::path> &roots, const std::filesystem::path &scenario) {
    namespace fs = std::filesystem;
    std::error_code fileError;
    const fs::path file = fs::weakly_canonical(scenario, fileError);
    if (fileError) return scenario.stem().string();
    for (const fs::path &root : roots) {
        std::error_code dirError;
        const fs::path dir = fs::weakly_canonical(root / "Scenarios", dirError);
        if (dirError) continue;
        const fs::path rel = file.lexically_relative(dir);
        if (!rel.empty() && *rel.begin() != "..") return (rel.parent_path() / rel.stem()).generic_string();
    }
    return scenario.stem().string();
}

}  // namespace quva::cli
