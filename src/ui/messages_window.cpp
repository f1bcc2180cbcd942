#include "ui/messages_window.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <set>

#include "record/record_details.h"
#include "record/record_export.h"
#include "ui/corvane_dlg.h"
#include "ui/live_chart.h"
#include "ui/receivers_view.h"
#include "ui/record_table_model.h"
#include "ui/tool_windows.h"

namespace corvane::ui {

MessagesWindow::MessagesWindow(std::shared_ptr<MessageRecords> records,
                               std::shared_ptr<Tally> tally, QWidget* owner)
    : QWidget(owner, Qt::Window),
      m_keep(std::move(records)),
      m_tally(std::move(tally)),
      m_records(*m_keep) {
    setObjectName("MessagesWindow");
    setWindowTitle("Messages");
    resize(1000, 640);

    m_kind = new QComboBox(this);
    m_kind->addItem("All kinds");
    for (int k = 0; k < kMessageKindCount; ++k) {
        m_kind->addItem(QString::fromLatin1(messageKindName(static_cast<MessageKind>(k))));
    }
    m_receiver = new QLineEdit(this);
    m_receiver->setPlaceholderText("Receiver");
    m_text = new QLineEdit(this);
    m_text->setPlaceholderText("Text");
    m_limit = new QSpinBox(this);
    m_limit->setRange(1000, 1'000'000);
    m_limit->setSingleStep(10'000);
    m_limit->setValue(static_cast<int>(m_records.capacity()));
    m_limit->setToolTip("How many of the newest records are kept");
    auto* copy = new QPushButton("Copy", this);
    auto* save = new QPushButton("Save...", this);
    auto* filters = new QHBoxLayout;
    filters->addWidget(new QLabel("Kind:", this));
    filters->addWidget(m_kind);
    filters->addWidget(m_receiver, 1);
    filters->addWidget(m_text, 2);
    filters->addWidget(new QLabel("Keep:", this));
    filters->addWidget(m_limit);
    filters->addWidget(copy);
    filters->addWidget(save);

    m_model = new RecordTableModel(m_records, this);
    m_table = new QTableView(this);
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);
    for (const auto& [column, width] : {std::pair{RecordTableModel::Sequence, 60},
                                        {RecordTableModel::Time, 180},
                                        {RecordTableModel::Receiver, 130},
                                        {RecordTableModel::Kind, 90},
                                        {RecordTableModel::Message, 200},
                                        {RecordTableModel::Description, 170},
                                        {RecordTableModel::Answer, 60}}) {
        m_table->setColumnWidth(column, width);
    }
    m_details = new QPlainTextEdit(this);
    m_details->setReadOnly(true);
    m_details->setFont(QFont("DejaVu Sans Mono"));
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_table);
    split->addWidget(m_details);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    m_receivers = new ReceiversView(*m_tally, this);
    m_chart = new LiveChart(m_records, *m_tally, this);
    m_tabs = new QTabWidget(this);
    m_tabs->addTab(split, "Messages");
    m_tabs->addTab(m_receivers, "Receivers");
    m_tabs->addTab(m_chart, "Chart");
    m_status = new QLabel(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(m_status);

    m_timer = new QTimer(this);
    m_timer->setInterval(kTickMs);
    connect(m_timer, &QTimer::timeout, this, &MessagesWindow::tick);
    connect(m_kind, &QComboBox::currentIndexChanged, this, &MessagesWindow::applyFilter);
    connect(m_receiver, &QLineEdit::textChanged, this, &MessagesWindow::applyFilter);
    connect(m_text, &QLineEdit::textChanged, this, &MessagesWindow::applyFilter);
    connect(m_limit, &QSpinBox::editingFinished, this, [this] { setLimit(m_limit->value()); });
    connect(copy, &QPushButton::clicked, this, &MessagesWindow::copySelection);
    connect(save, &QPushButton::clicked, this, &MessagesWindow::save);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MessagesWindow::showDetails);
    auto* copyKey = new QShortcut(QKeySequence::Copy, m_table);
    connect(copyKey, &QShortcut::activated, this, &MessagesWindow::copySelection);
}

MessagesWindow::~MessagesWindow() {
    // The children read the records: they go first, while m_keep still holds them; the views
    // before the model they show.
    m_timer->stop();
    disconnect(m_table->selectionModel(), nullptr, this, nullptr);
    delete m_tabs;
    qDeleteAll(findChildren<QObject*>(Qt::FindDirectChildrenOnly));
}

void MessagesWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_chart->backfill();
    tick();
    m_timer->start();
}

void MessagesWindow::hideEvent(QHideEvent* event) {
    // Closed, the window costs nothing: no timer, no sampling.
    m_timer->stop();
    QWidget::hideEvent(event);
}

void MessagesWindow::tick() {
    QScrollBar* bar = m_table->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    m_model->refresh();
    if (following) {
        m_table->scrollToBottom();
    }
    if (++m_ticks % kTicksPerSecond == 0 || m_ticks == 1) {
        m_chart->sample();
        if (m_tabs->currentWidget() == m_receivers) {
            m_receivers->refresh();
        }
        const MessageRecords::Span span = m_records.span();
        m_status->setText(QString("%1 records held (newest %2 kept), %3 shown")
                              .arg(span.size())
                              .arg(m_records.capacity())
                              .arg(m_model->rowCount()));
    }
}

void MessagesWindow::setKindFilter(int comboIndex) {
    m_kind->setCurrentIndex(comboIndex);
}

void MessagesWindow::setLimit(int records) {
    if (static_cast<std::size_t>(records) != m_records.capacity()) {
        m_records.setCapacity(static_cast<std::size_t>(records));
        m_limit->setValue(records);
        applyFilter();
    }
}

void MessagesWindow::setTextFilter(const QString& text) {
    m_text->setText(text);
}

void MessagesWindow::applyFilter() {
    RecordFilter filter;
    if (m_kind->currentIndex() > 0) {
        filter.kind = static_cast<MessageKind>(m_kind->currentIndex() - 1);
    }
    filter.receiver = m_receiver->text();
    filter.text = m_text->text();
    m_model->setFilter(std::move(filter));
    m_table->scrollToBottom();
}

void MessagesWindow::showDetails() {
    const std::uint64_t sequence = m_model->sequenceAt(m_table->currentIndex().row());
    QString text;
    m_records.visit(sequence, [&](const MessageRecord& r) {
        text = QString::fromStdString(
            recordDetails(r, RecordTableModel::localTime(r.receivedUs).toStdString()));
    });
    m_details->setPlainText(text);
}

QString MessagesWindow::copySelection() {
    std::set<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedIndexes()) {
        rows.insert(index.row());
    }
    QStringList lines;
    for (const int row : rows) {
        lines << m_model->rowText(row);
    }
    const QString text = lines.join('\n');
    QApplication::clipboard()->setText(text);
    return text;
}

QString MessagesWindow::saveTo(const QString& path) {
    const Result<void> written = exportRecords(m_records, path.toStdString());
    return written ? QString() : QString::fromStdString(written.error().why);
}

void MessagesWindow::save() {
    const QString path = QFileDialog::getSaveFileName(this, "Save records", "messages.csv",
                                                      "CSV (*.csv);;JSON Lines (*.jsonl)");
    if (path.isEmpty()) {
        return;
    }
    const QString error = saveTo(path);
    if (!error.isEmpty()) {
        QMessageBox::warning(this, "Messages", error);
    }
}

void openMessagesWindow(CCorvaneDlg& window) {
    auto* messages = window.findChild<MessagesWindow*>("MessagesWindow");
    if (messages == nullptr) {
        messages = new MessagesWindow(window.station().sharedRecords(),
                                      window.station().sharedTally(), &window);
    }
    messages->show();
    messages->raise();
    messages->activateWindow();
}

}  // namespace corvane::ui
