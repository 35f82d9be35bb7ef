// Bad input of every kind the command meets: scenarios, class configurations, meshes, module
// files and command lines. Each must fail with a message that names the file and line where
// there is one, a non-zero exit, and no output file created, changed or left half-written.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli_runner.h"
#include "core/simulation.h"
#include "files/scenario.h"

namespace {

namespace fs = std::filesystem;

const std::string kShip = "  STATUS Orbiting Earth\n  RPOS 0 6378100 0\n  RVEL 0 -10 0\n";
const std::string kGood = "BEGIN_SHIPS\nP:Pilmont\n" + kShip + "END\nEND_SHIPS\n";
const std::string kBox = "BEGIN_SHIPS\nB:Box\n" + kShip + "END\nEND_SHIPS\n";  // class Box: a configuration only
const std::string kMesh = "MSHX1\nGROUPS 1\nGEOM 3 1\n0 0 0\n1 0 0\n0 1 0\n0 1 2\n";

std::string binaryJunk() {
    std::string s;
    for (int i = 0; i < 600; ++i) s += static_cast<char>((i * 97 + 13) % 256);
    return s;
}

struct BadInput {
    std::string name;
    std::map<std::string, std::string> files;  // below the case's tree: "s.scn", "Config/Vessels/X.cfg", ...
    std::string args;                          // {root}, {out} and {scn} stand for the case's paths
    int code;                                  // 1: bad input, 2: bad command line
    std::vector<std::string> says;             // what stderr must hold, e.g. "s.scn:4:"
    bool outputs = true;                       // add --save, --trace, --csv and --plot into {out}
};

void PrintTo(const BadInput &c, std::ostream *os) { *os << c.name; }

std::vector<BadInput> catalogue() {
    const std::string run = "run {scn} --steps 3";
    std::vector<BadInput> c = {
        // Scenarios.
        {"TruncatedInsideAVessel", {{"s.scn", "BEGIN_SHIPS\nP:Pilmont\n  STATUS Orbiting Earth\n  RPOS 0 63"}}, run, 1,
         {"s.scn:4:", "\"P\" (line 2) has no END"}},
        {"MissingEnd", {{"s.scn", "BEGIN_SHIPS\nP:Pilmont\n" + kShip + "END_SHIPS\n"}}, run, 1, {"s.scn:6:", "no END"}},
        {"MissingEndShips", {{"s.scn", "BEGIN_SHIPS\nP:Pilmont\n" + kShip + "END\n"}}, run, 1, {"s.scn:6:", "END_SHIPS"}},
        {"UnknownSectionAmongShips", {{"s.scn", "BEGIN_SHIPS\nBEGIN_CARGO\nEND_CARGO\nEND_SHIPS\n"}}, run, 1,
         {"s.scn:2:", "BEGIN_CARGO"}},
        {"SectionWithoutEndBeforeShips", {{"s.scn", "BEGIN_DESC\nA test.\n" + kGood}}, run, 1,
         {"s.scn:3:", "BEGIN_DESC (line 1)", "END_DESC"}},
        {"SectionWithoutEndAfterShips", {{"s.scn", kGood + "BEGIN_FOCUS\n  Ship P\n"}}, run, 1,
         {"s.scn:8:", "BEGIN_FOCUS has no END_FOCUS"}},
        {"StraySectionEnd", {{"s.scn", "END_ENVIRONMENT\n" + kGood}}, run, 1, {"s.scn:1:", "END_ENVIRONMENT without"}},
        {"SecondShipsSection", {{"s.scn", kGood + kGood}}, run, 1, {"s.scn:8:", "second BEGIN_SHIPS"}},
        {"EmptyFile", {{"s.scn", ""}}, run, 1, {"s.scn: no BEGIN_SHIPS"}},
        {"BinaryGarbage", {{"s.scn", binaryJunk()}}, run, 1, {"s.scn:1:", "binary data"}},
        {"NulByteInAVesselLine", {{"s.scn", "BEGIN_SHIPS\nP:Pilmont\n  STATUS Orbiting Earth\n  RPOS 0 6378100" +
                                                std::string(1, '\0') + "0 0\nEND\nEND_SHIPS\n"}},
         run, 1, {"s.scn:4:", "byte 0x00"}},
        {"HugeLineInAVessel", {{"s.scn", "BEGIN_SHIPS\nP:Pilmont\n  RPOS " + std::string(100000, '1') + "\nEND\nEND_SHIPS\n"}},
         run, 1, {"s.scn:3:", "line of 100007 characters"}},
        {"HugeIndentBeforeAShortLine",
         {{"s.scn", "BEGIN_SHIPS\nP:Pilmont\n" + std::string(100000, ' ') + "STATUS Landed Earth\nEND\nEND_SHIPS\n"}}, run,
         1, {"s.scn:3:", "line of 100019 characters"}},
        {"LineTooLongToBeWrittenBackIndented",
         {{"s.scn", "BEGIN_SHIPS\nP:Pilmont\n  STATUS Landed Earth\nX" + std::string(4094, 'x') + "\nEND\nEND_SHIPS\n"}},
         run, 1, {"s.scn:4:", "4095 characters without its blanks"}},
        {"HugeLineInTheDescription", {{"s.scn", "BEGIN_DESC\n" + std::string(20000, 'x') + "\nEND_DESC\n" + kGood}}, run,
         1, {"s.scn:2:", "longest allowed"}},
        {"NotANumber", {{"s.scn", "BEGIN_SHIPS\nP:Pilmont\n  STATUS Orbiting Earth\n  RPOS nan 6378100 0\nEND\nEND_SHIPS\n"}},
         run, 1, {"s.scn:4:", "RPOS"}},
        {"NumberBeyondDouble", {{"s.scn", "BEGIN_SHIPS\nP:Pilmont\n  STATUS Orbiting Earth\n  RPOS 1e999 0 0\nEND\nEND_SHIPS\n"}},
         run, 1, {"s.scn:4:", "RPOS"}},
        {"AbsurdAttachmentIndex", {{"s.scn", "BEGIN_SHIPS\nP:Pilmont\n" + kShip + "  ATTACHED 99999999:0,Q\nEND\nEND_SHIPS\n"}},
         run, 1, {"s.scn:6:", "ATTACHED"}},
        {"PropellantLevelNotANumber",
         {{"s.scn", "BEGIN_SHIPS\nP:Pilmont\n" + kShip + "  PRPLEVEL 0:full\nEND\nEND_SHIPS\n"}}, run, 1,
         {"s.scn:6:", "PRPLEVEL"}},
        {"LatitudeBeyondThePole", {{"s.scn", "BEGIN_SHIPS\nP:Pilmont\n  STATUS Landed Earth\n  POS 10 95\nEND\nEND_SHIPS\n"}},
         run, 1, {"s.scn:4:", "latitude"}},
        {"UnknownBody", {{"s.scn", "BEGIN_SHIPS\nP:Pilmont\n  STATUS Orbiting Zorb\n  RPOS 0 7e6 0\nEND\nEND_SHIPS\n"}}, run,
         1, {"s.scn:3:", "Zorb"}},
        {"OrbitingWithoutPosition", {{"s.scn", "BEGIN_SHIPS\nP:Pilmont\n  STATUS Orbiting Earth\nEND\nEND_SHIPS\n"}}, run, 1,
         {"s.scn:2:", "no RPOS"}},
        {"VesselClassWithBlanks", {{"s.scn", "BEGIN_SHIPS\nP:Quva Capsule\n" + kShip + "END\nEND_SHIPS\n"}}, run, 1,
         {"s.scn:2:", "NAME:CLASS"}},
        {"PluginSectionWithoutEnd", {{"s.scn", "BEGIN_QuvaRecorder\n  FRAMES 3\n" + kGood}}, run, 1,
         {"s.scn:3:", "BEGIN_QUVARECORDER (line 1)"}},
        {"DuplicateVesselNames",
         {{"s.scn", "BEGIN_SHIPS\nP:Pilmont\n" + kShip + "END\nP:Pilmont\n" + kShip + "END\nEND_SHIPS\n"}}, run, 1,
         {"s.scn:7:", "\"P\" is already used at line 2"}},
        {"AttachedToNoVessel", {{"s.scn", "BEGIN_SHIPS\nP:Pilmont\n" + kShip + "  ATTACHED 0:0,Nobody\nEND\nEND_SHIPS\n"}},
         run, 1, {"s.scn:6:", "Nobody"}},
        {"AttachedToItself", {{"s.scn", "BEGIN_SHIPS\nP:HostProbe\n" + kShip + "  ATTACHED 0:0,P\nEND\nEND_SHIPS\n"}}, run,
         1, {"s.scn:6:", "itself"}},
        {"UnknownClass", {{"s.scn", "BEGIN_SHIPS\nP:NoSuchClass\n" + kShip + "END\nEND_SHIPS\n"}}, run, 1,
         {"s.scn", "line 2", "NoSuchClass"}},
        // Class configurations.
        {"ConfigMassNotANumber", {{"s.scn", kBox}, {"Config/Vessels/Box.cfg", "Size = 1\nMass = nan\n"}}, run, 1,
         {"Box.cfg:2:", "Mass"}},
        {"ConfigNegativeSize", {{"s.scn", kBox}, {"Config/Vessels/Box.cfg", "; a box\nSize = -1\n"}}, run, 1,
         {"Box.cfg:2:", "Size must be positive"}},
        {"ConfigMassBeyondDouble", {{"s.scn", kBox}, {"Config/Vessels/Box.cfg", "Mass = 1e400\n"}}, run, 1,
         {"Box.cfg:1:", "Mass"}},
        {"ConfigShortVector", {{"s.scn", kBox}, {"Config/Vessels/Box.cfg", "Mass = 10\nCrossSections = 1 2\n"}}, run, 1,
         {"Box.cfg:2:", "takes 3 numbers"}},
        {"ConfigAttachmentListWithoutEnd",
         {{"s.scn", kBox}, {"Config/Vessels/Box.cfg", "Mass = 10\nBEGIN_ATTACHMENT\nP 0 0 0 0 0 1 0 1 0 X\n"}}, run, 1,
         {"Box.cfg:2:", "END_ATTACHMENT"}},
        {"ConfigShortAttachment",
         {{"s.scn", kBox}, {"Config/Vessels/Box.cfg", "BEGIN_ATTACHMENT\nP 0 0 0 0 0 1 0 1 X\nEND_ATTACHMENT\n"}}, run, 1,
         {"Box.cfg:2:", "bad number"}},
        {"ConfigBinaryGarbage", {{"s.scn", kBox}, {"Config/Vessels/Box.cfg", binaryJunk()}}, run, 1,
         {"Box.cfg:1:", "binary data"}},
        {"ConfigHugeLine", {{"s.scn", kBox}, {"Config/Vessels/Box.cfg", "Mass = 1\n; " + std::string(50000, '-') + "\n"}},
         run, 1, {"Box.cfg:2:", "longest allowed"}},
        {"ConfigNamesAMissingModule", {{"s.scn", kBox}, {"Config/Vessels/Box.cfg", "Module = Nowhere\n"}}, run, 1,
         {"s.scn:2:", "Box.cfg", "Nowhere"}},
        // Meshes.
        {"MeshVertexShort", {{"s.scn", kBox}, {"Config/Vessels/Box.cfg", "MeshName = Quva/Box\n"},
                             {"Meshes/Quva/Box.msh", "MSHX1\nGROUPS 1\nGEOM 1 0\n1 2\n"}},
         run, 1, {"Box.msh:4:", "vessel B"}},
        {"MeshTruncated", {{"s.scn", kBox}, {"Config/Vessels/Box.cfg", "MeshName = Quva/Box\n"},
                           {"Meshes/Quva/Box.msh", kMesh.substr(0, kMesh.size() - 6)}},
         run, 1, {"Box.msh:6:", "end of file"}},
        {"MeshAbsurdGroupCount", {{"s.scn", kBox}, {"Config/Vessels/Box.cfg", "MeshName = Quva/Box\n"},
                                  {"Meshes/Quva/Box.msh", "MSHX1\nGROUPS 99999999999\n"}},
         run, 1, {"Box.msh:2:", "group count"}},
        {"MeshBinaryGarbage", {{"s.scn", kBox}, {"Config/Vessels/Box.cfg", "MeshName = Quva/Box\n"},
                               {"Meshes/Quva/Box.msh", binaryJunk()}},
         run, 1, {"Box.msh:1:", "binary data"}},
        {"ModuleMeshMalformed", {{"s.scn", kGood}, {"Meshes/Quva/Pilmont.msh", "MSHX1\nGROUPS 1\nGEOM 3 1\n0 0 0\n"}}, run,
         1, {"Pilmont.msh:4:", "vertex 1 of 3"}},
        // Modules that fail or hand the host what cannot be flown.
        {"ModuleThrowsWhileReadingItsLines", {{"s.scn", "BEGIN_SHIPS\nP:HostProbe\n" + kShip + "  THROW_AT -1\nEND\nEND_SHIPS\n"}},
         run, 1, {"s.scn:2:", "vessel \"P\" (class HostProbe)", "clbkLoadStateEx", "probe failure"}},
        {"ModuleThrowsInAStep", {{"s.scn", "BEGIN_SHIPS\nP:HostProbe\n" + kShip + "  THROW_AT 0.2\nEND\nEND_SHIPS\n"}}, run, 1,
         {"vessel \"P\" (class HostProbe)", "clbkPostStep", "at step 2", "probe failure"}},
        {"ModuleSetsANaNEmptyMass", {{"s.scn", "BEGIN_SHIPS\nP:HostProbe\n" + kShip + "  SET_AT 0.1 EmptyMass nan\nEND\nEND_SHIPS\n"}},
         run, 1, {"vessel \"P\" (class HostProbe)", "SetEmptyMass(nan)", "at step 1"}},
        {"ModuleSetsANegativeSizeWhileLoading",
         {{"s.scn", "BEGIN_SHIPS\nP:HostProbe\n" + kShip + "  SET_AT -1 Size -2\nEND\nEND_SHIPS\n"}}, run, 1,
         {"s.scn:2:", "vessel \"P\"", "SetSize(-2)"}},
        {"ModuleSetsAnInfiniteCrossSection",
         {{"s.scn", "BEGIN_SHIPS\nP:HostProbe\n" + kShip + "  SET_AT 0 CrossSections inf\nEND\nEND_SHIPS\n"}}, run, 1,
         {"vessel \"P\"", "SetCrossSections(1, inf, 1)"}},
        {"ModuleMakesAnAirfoilOfNegativeArea",
         {{"s.scn", "BEGIN_SHIPS\nP:HostProbe\n" + kShip + "  SET_AT 0.1 AirfoilArea -3\nEND\nEND_SHIPS\n"}}, run, 1,
         {"vessel \"P\"", "CreateAirfoil(-3)", "area"}},
        {"ModuleMakesAStoreOfNaNCapacity",
         {{"s.scn", "BEGIN_SHIPS\nP:HostProbe\n" + kShip + "  SET_AT 0.1 PropellantMax nan\nEND\nEND_SHIPS\n"}}, run, 1,
         {"vessel \"P\"", "CreatePropellantResource(nan)"}},
        // Module files.
        {"ModuleFileNotALibrary", {{"s.scn", "BEGIN_SHIPS\nJ:Junk\n" + kShip + "END\nEND_SHIPS\n"}, {"Modules/Junk.so", "not a library\n"}},
         run, 1, {"s.scn:2:", "Junk.so"}},
        {"ModuleFileEmpty", {{"s.scn", "BEGIN_SHIPS\nJ:Junk\n" + kShip + "END\nEND_SHIPS\n"}, {"Modules/Junk.so", ""}}, run,
         1, {"s.scn:2:", "Junk.so"}},
        {"LibraryWithoutInit", {{"s.scn", "BEGIN_SHIPS\nN:NoInitProbe\n" + kShip + "END\nEND_SHIPS\n"}}, run, 1,
         {"s.scn:2:", "NoInitProbe.so does not export ovcInit"}},
        // Command lines.
        {"NoSuchScenario", {}, "run {root}/none.scn --steps 1", 1, {"none.scn"}},
        {"RootThatIsNotThere", {{"s.scn", kGood}}, "--root {root}/nowhere run {scn} --steps 1", 2, {"nowhere"}},
        {"RootThatIsAFile", {{"s.scn", kGood}}, "--root {scn} run {scn} --steps 1", 2, {"s.scn"}},
        // Scenario and tree content found when loading, not when saving after the run.
        {"DateBeyondWhatTheSimulatorHolds",
         {{"s.scn", "BEGIN_ENVIRONMENT\n  Date MJD 1e250\nEND_ENVIRONMENT\n" + kGood}}, run, 1,
         {"s.scn:2:", "cannot hold"}},
        {"ShipsHeaderInsideAClosedDescription", {{"s.scn", "BEGIN_DESC\nBEGIN_SHIPS\nEND_DESC\n" + kGood}}, run, 1,
         {"s.scn:2:", "column 0 inside BEGIN_DESC (line 1)", "indent it"}},
        {"MalformedBaseFileNoVesselUses",
         {{"s.scn", kGood}, {"Config/Earth/Base/Bad.cfg", "BASE-V2.0\nName = Bad\nLocation = 1\n"}}, run, 1,
         {"Bad.cfg:3"}},
        {"ScenarioIsAFolder", {}, "run {root} --steps 1", 1, {"is a folder"}},
        {"ZeroStep", {{"s.scn", kGood}}, "run {scn} --dt 0", 2, {"--dt"}},
        {"StepNotANumber", {{"s.scn", kGood}}, "run {scn} --dt nan", 2, {"--dt"}},
        {"NegativeEndTime", {{"s.scn", kGood}}, "run {scn} --until -5", 2, {"--until"}},
        {"NegativeStepCount", {{"s.scn", kGood}}, "run {scn} --steps -5", 2, {"--steps"}},
        {"EndlessRunFromATinyStep", {{"s.scn", kGood}}, "run {scn} --dt 1e-300", 2, {"steps"}},
        {"AbsurdStepCount", {{"s.scn", kGood}}, "run {scn} --steps 99999999999999", 2, {"steps"}},
        {"SampleIntervalNotANumber", {{"s.scn", kGood}}, "run {scn} --csv-interval nan", 2, {"--csv-interval"}},
        {"ReleaseOfNoVessel", {{"s.scn", kGood}}, "run {scn} --steps 2 --release 1:Nobody", 1, {"Nobody", "s.scn"}},
        {"BadKey", {{"s.scn", kGood}}, "run {scn} --key 1:P:Q+meta", 2, {"meta"}},
        {"UnknownOption", {{"s.scn", kGood}}, "run {scn} --frobnicate", 2, {"frobnicate"}},
        {"SaveIntoMissingFolder", {{"s.scn", kGood}},
         "run {scn} --steps 2 --save {out}/gone/x.scn --trace {out}/trace.jsonl --csv {out}/tel.csv --plot {out}/plot.svg", 1,
         {"--save", "gone"}, false},
        {"SaveOntoAFolder", {{"s.scn", kGood}},
         "run {scn} --steps 2 --save {out} --trace {out}/trace.jsonl --csv {out}/tel.csv --plot {out}/plot.svg", 2,
         {"--save", "is a folder"}, false},
        {"PlotIntoMissingFolder", {{"s.scn", kGood}},
         "run {scn} --steps 2 --save {out}/saved.scn --trace {out}/trace.jsonl --csv {out}/tel.csv --plot {out}/gone/p.svg",
         1, {"--plot", "gone"}, false},
        {"TraceIntoMissingFolder", {{"s.scn", kGood}},
         "run {scn} --steps 2 --save {out}/saved.scn --trace {out}/gone/t.jsonl --csv {out}/tel.csv --plot {out}/plot.svg",
         1, {"--trace", "gone"}, false},
        {"CsvOntoAFolder", {{"s.scn", kGood}},
         "run {scn} --steps 2 --save {out}/saved.scn --trace {out}/trace.jsonl --csv {out} --plot {out}/plot.svg", 2,
         {"--csv", "is a folder"}, false},
        // Outputs that would overwrite each other, the input, or what is not a file.
        {"SaveAndTraceOnOneFile", {{"s.scn", kGood}}, "run {scn} --steps 2 --save {out}/saved.scn --trace {out}/./saved.scn", 2,
         {"--save", "--trace", "name the same file"}, false},
        {"CsvAndPlotOnOneFileThroughAFolderAbove", {{"s.scn", kGood}},
         "run {scn} --steps 2 --csv {out}/tel.csv --plot {out}/../outputs/tel.csv", 2, {"--csv", "--plot", "same file"}, false},
        {"AllFourOnOneFile", {{"s.scn", kGood}},
         "run {scn} --steps 2 --save {out}/plot.svg --trace {out}/plot.svg --csv {out}/plot.svg --plot {out}/plot.svg", 2,
         {"--save", "--trace", "same file"}, false},
        {"TraceOverTheInputScenario", {{"s.scn", kGood}}, "run {scn} --steps 2 --trace {scn}", 2,
         {"--trace", "is the input scenario"}, false},
        {"EmptySaveName", {{"s.scn", kGood}}, "run {scn} --steps 2 --save '' --trace {out}/trace.jsonl", 2,
         {"--save", "file name is empty"}, false},
        {"TraceOntoADevice", {{"s.scn", kGood}}, "run {scn} --steps 2 --trace /dev/null --csv {out}/tel.csv", 2,
         {"--trace /dev/null", "not a regular file"}, false},
        // State that stops being finite ends the run whatever it writes.
        {"StateLostWithoutSaving", {{"s.scn", "BEGIN_SHIPS\nC:QuvaCapsule\n" + kShip + "END\nEND_SHIPS\n"}},
         "run {scn} --dt 1e300 --steps 3 --csv {out}/tel.csv --plot {out}/plot.svg", 1,
         {"vessel \"C\" (class QuvaCapsule)", "stopped being a finite number", "likely cause"}, false},
        {"SaveOverTheBadInputItself", {{"s.scn", "BEGIN_SHIPS\nP:Pilmont\n  RPOS x\nEND\nEND_SHIPS\n"}},
         "run {scn} --steps 2 --save {scn} --trace {out}/trace.jsonl", 1, {"s.scn:3:"}, false},
        {"StepSoLongTheStateIsLost", {{"s.scn", "BEGIN_SHIPS\nC:QuvaCapsule\n" + kShip + "END\nEND_SHIPS\n"}},
         "run {scn} --dt 1e300 --steps 2", 1, {"\"C\"", "finite"}},
    };
    return c;
}

void put(const fs::path &p, const std::string &text) {
    fs::create_directories(p.parent_path());
    fs::remove(p);  // may be a link into the build tree
    std::ofstream(p, std::ios::binary) << text;
}

// Every entry below `dir` with its content ("/" for a folder), links followed.
std::map<std::string, std::string> snapshot(const fs::path &dir) {
    std::map<std::string, std::string> out;
    for (const auto &e : fs::recursive_directory_iterator(dir)) {
        const std::string rel = fs::relative(e.path(), dir).string();
        if (e.is_symlink()) out[rel] = "-> " + fs::read_symlink(e.path()).string();
        else if (e.is_directory()) out[rel] = "/";
        else out[rel] = quvatest::fileText(e.path());
    }
    return out;
}

// A tree like the build tree that a case may change freely: folders of its own whose entries
// link to the build tree's modules, configurations and meshes.
void linkTree(const fs::path &root) {
    const fs::path build(QUVA_BUILD_ROOT);
    for (const char *sub : {"Modules", "Config/Vessels", "Meshes/Quva"}) {
        fs::create_directories(root / sub);
        for (const auto &e : fs::directory_iterator(build / sub))
            if (e.is_regular_file()) fs::create_symlink(e.path(), root / sub / e.path().filename());
    }
}

std::string expand(std::string s, const std::map<std::string, std::string> &vars) {
    for (const auto &[key, value] : vars)
        for (std::size_t at; (at = s.find(key)) != std::string::npos;) s.replace(at, key.size(), value);
    return s;
}

class BadInputTest : public quva::test::CliTest, public ::testing::WithParamInterface<BadInput> {};

TEST_P(BadInputTest, FailsClearlyAndWritesNothing) {
    const BadInput &c = GetParam();
    const fs::path root = dir / "root", out = dir / "outputs";
    linkTree(root);
    for (const auto &[name, text] : c.files) put(root / name, text);
    // Outputs that exist already, with known content.
    fs::create_directories(out);
    for (const char *name : {"saved.scn", "trace.jsonl", "tel.csv", "plot.svg"}) put(out / name, std::string("old ") + name);

    std::string args = expand(c.args, {{"{scn}", (root / "s.scn").string()}, {"{out}", out.string()}, {"{root}", root.string()}});
    if (c.outputs)
        args += " --save " + (out / "saved.scn").string() + " --trace " + (out / "trace.jsonl").string() + " --csv " +
                (out / "tel.csv").string() + " --plot " + (out / "plot.svg").string();
    const auto rootBefore = snapshot(root), outBefore = snapshot(out);

    const auto r = quva("--root " + root.string() + " " + args);
    EXPECT_EQ(r.code, c.code) << args << "\n" << r.out << r.err;
    for (const auto &s : c.says) EXPECT_NE(r.err.find(s), std::string::npos) << "missing \"" << s << "\" in:\n" << r.err;
    EXPECT_LT(r.err.size(), 2000u) << "an error message should not repeat the input";
    // Nothing written: no output created or changed, no temporary file left, the input untouched.
    EXPECT_EQ(snapshot(out), outBefore);
    EXPECT_EQ(snapshot(root), rootBefore);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, BadInputTest, ::testing::ValuesIn(catalogue()),
                         [](const auto &info) { return info.param.name; });

// Inputs that are not regular files, or far too large, are refused by name before they are read:
// a pipe or a device would hang the reader or feed it without end, a folder named like a class
// configuration is no empty class. (Run under `timeout`, so that a hang fails instead of stalling.)
struct SpecialInput {
    std::string name;
    std::string path;  // below the case's tree
    enum Kind { Pipe, Folder, EndlessDevice, Oversized, ExactlyTheLimit } kind;
    std::map<std::string, std::string> files;
    std::vector<std::string> says;
};

void PrintTo(const SpecialInput &c, std::ostream *os) { *os << c.name; }

class SpecialInputTest : public quva::test::CliTest, public ::testing::WithParamInterface<SpecialInput> {};

TEST_P(SpecialInputTest, IsRefusedByNameWithoutHanging) {
    const SpecialInput &c = GetParam();
    const fs::path root = dir / "root", out = dir / "outputs";
    linkTree(root);
    for (const auto &[name, text] : c.files) put(root / name, text);
    const fs::path special = root / c.path;
    fs::create_directories(special.parent_path());
    fs::remove(special);
    switch (c.kind) {
    case SpecialInput::Pipe: ASSERT_EQ(::mkfifo(special.c_str(), 0644), 0); break;
    case SpecialInput::Folder: fs::create_directories(special); break;
    case SpecialInput::EndlessDevice: fs::create_symlink("/dev/zero", special); break;
    case SpecialInput::Oversized:
        std::ofstream(special) << "BEGIN_SHIPS\n";
        fs::resize_file(special, (64u << 20) + 1);  // sparse: costs no disk
        break;
    case SpecialInput::ExactlyTheLimit: {
        // Read in full, but saved it would be longer (it gains the date the run reaches).
        const std::string ships = "END_DESC\nBEGIN_SHIPS\nC:QuvaCapsule\n" + kShip + "END\nEND_SHIPS\n";
        std::string text = "BEGIN_DESC\n";
        const std::string line(1023, 'x');
        while (text.size() + 1024 + ships.size() <= (64u << 20)) text += line + "\n";
        text += std::string((64u << 20) - text.size() - ships.size() - 1, 'y') + "\n" + ships;
        std::ofstream(special, std::ios::binary) << text;
        break;
    }
    }
    fs::create_directories(out);
    put(out / "saved.scn", "old");
    const std::string cmd = "timeout 60 " + std::string(QUVA_BUILD_ROOT) + "/bin/quva --root " + root.string() + " run " +
                            (root / "s.scn").string() + " --steps 2 --save " + (out / "saved.scn").string() + " >" +
                            (dir / "out").string() + " 2>" + (dir / "err").string();
    const int status = std::system(cmd.c_str());
    const std::string err = quvatest::fileText(dir / "err");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << err;
    for (const auto &w : c.says) EXPECT_NE(err.find(w), std::string::npos) << "missing \"" << w << "\" in:\n" << err;
    EXPECT_EQ(snapshot(out), (std::map<std::string, std::string>{{"saved.scn", "old"}}));
}

const std::string kJunk = "BEGIN_SHIPS\nJ:Junk\n" + kShip + "END\nEND_SHIPS\n";

INSTANTIATE_TEST_SUITE_P(
    Kinds, SpecialInputTest,
    ::testing::Values(
        SpecialInput{"ScenarioIsAPipe", "s.scn", SpecialInput::Pipe, {}, {"s.scn: is not a regular file"}},
        SpecialInput{"ScenarioIsEndless", "s.scn", SpecialInput::EndlessDevice, {}, {"s.scn: is not a regular file"}},
        SpecialInput{"ScenarioBeyondTheSizeLimit", "s.scn", SpecialInput::Oversized, {}, {"s.scn: is 67108865 bytes long", "67108864"}},
        SpecialInput{"ScenarioThatWouldSaveBeyondTheLimit", "s.scn", SpecialInput::ExactlyTheLimit, {},
                     {"--save: the scenario would be saved as", "more than the 67108864", "refused before the run"}},
        SpecialInput{"ConfigurationIsAFolder", "Config/Vessels/Box.cfg", SpecialInput::Folder, {{"s.scn", kBox}},
                     {"Box.cfg: is a folder, not a class configuration"}},
        SpecialInput{"ConfigurationIsAPipe", "Config/Vessels/Box.cfg", SpecialInput::Pipe, {{"s.scn", kBox}},
                     {"Box.cfg: is not a regular file"}},
        SpecialInput{"ConfigurationIsEndless", "Config/Vessels/Box.cfg", SpecialInput::EndlessDevice, {{"s.scn", kBox}},
                     {"Box.cfg: is not a regular file"}},
        SpecialInput{"ModuleIsAPipe", "Modules/Junk.so", SpecialInput::Pipe, {{"s.scn", kJunk}},
                     {"s.scn:2:", "Junk.so: is not a regular file"}},
        SpecialInput{"MeshIsAPipe", "Meshes/Quva/Box.msh", SpecialInput::Pipe,
                     {{"s.scn", kBox}, {"Config/Vessels/Box.cfg", "MeshName = Quva/Box\n"}}, {"Box.msh: is not a regular file"}}),
    [](const auto &info) { return info.param.name; });

// Saving is never seen half done. A run that saves a large fleet is killed (SIGKILL) at many
// moments, most of them while its temporary file exists: the target must then hold, byte for
// byte, either the old text or the complete new one. A kill leaves the temporary file behind
// (".NAME.XXXXXX" next to the target); the next save does not reuse it.
class SaveKill : public quva::test::CliTest {
protected:
    pid_t start(const std::vector<std::string> &args) {
        const std::string exe = std::string(QUVA_BUILD_ROOT) + "/bin/quva";
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            std::vector<char *> argv{const_cast<char *>(exe.c_str())};
            for (const auto &a : args) argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(exe.c_str(), argv.data());
            ::_exit(127);
        }
        return pid;
    }

    // Temporary files of a save to `target`.
    std::vector<fs::path> temporaries(const fs::path &target) const {
        std::vector<fs::path> out;
        const std::string prefix = "." + target.filename().string() + ".";
        for (const auto &e : fs::directory_iterator(target.parent_path()))
            if (e.path().filename().string().rfind(prefix, 0) == 0) out.push_back(e.path());
        return out;
    }

    // Runs a save to `target` and kills it: attempt i waits for the temporary file and kills a
    // little later, or kills at a share of the whole run's time. Returns whether the run was
    // killed while the temporary file stood, before it took the target's name.
    bool killOnce(const std::vector<std::string> &args, const fs::path &target, int i, double runSeconds) {
        using Clock = std::chrono::steady_clock;
        const auto t0 = Clock::now();
        const pid_t pid = start(args);
        int status = 0;
        bool finished = false;
        if (i % 2 == 0) {
            while (temporaries(target).empty() && !(finished = ::waitpid(pid, &status, WNOHANG) == pid))
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            std::this_thread::sleep_for(std::chrono::microseconds(250 * (i / 2 % 5)));
        } else {
            std::this_thread::sleep_until(t0 + std::chrono::duration<double>(runSeconds * (i % 10) / 9.0));
        }
        if (!finished) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
        const bool midSave = !temporaries(target).empty();
        for (const auto &t : temporaries(target)) fs::remove(t);
        return midSave;
    }

    void checkKills(const fs::path &input, const fs::path &target, const std::string &oldText, int attempts) {
        const std::vector<std::string> args = {"run", input.string(), "--steps", "1", "--save", target.string()};
        // The complete new text, from a run that is left alone.
        std::ofstream(target, std::ios::binary) << oldText;
        const auto t0 = std::chrono::steady_clock::now();
        int status = 0;
        ::waitpid(start(args), &status, 0);
        const double runSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        const std::string newText = quvatest::fileText(target);
        ASSERT_NE(newText, oldText);
        ASSERT_TRUE(temporaries(target).empty());

        int midSave = 0, old = 0;
        for (int i = 0; i < attempts; ++i) {
            std::ofstream(target, std::ios::binary) << oldText;
            midSave += killOnce(args, target, i, runSeconds);
            const std::string now = quvatest::fileText(target);
            ASSERT_TRUE(now == oldText || now == newText)
                << "attempt " << i << ": the target holds " << now.size() << " bytes, neither the old " << oldText.size()
                << " nor the new " << newText.size();
            old += now == oldText;
        }
        EXPECT_GT(midSave, 0) << "no kill fell inside a save";
        EXPECT_GT(old, 0);
    }

    // A fleet large enough that writing its scenario takes a while.
    std::string fleet(int vessels) const {
        std::string text = "BEGIN_DESC\nA fleet to save.\nEND_DESC\nBEGIN_SHIPS\n";
        for (int i = 0; i < vessels; ++i)
            text += "V" + std::to_string(i) + ":QuvaCapsule\n  STATUS Orbiting Earth\n  RPOS " + std::to_string(i) +
                    ".5 6400000 0\n  RVEL 0 -10 0\nEND\n";
        return text + "END_SHIPS\n";
    }
};

TEST_F(SaveKill, TargetIsAlwaysTheOldOrTheNewFile) {
    const fs::path input = write("fleet.scn", fleet(25000));
    checkKills(input, dir / "saved.scn", kGood, 12);
}

TEST_F(SaveKill, SavingOverTheInputScenarioIsSafe) {
    const std::string text = fleet(25000);
    const fs::path input = write("fleet.scn", text);
    checkKills(input, input, text, 12);
}

// A vessel whose module gives no object is reported, left out of the run and saved as read; the
// run succeeds.
TEST_F(SaveKill, NullObjectFromAModuleIsReportedAndTheRunGoesOn) {
    const fs::path scn = write("n.scn", "BEGIN_SHIPS\nN:NullProbe\n" + kShip + "END\nP:Pilmont\n" + kShip + "END\nEND_SHIPS\n");
    const auto r = quva("run " + scn.string() + " --steps 2 --save " + (dir / "saved.scn").string());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("NullProbe"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\"N\" (" + scn.string() + ":2)"), std::string::npos) << r.err;
    EXPECT_NE(quvatest::fileText(dir / "saved.scn").find("N:NullProbe\n" + kShip + "END\n"), std::string::npos);
}

// A missing mesh file leaves the vessel without its looks, which a headless run can do without:
// a warning names the mesh file and the vessel, and the run goes on. (A malformed one is an error.)
TEST_F(SaveKill, MissingMeshIsAWarningNamingMeshAndVessel) {
    const fs::path root = dir / "root";
    linkTree(root);
    fs::remove(root / "Meshes/Quva/Pilmont.msh");
    put(root / "Config/Vessels/Box.cfg", "MeshName = Quva/Gone\n");
    const fs::path scn = write("m.scn", "BEGIN_SHIPS\nP:Pilmont\n" + kShip + "END\nB:Box\n" + kShip + "END\nEND_SHIPS\n");
    const auto r = quva("--root " + root.string() + " run " + scn.string() + " --steps 2");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("Quva/Pilmont.msh not found"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("vessel B: mesh file " + (root / "Meshes/Quva/Gone.msh").string()), std::string::npos) << r.err;
}

// The checks above must not turn away files that are odd but sound.
TEST(SoundInput, OddButSoundScenariosAreRead) {
    const std::string ships = "BEGIN_SHIPS\nP:Pilmont\n" + kShip + "END\nEND_SHIPS\n";
    const struct {
        const char *name;
        std::string text;
    } cases[] = {
        {"ByteOrderMark", "\xEF\xBB\xBF" "BEGIN_DESC\nx\nEND_DESC\n" + ships},
        {"WindowsLineEnds", "BEGIN_DESC\r\nx\r\nEND_DESC\r\nBEGIN_SHIPS\r\nP:Pilmont\r\n  STATUS Landed Earth\r\nEND\r\nEND_SHIPS\r\n"},
        {"SectionWordsInsideADescription", "BEGIN_DESC\nBEGIN_STORY\nEND_STORY\nEND_OTHER\nEND_DESC\n" + ships},
        {"UnknownSectionsAroundTheShips", "BEGIN_CARGO\n  crates 3\nEND_CARGO\n" + ships + "begin_focus\n  Ship P\nend_focus\n"},
        {"TabsAndAccents", "BEGIN_DESC\n\tDescente d\xC3\xA9 la capsule\nEND_DESC\n" + ships},
        {"LineOfTheLongestText", "BEGIN_DESC\n" + std::string(4094, 'x') + "\nEND_DESC\n" + ships},
        {"LongestLineIndented", "BEGIN_DESC\n  " + std::string(4094, 'x') + "\nEND_DESC\n" + ships},
        {"LongestVesselLineIndented", "BEGIN_SHIPS\nP:Pilmont\n  STATUS Landed Earth\n  X" + std::string(4093, 'x') +
                                          "\nEND\nEND_SHIPS\n"},
        {"NoSectionsBesideTheShips", ships},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        quva::ScenarioDocument doc;
        EXPECT_NO_THROW(doc = quva::parseScenario(c.text, "s.scn"));
        ASSERT_EQ(doc.ships.size(), 1u);
        EXPECT_EQ(doc.ships[0].name, "P");
        // What is saved from it reads again.
        quva::SimulationOptions options;
        options.root = QUVA_BUILD_ROOT;
        options.flightModel = false;
        quva::Simulation sim(options);
        sim.loadScenario(doc);
        EXPECT_NO_THROW(quva::parseScenario(sim.saveScenarioText(), "saved.scn"));
    }
}

}  // namespace
