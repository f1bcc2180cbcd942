#include "ui/about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "ui/app_icon.h"
#include "ui/dialog_units.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setFont(corvane::ui::dialogFont());
    setWindowTitle(QStringLiteral("About Corvane"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    corvane::ui::DialogLayout layout(font());
    auto* icon = new QLabel(this);
    icon->setPixmap(corvane::ui::appIcon().pixmap(32, 32));
    layout.add(icon, {10, 10, 21, 20}, false);
    auto* name = new QLabel(QStringLiteral("Corvane, Version 1.0.0.1"), this);
    layout.add(name, {40, 10, 120, 8}, true);
    auto* purpose =
        new QLabel(QStringLiteral("Answers, decodes and logs alarm receiver messages."), this);
    purpose->setWordWrap(true);
    layout.add(purpose, {40, 20, 120, 18}, false);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    layout.add(ok, {113, 42, 50, 14}, true);
    layout.apply();
    setFixedSize(layout.units().toPixels(QSize(170, 62)));
    QObject::connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
