// Corvane: stands in for a monitoring station's automation software towards an alarm receiver.
#include <QApplication>
#include <cstdio>

#include "corvane_app.h"

int main(int argc, char** argv) {
    // Without a display Qt would abort with a terse platform-plugin error; say what is needed.
    if (!CCorvaneApp::displayAvailable(argc, argv)) {
        std::fputs(CCorvaneApp::noDisplayMessage(), stderr);
        return 1;
    }
    QApplication qtApplication(argc, argv);
    CCorvaneApp application;
    return application.run();
}
