// The application: prepares Qt, runs the main window modally, and ends when it closes.
#pragma once

class CCorvaneApp {
  public:
    // True when Qt has somewhere to show windows: a desktop session (X11 or Wayland), or a
    // platform chosen explicitly (QT_QPA_PLATFORM or -platform).
    static bool displayAvailable(int argc, char** argv);
    // What the operator is told when there is no display.
    static const char* noDisplayMessage();

    // Start-up, the protocol question, the modal run of the main window, and the end. A cancelled
    // protocol question ends the application. Needs a QApplication. Returns the exit code.
    int run();
};
