#include "replay/replay_page.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <stdexcept>
#include <vector>

#include "replay/page_assets.h"
#include "replay/replay_json.h"
#include "replay/string_sink.h"

namespace quva::cli {

namespace {

// A script inlined in the page must not end its element early: "</script" (in any case) in a
// string or a comment becomes "<\/script", which means the same to the script.
std::string inlineScript(std::string script) {
    for (std::size_t at = 0; (at = script.find("</", at)) != std::string::npos; at += 2) {
        std::string next = script.substr(at + 2, 6);
        std::transform(next.begin(), next.end(), next.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (next == "script") script.insert(at + 1, "\\");
    }
    return script;
}

struct Place {
    std::string_view mark;
    std::function<void(TextSink &)> fill;
    std::size_t at = 0;
};

// Writes the template with each place filled. The places are found in the template alone,
// before anything is put in: no text put in can be taken for a place.
void writeFilled(TextSink &out, const std::function<void(TextSink &)> &data) {
    const std::string tmpl = page_assets::pageTemplate();
    std::vector<Place> places{
        {"/*@QUVA_LIBRARY@*/", [](TextSink &o) { o.write(inlineScript(page_assets::library())); }},
        {"/*@QUVA_VIEWER@*/", [](TextSink &o) { o.write(inlineScript(page_assets::pageScript())); }},
        {"@QUVA_REPLAY_DATA@", data}};
    for (Place &p : places) {
        p.at = tmpl.find(p.mark);
        if (p.at == std::string::npos || tmpl.find(p.mark, p.at + 1) != std::string::npos)
            throw std::logic_error("the replay page's template must hold " + std::string(p.mark) + " once");
    }
    std::sort(places.begin(), places.end(), [](const Place &a, const Place &b) { return a.at < b.at; });
    std::size_t from = 0;
    for (const Place &p : places) {
        out.write(std::string_view(tmpl).substr(from, p.at - from));
        p.fill(out);
        from = p.at + p.mark.size();
    }
    out.write(std::string_view(tmpl).substr(from));
}

}  // namespace

void writeReplayPage(TextSink &out, const ReplayRun &run) {
    writeFilled(out, [&](TextSink &o) { writeReplayJson(o, run); });
}

std::string replayPage(const ReplayRun &run) {
    StringSink page;
    writeReplayPage(page, run);
    return std::move(page.text());
}

std::string replayPageWithData(std::string_view json) {
    StringSink page;
    writeFilled(page, [&](TextSink &o) { o.write(json); });
    return std::move(page.text());
}

}  // namespace quva::cli
