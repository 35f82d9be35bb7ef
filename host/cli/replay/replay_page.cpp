#include "replay/replay_page.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <vector>

#include "replay/page_assets.h"
#include "replay/replay_json.h"

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
    std::string text;
    std::size_t at = 0;
};

}  // namespace

std::string replayPageWithData(std::string_view json) {
    const std::string tmpl = page_assets::pageTemplate();
    std::vector<Place> places{{"/*@QUVA_LIBRARY@*/", inlineScript(page_assets::library())},
                              {"/*@QUVA_VIEWER@*/", inlineScript(page_assets::pageScript())},
                              {"@QUVA_REPLAY_DATA@", std::string(json)}};
    // The places are found in the template alone, before anything is put in: no text put in can
    // be taken for a place.
    for (Place &p : places) {
        p.at = tmpl.find(p.mark);
        if (p.at == std::string::npos || tmpl.find(p.mark, p.at + 1) != std::string::npos)
            throw std::logic_error("the replay page's template must hold " + std::string(p.mark) + " once");
    }
    std::sort(places.begin(), places.end(), [](const Place &a, const Place &b) { return a.at < b.at; });
    std::string page;
    std::size_t from = 0;
    for (const Place &p : places) {
        page.append(tmpl, from, p.at - from);
        page += p.text;
        from = p.at + p.mark.size();
    }
    page.append(tmpl, from);
    return page;
}

std::string replayPage(const ReplayRun &run) { return replayPageWithData(replayJson(run)); }

}  // namespace quva::cli
