// The error of a bad input file: what is wrong, and where (file and line).
#pragma once

#include <stdexcept>
#include <string>

namespace quva {

// A bad input, with where it was found.
class InputError : public std::runtime_error {
public:
    InputError(const std::string &file, int line, const std::string &what)
        : std::runtime_error(file + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + what),
          file_(file), line_(line) {}
    const std::string &file() const { return file_; }
    int line() const { return line_; }

private:
    std::string file_;
    int line_;
};

}  // namespace quva
