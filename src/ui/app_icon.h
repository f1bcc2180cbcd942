// The application icon, in every size the resources hold.
#pragma once

#include <QIcon>

namespace corvane::ui {

QIcon appIcon();

}  // namespace corvane::ui
