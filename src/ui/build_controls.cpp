// Builds the main window's controls from the control table and wires their signals.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>

#include <algorithm>
#include <tuple>

#include "ui/console_layout.h"
#include "ui/control_table.h"
#include "ui/corvane_dlg.h"
#include "ui/mnemonics.h"
#include "ui/tool_windows.h"

using namespace corvane;
using corvane::ui::ControlKind;

namespace {

QWidget* makeControl(const ui::ControlSpec& spec, QWidget* parent) {
    const QString text = ui::withMnemonic(QString::fromLatin1(spec.text));
    switch (spec.kind) {
        case ControlKind::Label:
            return new QLabel(text, parent);
        case ControlKind::Edit:
        case ControlKind::ReadOnlyEdit: {
            auto* edit = new QLineEdit(parent);
            edit->setReadOnly(spec.kind == ControlKind::ReadOnlyEdit);
            if (edit->isReadOnly()) {
                // Out of the Tab chain; a click still selects the text for copying.
                edit->setFocusPolicy(Qt::ClickFocus);
            }
            return edit;
        }
        case ControlKind::LogBox: {
            auto* box = new QPlainTextEdit(parent);
            box->setLineWrapMode(QPlainTextEdit::NoWrap);
            box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            // The log is replaced and appended to all the time; an undo history would only grow.
            box->setUndoRedoEnabled(false);
            // Tab moves on instead of typing a tab into the log.
            box->setTabChangesFocus(true);
            return box;
        }
        case ControlKind::PushButton: {
            auto* button = new QPushButton(text, parent);
            // Enter in a field never clicks this button.
            button->setAutoDefault(false);
            return button;
        }
        case ControlKind::RadioButton:
            // One Tab stop for the group (the checked button); the arrow keys choose within it.
            return new QRadioButton(text, parent);
        case ControlKind::CheckBox:
            return new QCheckBox(text, parent);
        case ControlKind::GroupBox:
            return new QGroupBox(text, parent);
        case ControlKind::ComboBox: {
            auto* combo = new QComboBox(parent);
            // Its size follows its entries, which come after it is built.
            combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
            return combo;
        }
    }
    return nullptr;
}

// The width a one-line field needs to show `text` whole, frame and margins included.
int editWidthFor(const QLineEdit* edit, const QString& text) {
    constexpr int kHorizontalMargin = 2;  // QLineEdit's own, on each side
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    const QMargins text_margins = edit->textMargins() + edit->contentsMargins();
    const int contents = edit->fontMetrics().horizontalAdvance(text) + 1 + 2 * kHorizontalMargin +
                         text_margins.left() + text_margins.right();
    return edit->style()
        ->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(contents, edit->height()), edit)
        .width();
}

// What a field must show whole however narrow the window gets: the longest value it takes.
QString longestValue(int id) {
    switch (id) {
        case kReceiverIpEdit:
        case kBindAddressEdit:
            return QStringLiteral("255.255.255.255");
        case kPortEdit:
        case kLinesToSaveEdit:
            return QStringLiteral("65535");
        case kHeartbeatIntervalEdit:
            return QStringLiteral("300");
        case kCustomResponseEdit:
            return QStringLiteral("00000000");
        default:
            return QStringLiteral("0000000000");  // a counter
    }
}

// How the control takes part when the window is resized.
ui::ConsoleLayout::Role roleOf(const ui::ControlSpec& spec) {
    using Role = ui::ConsoleLayout::Role;
    if (spec.kind == ControlKind::LogBox) {
        return Role::Log;
    }
    if (spec.kind == ControlKind::GroupBox) {
        return Role::Frame;
    }
    return spec.id == kConnectButton ? Role::LogCorner : Role::Fixed;
}

ui::ConsoleLayout::NeededWidth neededWidthOf(const ui::ControlSpec& spec, QWidget* widget) {
    switch (spec.kind) {
        case ControlKind::Edit:
        case ControlKind::ReadOnlyEdit: {
            auto* edit = qobject_cast<QLineEdit*>(widget);
            if (spec.id == kLinkStatusEdit) {
                // The status box shows its whole text, however long.
                return [edit] { return editWidthFor(edit, edit->text()); };
            }
            return [edit, value = longestValue(spec.id)] { return editWidthFor(edit, value); };
        }
        case ControlKind::LogBox:
        case ControlKind::GroupBox:
            return {};
        default:
            return [widget] { return widget->sizeHint().width(); };
    }
}

}  // namespace

void CCorvaneDlg::buildControls() {
    // All controls are direct children of the window, so the five radio buttons form one
    // exclusive group.
    ui::DialogLayout layout(font());
    std::vector<std::pair<const ui::ControlSpec*, QWidget*>> built;
    QLabel* pendingLabel = nullptr;
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
        // A label with a mnemonic names the control that follows it in the table.
        if (pendingLabel != nullptr && spec.id != ui::kNoId) {
            pendingLabel->setBuddy(widget);
            if (spec.id == kCustomResponseEdit) {
                m_customResponseLabel = pendingLabel;
            }
        }
        auto* label = qobject_cast<QLabel*>(widget);
        pendingLabel =
            label != nullptr && label->text().contains(QLatin1Char('&')) ? label : nullptr;
        built.emplace_back(&spec, widget);
    }
    // The tool windows' buttons come after the console's controls, in a row of their own.
    for (const ui::ToolWindowEntry& entry : ui::toolWindows()) {
        auto* button = new QPushButton(ui::withMnemonic(QString::fromLatin1(entry.caption)), this);
        button->setAutoDefault(false);
        layout.add(button, entry.dlu, true);
        QObject::connect(button, &QPushButton::clicked, this,
                         [this, &entry] { entry.open(*this); });
        m_toolButtons.push_back(button);
    }
    layout.apply();
    m_units = layout.units();

    // The same places, now also for every other size of the window.
    m_layout = std::make_unique<ui::ConsoleLayout>(
        m_units, QSize(ui::kMainWidthDlu, ui::kMainHeightDlu + ui::kToolRowHeightDlu));
    for (const auto& [spec, widget] : built) {
        m_layout->add(widget, spec->dlu, roleOf(*spec), neededWidthOf(*spec, widget));
    }
    for (std::size_t i = 0; i < m_toolButtons.size(); ++i) {
        QPushButton* button = m_toolButtons[i];
        m_layout->add(button, ui::toolWindows()[i].dlu, ui::ConsoleLayout::Role::Fixed,
                      [button] { return button->sizeHint().width(); });
    }

    control(kBindAddressEdit)
        ->setToolTip(QStringLiteral(
            "Server mode: the local address to listen on. 0.0.0.0 takes receivers on every IPv4 "
            "interface, :: on every interface; one address of this computer (127.0.0.1, "
            "fd00::1) takes them on that interface only."));
    control(kBindAddressEdit)->setEnabled(false);  // until Server mode is chosen
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
    setReadingTabOrder(built);
}

void CCorvaneDlg::setReadingTabOrder(
    const std::vector<std::pair<const ui::ControlSpec*, QWidget*>>& built) {
    // Reading order: rows from top to bottom (controls whose tops lie within a few units share a
    // row), left to right within a row. The radio group is one stop where its first button is;
    // the tool buttons come last.
    constexpr int kRowToleranceDlu = 4;
    struct Stop {
        QPoint at;
        int within;
        QWidget* widget;
    };
    QPoint radiosAt;
    for (const auto& [spec, widget] : built) {
        if (spec->id == kAckAllRadio) {
            radiosAt = spec->dlu.topLeft();
        }
    }
    std::vector<Stop> stops;
    int radioPlace = 0;
    for (const auto& [spec, widget] : built) {
        if (spec->kind == ControlKind::RadioButton) {
            stops.push_back({radiosAt, radioPlace++, widget});
        } else if (spec->id != ui::kNoId && spec->kind != ControlKind::ReadOnlyEdit) {
            stops.push_back({spec->dlu.topLeft(), 0, widget});
        }
    }
    std::sort(stops.begin(), stops.end(),
              [](const Stop& a, const Stop& b) { return a.at.y() < b.at.y(); });
    int rowTop = -kRowToleranceDlu - 1;
    for (Stop& stop : stops) {
        if (stop.at.y() - rowTop > kRowToleranceDlu) {
            rowTop = stop.at.y();
        }
        stop.at.setY(rowTop);
    }
    std::stable_sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) {
        return std::tuple(a.at.y(), a.at.x(), a.within) < std::tuple(b.at.y(), b.at.x(), b.within);
    });
    QWidget* previous = nullptr;
    auto chain = [&previous](QWidget* next) {
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, next);
        }
        previous = next;
    };
    for (const Stop& stop : stops) {
        chain(stop.widget);
    }
    for (QPushButton* button : m_toolButtons) {
        chain(button);
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
    // Enter in a one-line field reads the settings back, so a refused value is reported at once.
    for (const auto& [id, widget] : m_controls) {
        auto* edit = qobject_cast<QLineEdit*>(widget);
        if (edit != nullptr && !edit->isReadOnly()) {
            QObject::connect(edit, &QLineEdit::returnPressed, this,
                             [this] { (void)saveTransfer(); });
        }
    }
    // The status box widens for a longer text.
    QObject::connect(qobject_cast<QLineEdit*>(control(kLinkStatusEdit)), &QLineEdit::textChanged,
                     this, &CCorvaneDlg::relayout);
}
