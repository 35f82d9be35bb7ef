// The run's output files as a hostile user meets them: links, names that a temporary file might
// take, a write that fails half way, and a run stopped by a signal. Whatever happens, each target
// holds its old content or the complete new one, and no temporary file stays behind.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "cli_runner.h"

namespace {

namespace fs = std::filesystem;

class OutputFiles : public quva::test::CliTest {
protected:
    // A fleet of covers falling from 3 km: enough vessels that a long run writes a large trace.
    fs::path fleet(int vessels) {
        std::string text = "BEGIN_SHIPS\n";
        for (int i = 0; i < vessels; ++i)
            text += "C" + std::to_string(i) + ":Pilmont\n  STATUS Orbiting Earth\n  RPOS " + std::to_string(i) +
                    " 6374010 0\n  RVEL 0 0 0\nEND\n";
        return write("fleet.scn", text + "END_SHIPS\n");
    }

    // Everything in the folder `sub` with its content.
    std::map<std::string, std::string> contents(const fs::path &sub) {
        std::map<std::string, std::string> out;
        for (const auto &e : fs::directory_iterator(sub))
            out[e.path().filename().string()] = fs::is_symlink(e.symlink_status()) ? "-> " + fs::read_symlink(e.path()).string()
                                                                                    : quvatest::fileText(e.path());
        return out;
    }

    fs::path outputs() {
        const fs::path out = dir / "o";
        fs::create_directories(out);
        for (const char *name : {"s.scn", "t.jsonl", "c.csv", "p.svg"}) std::ofstream(out / name) << "old " << name;
        return out;
    }

    std::string outputArgs(const fs::path &out) {
        return " --save " + (out / "s.scn").string() + " --trace " + (out / "t.jsonl").string() + " --csv " +
               (out / "c.csv").string() + " --plot " + (out / "p.svg").string();
    }
};

TEST_F(OutputFiles, ALinkKeepsPointingAtItsTargetWhichIsReplaced) {
    const fs::path real = dir / "real";
    fs::create_directories(real);
    std::ofstream(real / "saved.scn") << "old";
    fs::create_symlink(real / "saved.scn", dir / "link.scn");
    fs::create_symlink(real / "new.csv", dir / "dangling.csv");  // its target does not exist yet
    const auto r = quva("run " + fleet(1).string() + " --steps 2 --save " + (dir / "link.scn").string() + " --csv " +
                        (dir / "dangling.csv").string());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "link.scn")));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "dangling.csv")));
    EXPECT_NE(quvatest::fileText(real / "saved.scn").find("BEGIN_SHIPS\nC0:Pilmont\n"), std::string::npos);
    EXPECT_EQ(quvatest::fileText(real / "new.csv").rfind("time,vessel,", 0), 0u);
    // The same file reached through a link and by its own name is refused.
    const auto twice = quva("run " + fleet(1).string() + " --save " + (dir / "link.scn").string() + " --trace " +
                            (real / "saved.scn").string());
    EXPECT_EQ(twice.code, 2);
    EXPECT_NE(twice.err.find("name the same file"), std::string::npos) << twice.err;
}

// Names a temporary file might once have had (NAME.part) belong to the user: they are neither
// written through (a link) nor replaced.
TEST_F(OutputFiles, FilesNamedLikeTemporariesAreLeftAlone) {
    const fs::path out = outputs();
    std::ofstream(dir / "victim") << "precious";
    fs::create_symlink(dir / "victim", out / "t.jsonl.part");
    std::ofstream(out / "c.csv.part") << "mine";
    const auto r = quva("run " + fleet(2).string() + " --steps 3" + outputArgs(out));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(quvatest::fileText(dir / "victim"), "precious");
    EXPECT_EQ(quvatest::fileText(out / "c.csv.part"), "mine");
    const auto now = contents(out);
    EXPECT_EQ(now.size(), 6u);  // the four outputs and the user's two files, nothing else
    EXPECT_EQ(now.at("t.jsonl").rfind("{\"step\":0,", 0), 0u);
}

// A trace cut short by the file-size limit fails the run and changes nothing.
TEST_F(OutputFiles, AFailedWriteFailsTheRunAndKeepsTheOldFiles) {
    const fs::path out = outputs();
    const auto before = contents(out);
    const std::string cmd = "ulimit -f 64; " + std::string(QUVA_BUILD_ROOT) + "/bin/quva run " + fleet(20).string() +
                            " --steps 200" + outputArgs(out) + " >" + (dir / "out").string() + " 2>" + (dir / "err").string();
    const int status = std::system(("sh -c '" + cmd + "'").c_str());
    const std::string err = quvatest::fileText(dir / "err");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << err;
    EXPECT_NE(err.find(": cannot be written: File too large"), std::string::npos) << err;
    EXPECT_EQ(quvatest::fileText(dir / "out").find("saved"), std::string::npos);
    EXPECT_EQ(contents(out), before);
}

// SIGINT and SIGTERM stop a long run at a step boundary: the temporary files go, the old outputs
// stay as they were, and the exit code tells the signal (128 + its number).
TEST_F(OutputFiles, StopSignalsLeaveTheOldOutputsAndNoTemporaries) {
    const struct {
        int signal;
        int code;
        const char *name;
    } cases[] = {{SIGINT, 130, "SIGINT"}, {SIGTERM, 143, "SIGTERM"}};
    const fs::path scenario = fleet(50);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path out = outputs();
        const auto before = contents(out);
        const std::string exe = std::string(QUVA_BUILD_ROOT) + "/bin/quva";
        const std::string errFile = (dir / "err").string();
        std::vector<std::string> args = {exe, "run", scenario.string(), "--steps", "100000000"};
        for (const char *o : {"--save", "s.scn", "--trace", "t.jsonl", "--csv", "c.csv", "--plot", "p.svg"})
            args.push_back(o[0] == '-' ? std::string(o) : (out / o).string());
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(null, 1);
            ::dup2(err, 2);
            std::vector<char *> argv;
            for (auto &a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(exe.c_str(), argv.data());
            ::_exit(127);
        }
        // Wait until the run is under way: the trace's temporary file has grown.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        auto traceGrew = [&] {
            for (const auto &e : fs::directory_iterator(out))
                if (e.path().filename().string().rfind(".t.jsonl.", 0) == 0 && fs::file_size(e.path()) > 100000) return true;
            return false;
        };
        while (!traceGrew() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ::kill(pid, c.signal);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.code);
        EXPECT_NE(quvatest::fileText(errFile).find(std::string("stopped by ") + c.name), std::string::npos)
            << quvatest::fileText(errFile);
        EXPECT_EQ(contents(out), before);
        fs::remove_all(out);
    }
}

}  // namespace
