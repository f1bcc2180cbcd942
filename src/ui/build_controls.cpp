// Builds the main window's controls from the control table and wires their signals.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "ui/control_table.h"
#include "ui/corvane_dlg.h"
#include "ui/tool_windows.h"

using namespace corvane;
using corvane::ui::ControlKind;

namespace {

QWidget* makeControl(const ui::ControlSpec& spec, QWidget* parent) {
    const QString text = QString::fromLatin1(spec.text);
    switch (spec.kind) {
        case ControlKind::Label:
            return new QLabel(text, parent);
        case ControlKind::Edit:
        case ControlKind::ReadOnlyEdit: {
            auto* edit = new QLineEdit(parent);
            edit->setReadOnly(spec.kind == ControlKind::ReadOnlyEdit);
            return edit;
        }
        case ControlKind::LogBox: {
            auto* box = new QPlainTextEdit(parent);
            box->setLineWrapMode(QPlainTextEdit::NoWrap);
            box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            // The log is replaced and appended to all the time; an undo history would only grow.
            box->setUndoRedoEnabled(false);
            // Not a tab stop, and Tab moves on instead of typing a tab into the log.
            box->setTabChangesFocus(true);
            box->setFocusPolicy(Qt::ClickFocus);
            return box;
        }
        case ControlKind::PushButton: {
            auto* button = new QPushButton(text, parent);
            // Enter in a field is the window's OK command, never a click on this button.
            button->setAutoDefault(false);
            return button;
        }
        case ControlKind::RadioButton: {
            auto* radio = new QRadioButton(text, parent);
            radio->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
            return radio;
        }
        case ControlKind::CheckBox:
            return new QCheckBox(text, parent);
        case ControlKind::GroupBox:
            return new QGroupBox(text, parent);
        case ControlKind::ComboBox: {
            auto* combo = new QComboBox(parent);
            combo->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
            return combo;
        }
    }
    return nullptr;
}

}  // namespace

void CCorvaneDlg::buildControls() {
    // Children are created in tab order, which is also Qt's focus chain. All controls are direct
    // children of the window, so the five radio buttons form one exclusive group.
    ui::DialogLayout layout(font());
    for (const ui::ControlSpec& spec : ui::mainWindowControls()) {
        QWidget* widget = makeControl(spec, this);
        const bool captioned =
            spec.kind == ControlKind::Label || spec.kind == ControlKind::RadioButton ||
            spec.kind == ControlKind::CheckBox || spec.kind == ControlKind::PushButton;
        layout.add(widget, spec.dlu, captioned);
        if (spec.kind == ControlKind::GroupBox) {
            widget->lower();  // a frame behind the controls it surrounds, never over them
        }
        if (spec.id != ui::kNoId) {
            m_controls[spec.id] = widget;
        }
    }
    // The tool windows' buttons come after the console's controls, in a row of their own.
    for (const ui::ToolWindowEntry& entry : ui::toolWindows()) {
        auto* button = new QPushButton(QString::fromLatin1(entry.caption), this);
        button->setAutoDefault(false);
        layout.add(button, entry.dlu, true);
        QObject::connect(button, &QPushButton::clicked, this,
                         [this, &entry] { entry.open(*this); });
        m_toolButtons.push_back(button);
    }
    layout.apply();
    m_units = layout.units();
    m_customResponseEdit = qobject_cast<QLineEdit*>(control(kCustomResponseEdit));
    m_logBox = qobject_cast<QPlainTextEdit*>(control(kLogBox));
    m_connectButton = qobject_cast<QPushButton*>(control(kConnectButton));
    m_showLogCheck = qobject_cast<QCheckBox*>(control(kShowLogCheck));
    m_receiverTypeCombo = qobject_cast<QComboBox*>(control(kReceiverTypeCombo));
    m_modeCombo = qobject_cast<QComboBox*>(control(kModeCombo));
    for (const int id : {kAckAllRadio, kNackAllRadio, kNackAllButHeartbeatsRadio, kCustomToAllRadio,
                         kCustomToAllButHeartbeatsRadio}) {
        m_responseRadios.push_back(qobject_cast<QRadioButton*>(control(id)));
    }
}

void CCorvaneDlg::connectHandlers() {
    QObject::connect(m_connectButton, &QPushButton::clicked, this,
                     [this] { m_core.control().OnConnectButton(); });
    QObject::connect(m_timer, &QTimer::timeout, this, [this] { m_core.control().OnTimer(); });
    for (std::size_t mode = 0; mode < m_responseRadios.size(); ++mode) {
        QObject::connect(m_responseRadios[mode], &QRadioButton::clicked, this,
                         [this, mode] { onResponseModeClicked(static_cast<int>(mode)); });
    }
    QObject::connect(m_showLogCheck, &QCheckBox::clicked, this, &CCorvaneDlg::onShowLogClicked);
    QObject::connect(m_receiverTypeCombo, &QComboBox::activated, this,
                     &CCorvaneDlg::onReceiverTypeActivated);
    QObject::connect(m_modeCombo, &QComboBox::activated, this, &CCorvaneDlg::onModeActivated);
    // The receiving threads read the custom response from the station's own copy, kept current
    // here, so they never touch the control.
    QObject::connect(m_customResponseEdit, &QLineEdit::textChanged, this,
                     [this](const QString& text) {
                         m_station.setCustomResponse(text.toLatin1().toStdString());
                     });
    QObject::connect(m_logBox, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_paintingBox) {
            m_boxEdited = true;
        }
    });
    QObject::connect(m_paintTimer, &QTimer::timeout, this, &CCorvaneDlg::paintLogView);
}
