// The About box: the application's name, version and purpose, its licence, the versions of Qt and
// OpenSSL it runs with, and where the diagnostic log is written.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
