// Something text is written to, a line at a time: an output file, or a buffer in a test. Writers
// do not check each write; the sink keeps its own failure for whoever opened it.
#pragma once

#include <string_view>

namespace quva {

class TextSink {
public:
    virtual ~TextSink() = default;
    virtual void write(std::string_view text) = 0;
};

}  // namespace quva
