// The run command's arguments: the input, split at zero bytes, is the argument list after
// "quva run SCENARIO". The command line is parsed by the run command's own option set; every
// --release and --key value it collects, and every piece on its own, goes through the event
// parsers. An event is either
// refused with std::invalid_argument or well formed: a finite time of 0 s or more, a vessel name,
// a letter key and only known modifier keys. A triggered event (a condition instead of the time)
// carries a finite value, a known reading and comparison, and the condition as written, which
// reads back as the same condition.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include <CLI/CLI.hpp>

#include "core/keys.h"
#include "run/event_options.h"
#include "run_command.h"

namespace {

// The run command asks for the add-on tree as its action starts, once the whole command line is
// parsed and converted: this tree answers with an exception, so that no simulation runs and no
// file is touched.
struct Parsed {};

constexpr std::size_t kMaxArguments = 64;

[[noreturn]] void fail(const char *what, const std::string &text) {
    std::fprintf(stderr, "run_events: %s: \"%s\"\n", what, text.c_str());
    std::abort();
}

void checkKeys(DWORD key, const std::vector<DWORD> &modifiers, const std::string &text) {
    if (key == 0 || quva::keyName(key).size() != 1) fail("a key event without a letter key", text);
    for (DWORD m : modifiers)
        if (m == 0 || quva::modifierKeyCode(quva::keyName(m)) != m) fail("a key event with an unknown modifier", text);
}

void check(const quva::ScheduledEvent &e, const std::string &text) {
    if (!std::isfinite(e.t) || e.t < 0.0) fail("an event time that is no time", text);
    if (e.vessel.empty()) fail("an event without a vessel", text);
    if (e.kind == quva::ScheduledEvent::Kind::Key) {
        checkKeys(e.key, e.modifiers, text);
    } else if (e.key != 0 || !e.modifiers.empty()) {
        fail("a release that carries keys", text);
    }
}

void check(const quva::TriggeredEvent &e, const std::string &text) {
    const quva::Condition &c = e.condition;
    if (!std::isfinite(c.value)) fail("a condition on a value that is no number", text);
    if (e.vessel.empty()) fail("a triggered event without a vessel", text);
    if (c.text.empty() || text.find(c.text) != 0) fail("a condition that is not the text's own", text);
    const quva::Condition again = quva::parseCondition(c.text);
    if (again.reading != c.reading || again.compare != c.compare || again.value != c.value)
        fail("a condition that reads back differently", text);
    if (e.action == quva::TriggeredEvent::Action::Key) {
        checkKeys(e.key, e.modifiers, text);
    } else if (e.key != 0 || !e.modifiers.empty()) {
        fail("a non-key action that carries keys", text);
    }
}

void check(const quva::cli::RunEvent &event, const std::string &text) {
    std::visit([&](const auto &e) { check(e, text); }, event);
}

template <class Parse>
void parseEvent(Parse parse, const std::string &text) {
    try {
        check(parse(text), text);
    } catch (const std::invalid_argument &e) {
        if (std::string(e.what()).find(text) == std::string::npos) fail("a refusal that does not quote its text", text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::vector<std::string> pieces;
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] != 0) {
            current += static_cast<char>(data[i]);
            continue;
        }
        pieces.push_back(current);
        current.clear();
    }
    pieces.push_back(current);
    if (pieces.size() > kMaxArguments) return 0;

    for (const std::string &p : pieces) {
        parseEvent(quva::cli::parseRelease, p);
        parseEvent(quva::cli::parseKey, p);
        parseEvent(quva::cli::parseReleaseEvent, p);
        parseEvent(quva::cli::parseKeyEvent, p);
    }

    CLI::App app("quva");
    int exitCode = 0;
    quva::cli::addRunCommand(app, []() -> quva::cli::Trees { throw Parsed{}; }, exitCode);
    std::vector<std::string> args = {"run", "Quva/Recovery"};
    args.insert(args.end(), pieces.begin(), pieces.end());
    // CLI11 takes the arguments last to first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
        fail("the run command ran", "");
    } catch (const CLI::ParseError &) {
        return 0;
    } catch (const Parsed &) {
    }
    CLI::App *run = app.get_subcommand("run");
    for (const std::string &r : run->get_option("--release")->as<std::vector<std::string>>())
        parseEvent(quva::cli::parseReleaseEvent, r);
    for (const std::string &k : run->get_option("--key")->as<std::vector<std::string>>())
        parseEvent(quva::cli::parseKeyEvent, k);
    return 0;
}
