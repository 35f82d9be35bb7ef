// Every example scenario runs as its description says ("Run: quva run ..."), and the run ends
// without error or warning.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string runLineOf(const fs::path &scenario) {
    std::ifstream in(scenario);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("Run: quva run ", 0) == 0) return line.substr(5);
    return {};
}

TEST(Examples, EachRunsAsItsDescriptionSays) {
    fs::path dir = fs::path(QUVA_SOURCE_ROOT) / "data" / "Scenarios" / "Quva";
    int examples = 0;
    for (const auto &entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".scn") continue;
        ++examples;
        std::string run = runLineOf(entry.path());
        ASSERT_FALSE(run.empty()) << entry.path() << " has no \"Run: quva run ...\" line in its description";
        fs::path out = fs::temp_directory_path() / ("quva-example-" + std::to_string(::getpid()));
        fs::create_directories(out);
        // The command runs in a scratch folder, so that files it saves land there.
        std::string cmd = "cd " + out.string() + " && " + std::string(QUVA_BUILD_ROOT) + "/bin/" + run + " >out.txt 2>err.txt";
        int status = std::system(cmd.c_str());
        std::ifstream err(out / "err.txt");
        std::string errors((std::istreambuf_iterator<char>(err)), std::istreambuf_iterator<char>());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << run << "\n" << errors;
        EXPECT_EQ(errors, "") << run;
        fs::remove_all(out);
    }
    EXPECT_GE(examples, 4);
}

}  // namespace
