#include "files/output_file.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

#include "platform/host_platform.h"

namespace quva {

OutputFile::OutputFile(std::string option, std::filesystem::path target)
    : option_(std::move(option)), target_(std::move(target)) {}

OutputFile::~OutputFile() {
    if (!committed_) discard();
}

void OutputFile::open() {
    try {
        file_ = platform::createFileBeside(target_, temp_);
    } catch (const std::system_error &e) {
        throw std::runtime_error(option_ + " " + target_.string() + ": " + e.what());
    }
}

void OutputFile::note(int error) {
    if (error_ == 0) error_ = error != 0 ? error : EIO;
}

void OutputFile::write(std::string_view text) {
    if (!file_ || error_ != 0) return;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) note(errno);
    else written_ += text.size();
}

std::string OutputFile::failure() const {
    return option_ + " " + target_.string() + ": cannot be written: " + std::strerror(error_);
}

std::string OutputFile::readBack() {
    std::string text(written_, '\0');
    if (!file_ || std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0 ||
        std::fread(text.data(), 1, text.size(), file_) != text.size())
        note(errno);
    return text;
}

void OutputFile::rewrite(const std::string &text) {
    if (text.size() < written_) throw std::logic_error("an output may only grow when rewritten");
    if (!file_ || std::fseek(file_, 0, SEEK_SET) != 0) {
        note(errno);
        return;
    }
    written_ = 0;
    write(text);
}

void OutputFile::finish() {
    if (file_) {
        if (error_ == 0) {
            if (int err = platform::flushToDisk(file_); err != 0) note(err);
        }
        if (std::fclose(file_) != 0) note(errno);
        file_ = nullptr;
        if (error_ == 0) {
            if (int err = platform::copyPermissions(temp_, target_); err != 0) note(err);
        }
    }
    if (error_ != 0) throw std::runtime_error(failure());
}

void OutputFile::commit() {
    finish();
    try {
        platform::replaceFile(temp_, target_);
    } catch (const std::system_error &e) {
        throw std::runtime_error(option_ + " " + target_.string() + ": " + e.what());
    }
    committed_ = true;
}

void OutputFile::discard() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (!temp_.empty()) {
        std::error_code ec;
        std::filesystem::remove(temp_, ec);
        temp_.clear();
    }
}

std::filesystem::path resolveOutputTarget(const std::filesystem::path &given) {
    namespace fs = std::filesystem;
    fs::path p = given;
    std::error_code ec;
    // Follows a chain of links; a link that leads nowhere yet names the file to create.
    for (int hops = 0; fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
        if (hops == 40) throw std::runtime_error(given.string() + ": too many levels of symbolic links");
        const fs::path to = fs::read_symlink(p, ec);
        if (ec) break;
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
    const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    const fs::path folder = fs::weakly_canonical(fs::absolute(dir, ec), ec);
    return (ec ? dir : folder) / p.filename();
}

}  // namespace quva
