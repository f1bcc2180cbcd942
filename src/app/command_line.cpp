#include "command_line.h"

#include <CLI/CLI.hpp>

namespace {

constexpr const char* kDescription =
    "corvane: stands in for a monitoring station's automation software towards alarm receivers.\n"
    "It asks for the protocol (Sur-Gard or SIA-DCS), then answers, decodes, counts and logs the\n"
    "receiver's messages in its window. It needs a graphical display; for test rigs and services\n"
    "without one, use corvane-station.";

constexpr const char* kFooter =
    "Qt's own options (-platform NAME, -style NAME, -reverse, ...) are passed on to Qt.\n"
    "Nothing is stored between runs. The diagnostic log is written to\n"
    "$XDG_STATE_HOME/corvane/corvane.log (by default ~/.local/state/corvane/corvane.log).\n"
    "See corvane(1).";

}  // namespace

std::optional<int> answerCommandLine(int argc, char** argv) {
    CLI::App app(kDescription, "corvane");
    app.footer(kFooter);
    app.set_version_flag("--version", "corvane " CORVANE_VERSION);
    app.allow_extras();  // Qt's options
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& answered) {
        return app.exit(answered);
    } catch (const CLI::ParseError& refused) {
        app.exit(refused);
        return 2;
    }
    return std::nullopt;
}
