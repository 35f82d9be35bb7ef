// The parts of a replay page, built into the program from host/cli/replay/page/ and the 3-D
// library the build found (cmake/EmbedText.cmake writes their definitions).
#pragma once

#include <string>

namespace quva::cli::page_assets {

std::string pageTemplate();  // page.html: the markup, with places for the scripts and the data
std::string pageScript();    // replay.js: the viewer
std::string library();       // the 3-D library, minified

}  // namespace quva::cli::page_assets
