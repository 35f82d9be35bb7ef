// An output file that is written under a temporary name (the name plus ".part") and takes its
// own name only once it is complete, so that a failed run leaves nothing behind.
#pragma once

#include <fstream>
#include <string>

namespace quva::cli {

class PendingFile {
public:
    // Opens NAME.part for writing; throws std::runtime_error naming the file when it cannot.
    explicit PendingFile(std::string path);
    ~PendingFile();  // removes the part file unless committed
    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;

    std::ofstream &stream() { return out_; }
    const std::string &path() const { return path_; }
    const std::string &partPath() const { return part_; }

    // Closes the part file and gives it its name; throws std::runtime_error when writing failed.
    void commit();

private:
    std::string path_, part_;
    std::ofstream out_;
    bool done_ = false;
};

}  // namespace quva::cli
