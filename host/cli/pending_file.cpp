#include "pending_file.h"

#include <cstdio>
#include <stdexcept>
#include <system_error>

#include "platform.h"

namespace quva::cli {

PendingFile::PendingFile(std::string path) : path_(std::move(path)), part_(path_ + ".part") {
    out_.open(part_, std::ios::binary | std::ios::trunc);
    if (!out_) throw std::runtime_error(path_ + ": cannot be written");
}

PendingFile::~PendingFile() {
    if (done_) return;
    out_.close();
    std::remove(part_.c_str());
}

void PendingFile::commit() {
    out_.close();
    if (!out_) throw std::runtime_error(path_ + ": cannot be written");
    try {
        platform::replaceFile(part_, path_);
    } catch (const std::system_error &) {
        throw std::runtime_error(path_ + ": cannot be written");
    }
    done_ = true;
}

}  // namespace quva::cli
