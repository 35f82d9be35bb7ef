// Runs the built quva command as a script would, in a scratch folder of the test's own: exit
// code, standard output and standard error.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "module_test_support.h"

namespace quva::test {

struct CliResult {
    int code = -1;
    std::string out, err;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              ("quva-cli-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }


    CliResult quva(const std::string &args) {
        std::string cmd = std::string(QUVA_BUILD_ROOT) + "/bin/quva " + args + " >" + (dir / "out").string() + " 2>" +
                          (dir / "err").string();
        int status = std::system(cmd.c_str());
        CliResult r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = quvatest::fileText(dir / "out");
        r.err = quvatest::fileText(dir / "err");
        return r;
    }

    std::filesystem::path write(const std::string &name, const std::string &text) {
        std::filesystem::path p = dir / name;
        std::ofstream(p) << text;
        return p;
    }

    std::filesystem::path dir;
};

}  // namespace quva::test
