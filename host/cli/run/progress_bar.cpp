#include "run/progress_bar.h"

#include <algorithm>
#include <cmath>

#include "platform/host_platform.h"

namespace quva::cli {

namespace {

constexpr auto kDelay = std::chrono::seconds(2);
constexpr auto kRedraw = std::chrono::milliseconds(100);
constexpr int kBarWidth = 30;

}  // namespace

std::string progressLine(double done, double total, const std::string &unit, double elapsedSeconds) {
    const double fraction = total > 0.0 ? std::clamp(done / total, 0.0, 1.0) : 1.0;
    const int filled = static_cast<int>(std::floor(fraction * kBarWidth));
    std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + "]";
    char text[160];
    std::snprintf(text, sizeof text, " %3.0f%%  %.0f of %.0f %s", fraction * 100.0, done, total, unit.c_str());
    line += text;
    if (fraction > 0.0 && fraction < 1.0) {
        std::snprintf(text, sizeof text, "  about %.0f s left", elapsedSeconds * (1.0 - fraction) / fraction);
        line += text;
    }
    return line;
}

ProgressBar::ProgressBar(double total, std::string unit, std::FILE *out)
    : out_(out), total_(total), unit_(std::move(unit)), enabled_(platform::isTerminal(out)), start_(Clock::now()) {}

void ProgressBar::update(double done, Clock::time_point now) {
    if (!enabled_ || now - start_ < kDelay) return;
    if (shown_ && now - lastDraw_ < kRedraw) return;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    std::fprintf(out_, "\r%s\033[K", progressLine(done, total_, unit_, elapsed).c_str());
    std::fflush(out_);
    shown_ = true;
    lastDraw_ = now;
}

void ProgressBar::finish() {
    if (!shown_) return;
    std::fputs("\r\033[K", out_);
    std::fflush(out_);
    shown_ = false;
}

}  // namespace quva::cli
