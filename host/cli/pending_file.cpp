#include "pending_file.h"

#include <cstdio>
#include <stdexcept>

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
    if (!out_ || std::rename(part_.c_str(), path_.c_str()) != 0) throw std::runtime_error(path_ + ": cannot be written");
    done_ = true;
}

}  // namespace quva::cli
