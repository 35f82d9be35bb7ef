// The installed add-on tree: `cmake --install` of this build into a fresh folder must hold the six
// modules and nothing else in Modules/, the data the examples need, and binaries that find the
// host runtime beside them, so that the tree runs wherever it is put.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Result {
    int code = -1;
    std::string out;  // standard output and error together
};

Result run(const std::string &command) {
    Result r;
    FILE *pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return r;
    std::array<char, 4096> buf{};
    std::size_t n = 0;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) r.out.append(buf.data(), n);
    const int status = ::pclose(pipe);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string quoted(const fs::path &p) { return "'" + p.string() + "'"; }

const std::set<std::string> kModules = {"Vantrel.so", "Ossum.so",   "Tarrowick.so",
                                        "Pilmont.so", "Draskel.so", "Nimbrel.so"};

class InstalledTree : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quva-install-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        work = pattern;
        tree = work / "tree";
        const Result install =
            run("'" QUVA_CMAKE_COMMAND "' --install '" QUVA_BUILD_ROOT "' --prefix " + quoted(tree));
        ASSERT_EQ(install.code, 0) << install.out;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(work, ec);
    }

    static std::set<std::string> filesIn(const fs::path &dir) {
        std::set<std::string> names;
        for (const auto &entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
        return names;
    }

    // The run paths recorded in a binary's dynamic section, as readelf shows them.
    static std::vector<std::string> runPaths(const fs::path &binary) {
        const Result r = run("readelf -d " + quoted(binary));
        EXPECT_EQ(r.code, 0) << r.out;
        std::vector<std::string> paths;
        for (std::size_t at = r.out.find("path: ["); at != std::string::npos; at = r.out.find("path: [", at + 1)) {
            const std::size_t begin = at + 7;
            paths.push_back(r.out.substr(begin, r.out.find(']', begin) - begin));
        }
        return paths;
    }

    fs::path work, tree;
};

TEST_F(InstalledTree, HoldsTheSixModulesTheHostAndTheData) {
    std::set<std::string> top = {"bin", "lib", "Modules", "Config", "Meshes", "Scenarios"};
#if defined(QUVA_PYTHON_PACKAGE)
    top.insert("python");
    EXPECT_EQ(filesIn(tree / "python" / "quva"),
              (std::set<std::string>{"__init__.py", "_arguments.py", "_simulation.py", "_vessel.py", "_version.py",
                                     "_quva.pyi", "py.typed", QUVA_PYTHON_EXTENSION}));
#endif
    EXPECT_EQ(filesIn(tree), top);
    EXPECT_EQ(filesIn(tree / "Modules"), kModules);  // no test module slips in
    EXPECT_EQ(filesIn(tree / "bin"), std::set<std::string>{"quva"});
    EXPECT_EQ(filesIn(tree / "lib"), std::set<std::string>{"libquvahost.so"});
    EXPECT_EQ(filesIn(tree / "Meshes" / "Quva"),
              (std::set<std::string>{"Vantrels.msh", "Ossums.msh", "Tarrowick.msh", "Pilmont.msh", "Draskel.msh",
                                     "DockingProbe.msh"}));
    EXPECT_TRUE(fs::is_regular_file(tree / "Config" / "Vessels" / "QuvaCapsule.cfg"));
    EXPECT_TRUE(fs::is_regular_file(tree / "Config" / "Moon" / "Base" / "QuvaField.cfg"));
    EXPECT_TRUE(fs::is_regular_file(tree / "Scenarios" / "Quva" / "ApexCover.scn"));
}

// The simulator finds a module only through a class file that names it: each module class has
// one, "Module = NAME" naming its library, and nothing in it that the simulator reads otherwise.
TEST_F(InstalledTree, EachModuleClassHasAClassFileNamingItsModule) {
    for (const std::string &library : kModules) {
        const std::string cls = fs::path(library).stem().string();
        SCOPED_TRACE(cls);
        const fs::path file = tree / "Config" / "Vessels" / (cls + ".cfg");
        ASSERT_TRUE(fs::is_regular_file(file));
        std::ifstream in(file);
        std::string line, module;
        int items = 0;
        while (std::getline(in, line)) {
            line = line.substr(0, line.find(';'));
            const std::size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            ++items;
            std::string key = line.substr(0, eq), value = line.substr(eq + 1);
            auto trim = [](std::string &t) {
                t.erase(0, t.find_first_not_of(" \t\r"));
                t.erase(t.find_last_not_of(" \t\r") + 1);
            };
            trim(key);
            trim(value);
            if (key == "Module") module = value;
        }
        EXPECT_EQ(module, cls);
        EXPECT_EQ(items, 1);
        EXPECT_TRUE(fs::is_regular_file(tree / "Modules" / library));
    }
}

TEST_F(InstalledTree, BinariesFindTheRuntimeRelativeToThemselves) {
    std::vector<fs::path> binaries = {tree / "bin" / "quva"};
    for (const std::string &m : kModules) binaries.push_back(tree / "Modules" / m);
    for (const fs::path &b : binaries) {
        SCOPED_TRACE(b.string());
        EXPECT_EQ(runPaths(b), std::vector<std::string>{"$ORIGIN/../lib"});
    }
#if defined(QUVA_PYTHON_PACKAGE)
    // The runtime of the add-on tree, or of the tree a pip installation carries beside the package.
    EXPECT_EQ(runPaths(tree / "python" / "quva" / QUVA_PYTHON_EXTENSION),
              std::vector<std::string>{"$ORIGIN/../../lib:$ORIGIN/tree/lib"});
#endif
    for (const std::string &p : runPaths(tree / "lib" / "libquvahost.so"))
        EXPECT_EQ(p.find(QUVA_BUILD_ROOT), std::string::npos) << p;
}

// The tree is moved after installing and the example is run from an unrelated folder: modules,
// configuration, meshes and scenario are all found from the binary's own place.
TEST_F(InstalledTree, RunsAnExampleAfterBeingMoved) {
    const fs::path moved = work / "moved";
    fs::rename(tree, moved);
    const Result r = run("cd / && env -u LD_LIBRARY_PATH " + quoted(moved / "bin" / "quva") +
                         " run Quva/ApexCover --until 10 --release 2:ApexCover");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("ApexCover  created (Pilmont)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2.000  ApexCover  released from Capsule"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("warning:"), std::string::npos) << r.out;
}

#if defined(QUVA_PYTHON_PACKAGE)
// The Python package of the moved tree flies the example with the tree's own modules and data.
TEST_F(InstalledTree, PythonPackageRunsAnExampleAfterBeingMoved) {
    const fs::path moved = work / "moved";
    fs::rename(tree, moved);
    const std::string script =
        "import quva; sim = quva.Simulation.load('Quva/ApexCover'); sim.run(until=10); "
        "print(quva.default_root(), sim.vessel('ApexCover').class_name, sim.step_count)";
    const Result r = run("cd / && env -u LD_LIBRARY_PATH PYTHONPATH=" + quoted(moved / "python") + " " +
                         QUVA_PYTHON_EXECUTABLE + " -c \"" + script + "\"");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out, moved.string() + " Pilmont 100\n");
}
#endif

}  // namespace
