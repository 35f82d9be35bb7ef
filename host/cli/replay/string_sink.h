// A text sink that keeps what is written in a string: the whole text of a page or a data block
// for a caller (or a test) that wants it in memory rather than in a file.
#pragma once

#include <string>
#include <string_view>

#include "files/text_sink.h"

namespace quva::cli {

class StringSink : public TextSink {
public:
    void write(std::string_view text) override { text_ += text; }
    std::string &text() { return text_; }

private:
    std::string text_;
};

}  // namespace quva::cli
