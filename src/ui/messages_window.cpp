#include "ui/messages_window.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
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
#include <algorithm>
#include <array>
#include <set>

#include "record/record_details.h"
#include "ui/corvane_dlg.h"
#include "ui/live_chart.h"
#include "ui/receivers_view.h"
#include "ui/record_saving.h"
#include "ui/record_table_model.h"
#include "ui/tool_windows.h"

namespace corvane::ui {

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

// The widest of `texts` in `metrics`.
int widest(const QFontMetrics& metrics, const QStringList& texts) {
    int width = 0;
    for (const QString& text : texts) {
        width = std::max(width, metrics.horizontalAdvance(text));
    }
    return width;
}

}  // namespace

MessagesWindow::MessagesWindow(std::shared_ptr<RecordSaving> saving, std::shared_ptr<Tally> tally,
                               QWidget* owner)
    : QWidget(owner, Qt::Window),
      m_saving(std::move(saving)),
      m_tally(std::move(tally)),
      m_records(m_saving->records()) {
    setObjectName("MessagesWindow");
    setWindowTitle("Messages");

    m_kind = new QComboBox(this);
    m_kind->addItem("All kinds");
    for (int k = 0; k < kMessageKindCount; ++k) {
        m_kind->addItem(QString::fromLatin1(messageKindName(static_cast<MessageKind>(k))));
    }
    m_kind->setToolTip("Show only the messages of one kind");
    m_receiver = new QLineEdit(this);
    m_receiver->setPlaceholderText("Receiver");
    m_receiver->setToolTip("Show only the receivers whose \"address:port #connection\" holds this");
    m_receiver->setClearButtonEnabled(true);
    m_text = new QLineEdit(this);
    m_text->setPlaceholderText("Text");
    m_text->setToolTip("Show only the messages whose text or description holds this (any case)");
    m_text->setClearButtonEnabled(true);
    m_limit = new QSpinBox(this);
    m_limit->setRange(1000, 1'000'000);
    m_limit->setSingleStep(10'000);
    m_limit->setValue(static_cast<int>(m_records.capacity()));
    m_limit->setToolTip("How many of the newest records are kept; older ones make room");
    m_memory = new QSpinBox(this);
    m_memory->setRange(static_cast<int>(MessageRecords::kMinByteLimit / kMiB), 65'536);
    m_memory->setSingleStep(64);
    m_memory->setSuffix(" MiB");
    m_memory->setValue(static_cast<int>(m_records.byteLimit() / kMiB));
    m_memory->setToolTip(
        "How much memory the records may hold, their text included; the oldest make room once "
        "either limit is reached");
    auto* copy = new QPushButton("&Copy", this);
    copy->setToolTip("Copy the selected rows as tab-separated text (Ctrl+C)");
    auto* save = new QPushButton("&Save...", this);
    save->setToolTip(
        "Write every record held to a file: CSV for a name ending in .csv, else "
        "JSON Lines");
    for (QPushButton* button : {copy, save}) {
        button->setAutoDefault(false);
    }
    auto* kindLabel = new QLabel("&Kind:", this);
    kindLabel->setBuddy(m_kind);
    auto* keepLabel = new QLabel("K&eep:", this);
    keepLabel->setBuddy(m_limit);
    auto* memoryLabel = new QLabel("&Memory:", this);
    memoryLabel->setBuddy(m_memory);
    auto* filters = new QHBoxLayout;
    filters->addWidget(kindLabel);
    filters->addWidget(m_kind);
    filters->addWidget(m_receiver, 1);
    filters->addWidget(m_text, 2);
    filters->addWidget(keepLabel);
    filters->addWidget(m_limit);
    filters->addWidget(memoryLabel);
    filters->addWidget(m_memory);
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
    sizeColumns();
    m_details = new QPlainTextEdit(this);
    m_details->setReadOnly(true);
    m_details->setFont(QFont("DejaVu Sans Mono"));
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_table);
    split->addWidget(m_details);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    m_receivers = new ReceiversView(*m_tally, this);
    m_chart = new LiveChart(*m_tally, this);
    m_tabs = new QTabWidget(this);
    m_tabs->addTab(split, "&Messages");
    m_tabs->addTab(m_receivers, "&Receivers");
    m_tabs->addTab(m_chart, "C&hart");
    m_status = new QLabel(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(m_status);
    // Wide enough for every column of a typical row, at any font and scale.
    int columns = 0;
    for (int c = 0; c < RecordTableModel::Count; ++c) {
        columns += m_table->columnWidth(c);
    }
    resize(std::max(columns + 40, sizeHint().width()), fontMetrics().height() * 40);

    m_timer = new QTimer(this);
    m_timer->setInterval(kTickMs);
    connect(m_timer, &QTimer::timeout, this, &MessagesWindow::tick);
    connect(m_kind, &QComboBox::currentIndexChanged, this, &MessagesWindow::applyFilter);
    connect(m_receiver, &QLineEdit::textChanged, this, &MessagesWindow::applyFilter);
    connect(m_text, &QLineEdit::textChanged, this, &MessagesWindow::applyFilter);
    connect(m_limit, &QSpinBox::editingFinished, this, [this] { setLimit(m_limit->value()); });
    connect(m_memory, &QSpinBox::editingFinished, this,
            [this] { setMemoryLimit(m_memory->value()); });
    connect(copy, &QPushButton::clicked, this, &MessagesWindow::copySelection);
    connect(save, &QPushButton::clicked, this, &MessagesWindow::save);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MessagesWindow::showDetails);
    auto* copyKey = new QShortcut(QKeySequence::Copy, m_table);
    connect(copyKey, &QShortcut::activated, this, &MessagesWindow::copySelection);
    auto* closeKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(closeKey, &QShortcut::activated, this, &QWidget::close);

    // Following: new rows keep the table at its bottom. The scroll range grows only once the view
    // has laid the rows out, so the table follows the range, not the moment rows were added.
    QScrollBar* bar = m_table->verticalScrollBar();
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (m_following) {
            bar->setValue(maximum);
        }
    });
    connect(bar, &QScrollBar::valueChanged, this,
            [this, bar](int value) { m_following = value == bar->maximum(); });
}

MessagesWindow::MessagesWindow(std::shared_ptr<MessageRecords> records,
                               std::shared_ptr<Tally> tally, QWidget* owner)
    : MessagesWindow(std::make_shared<RecordSaving>(std::move(records)), std::move(tally), owner) {}

void MessagesWindow::sizeColumns() {
    // From the fonts in use, so neither a header nor a typical value is cut at any scale.
    const QFontMetrics cells = m_table->fontMetrics();
    const QFontMetrics header = m_table->horizontalHeader()->fontMetrics();
    const int padding = 2 * cells.averageCharWidth() + 8;
    QStringList kinds;
    for (int k = 0; k < kMessageKindCount; ++k) {
        kinds << QString::fromLatin1(messageKindName(static_cast<MessageKind>(k)));
    }
    const auto chars = [&](int count) { return cells.averageCharWidth() * count; };
    const std::array<int, RecordTableModel::Count> content = {
        widest(cells, {"1000000"}),
        widest(cells, {"0000-00-00 00:00:00.000"}),
        widest(cells, {"255.255.255.255:65535 #999"}),
        widest(cells, kinds),
        chars(28),
        chars(32),
        widest(cells, {"CUSTOM", "NACK"}),
        widest(cells, {"9999999"}),
    };
    for (int c = 0; c < RecordTableModel::Count; ++c) {
        const QString title = m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        m_table->setColumnWidth(
            c, std::max(content[static_cast<std::size_t>(c)], header.horizontalAdvance(title)) +
                   padding);
    }
}

MessagesWindow::~MessagesWindow() {
    // The children read the records: they go first, while m_saving still holds them; the views
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
    m_model->refresh();
    if (++m_ticks % kTicksPerSecond == 0 || m_ticks == 1) {
        m_chart->sample();
        if (m_tabs->currentWidget() == m_receivers) {
            m_receivers->refresh();
        }
        const MessageRecords::Span span = m_records.span();
        const MessageRecords::Usage usage = m_records.usage();
        const QString held =
            usage.bytes < kMiB
                ? QString("%1 KiB").arg((usage.bytes + 1023) / 1024)
                : QString("%1 MiB").arg(static_cast<double>(usage.bytes) / kMiB, 0, 'f', 1);
        QString status = QString("%1 records held in %2 (newest %3 kept), %4 shown")
                             .arg(span.size())
                             .arg(held)
                             .arg(m_records.capacity())
                             .arg(m_model->rowCount());
        if (usage.dropped > 0) {
            status += QString(", %1 older dropped").arg(usage.dropped);
        }
        m_status->setText(status);
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

void MessagesWindow::setMemoryLimit(int mebibytes) {
    const std::size_t bytes = static_cast<std::size_t>(mebibytes) * kMiB;
    if (bytes != m_records.byteLimit()) {
        m_records.setByteLimit(bytes);
        m_memory->setValue(mebibytes);
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
    m_following = true;
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
    return m_saving->saveTo(path);
}

void MessagesWindow::save() {
    (void)m_saving->saveAsked(this);
}

void openMessagesWindow(CCorvaneDlg& window) {
    auto* messages = window.findChild<MessagesWindow*>("MessagesWindow");
    if (messages == nullptr) {
        messages = new MessagesWindow(window.sharedRecordSaving(), window.station().sharedTally(),
                                      &window);
    }
    showToolWindow(*messages);
}

}  // namespace corvane::ui
