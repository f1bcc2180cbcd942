#include "ui/app_icon.h"

#include <QStringLiteral>

// The resources live in this static library: referencing their initialiser keeps the linker from
// dropping them. Q_INIT_RESOURCE must be used outside any namespace.
static void initCorvaneResources() {
    Q_INIT_RESOURCE(corvane);
}

namespace corvane::ui {

QIcon appIcon() {
    static const bool initialised = (initCorvaneResources(), true);
    (void)initialised;
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/corvane-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace corvane::ui
