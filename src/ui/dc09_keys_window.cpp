#include "ui/dc09_keys_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/corvane_dlg.h"
#include "ui/tool_windows.h"

namespace corvane::ui {

namespace {

constexpr const char* kObjectName = "dc09KeysWindow";
constexpr int kMaxWindowSeconds = 24 * 3600;

// What the table shows of a key when the operator asks to see it: the form it was read in.
QString keyText(const dc09::Key& key) {
    const QByteArray bytes(reinterpret_cast<const char*>(key.data()),
                           static_cast<qsizetype>(key.size()));
    return key.form() == dc09::Key::Form::Hex ? QString::fromLatin1(bytes.toHex().toUpper())
                                              : QString::fromLatin1(bytes);
}

}  // namespace

Dc09KeysWindow::Dc09KeysWindow(CCorvaneDlg& main)
    : QWidget(&main, Qt::Window),
      m_main(main),
      m_refuse([this](const QString& text) { QMessageBox::warning(this, "DC-09 Keys", text); }),
      m_table(new QTableWidget(0, 3, this)),
      m_account(new QLineEdit(this)),
      m_key(new QLineEdit(this)),
      m_showKeys(new QCheckBox("Show &keys", this)),
      m_undecryptable(new QComboBox(this)),
      m_windowOn(new QCheckBox("&Time stamp window: NAK frames stamped outside it", this)),
      m_past(new QSpinBox(this)),
      m_future(new QSpinBox(this)),
      m_words(new QCheckBox("DC-09 answer &words (NACK frames become NAK with the time)", this)) {
    setObjectName(kObjectName);
    setWindowTitle("DC-09 Keys");
    m_table->setHorizontalHeaderLabels({"Account", "Key", "Read as"});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_account->setPlaceholderText("account or *");
    m_account->setMinimumWidth(m_account->fontMetrics().horizontalAdvance("0123456789ABCDEF") + 16);
    m_key->setPlaceholderText("32/48/64 hex digits, or 16/24/32 characters");
    m_key->setEchoMode(QLineEdit::Password);
    m_key->setMinimumWidth(m_key->fontMetrics().horizontalAdvance(m_key->placeholderText()) + 16);

    auto* add = new QPushButton("&Add", this);
    auto* remove = new QPushButton("&Remove", this);
    auto* load = new QPushButton("&Load...", this);
    for (QPushButton* button : {add, remove, load}) {
        button->setAutoDefault(false);
    }
    m_table->setToolTip("The keys in force, one per account; * serves every other account");
    m_account->setToolTip("The frame's account (# field), 1 to 16 hexadecimal digits, or *");
    m_key->setToolTip(
        "AES-128, -192 or -256: 32, 48 or 64 hexadecimal digits, or 16, 24 or 32 "
        "characters of text (text: in front forces text)");
    add->setToolTip("Adds the key for the account, or replaces the one it had");
    remove->setToolTip("Removes the selected key");
    load->setToolTip(
        "Replaces the table with a keys file: one account,key a line; # starts a "
        "comment");
    m_showKeys->setToolTip("Shows the keys in the table as they were typed");
    m_undecryptable->setToolTip(
        "The answer to a frame without a key for its account, or whose "
        "decryption makes no sense");
    m_windowOn->setToolTip(
        "A frame whose time stamp lies outside the window gets NAK with the "
        "current time, whatever the policy");
    m_past->setToolTip("How far in the past a frame's time stamp may lie");
    m_future->setToolTip("How far in the future a frame's time stamp may lie");
    m_words->setToolTip("Answers NAK with the current time stamp where a NACK frame would go");
    auto* entry = new QHBoxLayout;
    entry->addWidget(m_account);
    entry->addWidget(m_key, 1);
    entry->addWidget(add);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(remove);
    buttons->addWidget(load);
    buttons->addStretch();
    buttons->addWidget(m_showKeys);

    m_undecryptable->addItems({"Plain ACK/NACK as the policy says", "DUH", "NAK", "No answer"});
    for (QSpinBox* bound : {m_past, m_future}) {
        bound->setRange(0, kMaxWindowSeconds);
        bound->setSuffix(" s");
    }
    auto* settings = new QFormLayout;
    settings->addRow("Frames that cannot be &decrypted:", m_undecryptable);
    settings->addRow(m_windowOn);
    settings->addRow("In the &past:", m_past);
    settings->addRow("In the &future:", m_future);
    settings->addRow(m_words);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(entry);
    layout->addLayout(buttons);
    layout->addLayout(settings);

    auto* closeKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(closeKey, &QShortcut::activated, this, &QWidget::close);
    connect(add, &QPushButton::clicked, this, [this] { addTypedKey(); });
    connect(m_key, &QLineEdit::returnPressed, this, [this] { addTypedKey(); });
    connect(remove, &QPushButton::clicked, this, [this] { removeSelected(); });
    connect(load, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, "Load DC-09 keys");
        if (!path.isEmpty()) {
            loadFile(path);
        }
    });
    connect(m_showKeys, &QCheckBox::toggled, this, [this] { showTable(); });
    connect(m_undecryptable, &QComboBox::currentIndexChanged, this, [this] { apply(); });
    for (QCheckBox* box : {m_windowOn, m_words}) {
        connect(box, &QCheckBox::toggled, this, [this] { apply(); });
    }
    for (QSpinBox* bound : {m_past, m_future}) {
        connect(bound, &QSpinBox::valueChanged, this, [this] { apply(); });
    }
    resize(sizeHint().expandedTo(
        QSize(fontMetrics().averageCharWidth() * 80, fontMetrics().height() * 28)));
    showSettingsInForce();
}

void Dc09KeysWindow::addTypedKey() {
    const std::string account = m_account->text().trimmed().toStdString();
    if (!dc09::KeyTable::validAccount(account)) {
        m_refuse("The account is 1 to 16 hexadecimal digits, or * for any other account.");
        return;
    }
    const Result<dc09::Key> key = dc09::readKey(m_key->text().toStdString());
    if (!key) {
        m_refuse(QString::fromStdString(key.error().why));
        return;
    }
    m_keys.set(account, *key);
    m_key->clear();
    m_account->clear();
    showTable();
    apply();
}

void Dc09KeysWindow::removeSelected() {
    const int row = m_table->currentRow();
    if (row < 0) {
        return;
    }
    m_keys.remove(m_table->item(row, 0)->text().toStdString());
    showTable();
    apply();
}

void Dc09KeysWindow::loadFile(const QString& path) {
    Result<dc09::KeyTable> keys = dc09::readKeyFile(path.toStdString());
    if (!keys) {
        m_refuse(QString::fromStdString(keys.error().why));
        return;
    }
    m_keys = std::move(*keys);
    showTable();
    apply();
}

void Dc09KeysWindow::showTable() {
    m_table->setRowCount(static_cast<int>(m_keys.size()));
    int row = 0;
    for (const auto& [account, key] : m_keys.entries()) {
        const QString shown =
            m_showKeys->isChecked() ? keyText(key) : QString(static_cast<qsizetype>(8), QChar('*'));
        m_table->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(account)));
        m_table->setItem(row, 1, new QTableWidgetItem(shown));
        m_table->setItem(row, 2, new QTableWidgetItem(QString::fromStdString(key.describe())));
        ++row;
    }
}

void Dc09KeysWindow::showSettingsInForce() {
    const std::shared_ptr<const Dc09Config> now = m_main.station().dc09().current();
    m_keys = now->keys;
    showTable();
    const QSignalBlocker blockChoice(m_undecryptable);
    const QSignalBlocker blockWindow(m_windowOn);
    const QSignalBlocker blockPast(m_past);
    const QSignalBlocker blockFuture(m_future);
    const QSignalBlocker blockWords(m_words);
    m_undecryptable->setCurrentIndex(static_cast<int>(now->undecryptable));
    m_windowOn->setChecked(now->timeWindowOn);
    m_past->setValue(now->timeWindow.pastSeconds);
    m_future->setValue(now->timeWindow.futureSeconds);
    m_words->setChecked(now->dc09Words);
}

void Dc09KeysWindow::apply() {
    Dc09Config config;
    config.keys = m_keys;
    config.undecryptable = static_cast<UndecryptableAnswer>(m_undecryptable->currentIndex());
    config.timeWindowOn = m_windowOn->isChecked();
    config.timeWindow = {m_past->value(), m_future->value()};
    config.dc09Words = m_words->isChecked();
    m_main.station().dc09().replace(std::move(config));
}

void openDc09KeysWindow(CCorvaneDlg& window) {
    auto* keys = window.findChild<Dc09KeysWindow*>(kObjectName);
    if (keys == nullptr) {
        keys = new Dc09KeysWindow(window);
    }
    showToolWindow(*keys);
}

}  // namespace corvane::ui
