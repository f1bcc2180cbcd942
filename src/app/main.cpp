// Corvane: stands in for a monitoring station's automation software towards an alarm receiver.
#include <QApplication>
#include <cstdio>
#include <optional>

#include "command_line.h"
#include "corvane_app.h"

int main(int argc, char** argv) {
    // --help and --version need no display.
    if (const std::optional<int> answered = answerCommandLine(argc, argv)) {
        return *answered;
    }
    // Without a display Qt would abort with a terse platform-plugin error; say what is needed.
    if (!CCorvaneApp::displayAvailable(argc, argv)) {
        std::fputs(CCorvaneApp::noDisplayMessage(), stderr);
        return 1;
    }
    QApplication qtApplication(argc, argv);
    CCorvaneApp application;
    return application.run();
}
