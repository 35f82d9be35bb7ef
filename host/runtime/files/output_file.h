// An output file of a run (--save, --trace, --csv, --plot, and any later one): written to a new,
// uniquely named temporary file beside its target, created exclusively before the run starts, and
// put in the target's place by a rename only once the run has succeeded. Every write, the flush
// and the close are checked; a failed or stopped run removes the temporary file and leaves the
// target as it was.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "files/text_sink.h"

namespace quva {

class OutputFile : public TextSink {
public:
    // `option` names the file in messages ("--trace"); `target` is the file to replace, with
    // symbolic links already followed (see resolveOutputTarget).
    OutputFile(std::string option, std::filesystem::path target);
    ~OutputFile() override;  // removes the temporary file unless committed
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // Creates the temporary file; throws std::runtime_error when the target's folder takes none.
    void open();

    // Appends text. A failure (disk full, file-size limit) is kept, not thrown, as the writer
    // may be deep in a module's call: failed() reports it, commit() throws it.
    void write(std::string_view text) override;
    bool failed() const { return error_ != 0; }
    // "--trace FILE: cannot be written: REASON", for a failed output.
    std::string failure() const;

    // What has been written so far.
    std::string readBack();
    // Replaces everything written so far with `text`, which must not be shorter.
    void rewrite(const std::string &text);

    // Flushes the data to the disk and closes the file; throws when any write failed.
    void finish();
    // Puts the finished file in the target's place.
    void commit();
    // Removes the temporary file (also done by the destructor when not committed).
    void discard();

    const std::string &option() const { return option_; }
    const std::filesystem::path &target() const { return target_; }
    const std::filesystem::path &temporary() const { return temp_; }

private:
    void note(int error);

    std::string option_;
    std::filesystem::path target_, temp_;
    std::FILE *file_ = nullptr;
    std::size_t written_ = 0;
    int error_ = 0;
    bool committed_ = false;
};

// The file that writing to `given` replaces: symbolic links followed to their target, even one
// that does not exist yet, with the folder made absolute and free of links. Throws
// std::runtime_error on a loop of links.
std::filesystem::path resolveOutputTarget(const std::filesystem::path &given);

}  // namespace quva
