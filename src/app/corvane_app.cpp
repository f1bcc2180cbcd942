#include "corvane_app.h"

#include <QApplication>
#include <QScreen>
#include <cstdlib>
#include <cstring>

#include "ui/app_icon.h"
#include "ui/corvane_dlg.h"

namespace {

bool environmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

}  // namespace

bool CCorvaneApp::displayAvailable(int argc, char** argv) {
    if (environmentSet("DISPLAY") || environmentSet("WAYLAND_DISPLAY") ||
        environmentSet("QT_QPA_PLATFORM")) {
        return true;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
            return true;
        }
    }
    return false;
}

const char* CCorvaneApp::noDisplayMessage() {
    return "Corvane is a desktop application and needs a graphical display.\n"
           "Start it from a desktop session (DISPLAY or WAYLAND_DISPLAY set), or under a virtual\n"
           "display, for example:  xvfb-run -a make run\n";
}

int CCorvaneApp::run() {
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
    QApplication::setDesktopFileName(QStringLiteral("corvane"));
    QApplication::setWindowIcon(corvane::ui::appIcon());

    // The station lives exactly as long as this routine: its destruction stops a running link
    // and joins every thread before the process ends.
    CCorvaneDlg dialog;
    if (!dialog.initialise()) {
        return 0;  // the operator cancelled the protocol question
    }
    // At its default size, or smaller where the screen is (a laptop at scale 2).
    if (const QScreen* screen = dialog.screen()) {
        dialog.fitInto(screen->availableGeometry());
    }
    dialog.exec();
    return 0;
}
