// Opens the real main window for a protocol without asking the operator, and records its prompts
// instead of showing them.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <memory>
#include <optional>

#include "station/window.h"
#include "support/fast_timeouts.h"
#include "ui/control_ids.h"
#include "ui/corvane_dlg.h"
#include "ui/mnemonics.h"

namespace corvane::test {

struct OpenWindow {
    static constexpr int kTimerPeriodMs = 20;

    std::unique_ptr<CCorvaneDlg> dlg = std::make_unique<CCorvaneDlg>();
    std::shared_ptr<QStringList> prompts = std::make_shared<QStringList>();

    explicit OpenWindow(const QString& protocol, bool show = true) {
        dlg->setPrompt([prompts = prompts](const QString& text) { prompts->append(text); });
        dlg->station().m_timeouts = fastTimeouts();
        dlg->initialise([protocol] { return std::optional<QString>(protocol); });
        dlg->setTimerPeriod(kTimerPeriodMs);  // the counters show without a second's wait
        if (show) {
            dlg->show();
        }
    }

    QLineEdit* edit(int id) const { return qobject_cast<QLineEdit*>(dlg->control(id)); }
    QComboBox* combo(int id) const { return qobject_cast<QComboBox*>(dlg->control(id)); }
    QAbstractButton* button(int id) const {
        return qobject_cast<QAbstractButton*>(dlg->control(id));
    }
    QPlainTextEdit* logBox() const { return qobject_cast<QPlainTextEdit*>(dlg->control(kLogBox)); }
    QString text(int id) const {
        if (auto* line = edit(id)) {
            return line->text();
        }
        return ui::withoutMnemonic(button(id)->text());
    }
    // Chooses an entry of a combo box the way the operator does: the selection is confirmed.
    void choose(int comboId, const QString& entry) const {
        QComboBox* box = combo(comboId);
        const int index = box->findText(entry);
        box->setCurrentIndex(index);
        Q_EMIT box->activated(index);
    }
    corvane::Station& station() const { return dlg->station(); }
    corvane::ActivityLog& log() const { return dlg->core().log(); }
    // The window as the core sees it.
    corvane::Window& coreWindow() const { return *dlg->station().window(); }
};

}  // namespace corvane::test
