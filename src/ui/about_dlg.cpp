#include "ui/about_dlg.h"

#include <openssl/crypto.h>

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QtGlobal>

#include "platform/quillet.h"
#include "ui/app_icon.h"
#include "ui/dialog_units.h"

namespace {

QString logFileText() {
    const std::string directory = quillet_logDirectory();
    return directory.empty() ? QStringLiteral("none (neither XDG_STATE_HOME nor HOME is set)")
                             : QString::fromStdString(directory + "/corvane.log");
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setFont(corvane::ui::dialogFont());
    setWindowTitle(QStringLiteral("About Corvane"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    auto* icon = new QLabel(this);
    icon->setPixmap(corvane::ui::appIcon().pixmap(32, 32));
    auto* name = new QLabel(QStringLiteral("Corvane, Version " CORVANE_VERSION), this);
    auto* purpose =
        new QLabel(QStringLiteral("Answers, decodes and logs alarm receiver messages."), this);
    auto* licence =
        new QLabel(QStringLiteral("Licensed under the Apache License, Version 2.0."), this);
    auto* versions = new QLabel(QStringLiteral("Qt %1, %2")
                                    .arg(QString::fromLatin1(qVersion()),
                                         QString::fromLatin1(OpenSSL_version(OPENSSL_VERSION))),
                                this);
    auto* logs = new QLabel(QStringLiteral("Diagnostic log: ") + logFileText(), this);
    // The operator may want to paste these into a report.
    for (QLabel* label : {versions, logs}) {
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);

    const corvane::ui::DialogUnits units(font());
    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(units.toPixelsX(9));
    layout->addWidget(icon, 0, 0, 5, 1, Qt::AlignTop);
    int row = 0;
    for (QLabel* label : {name, purpose, licence, versions, logs}) {
        layout->addWidget(label, row++, 1);
    }
    layout->setRowMinimumHeight(row++, units.toPixelsY(4));
    layout->addWidget(ok, row, 1, Qt::AlignRight);
    ok->setMinimumWidth(units.toPixelsX(50));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    QObject::connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
