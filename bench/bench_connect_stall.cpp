// The main window while its client link cannot reach the receiver: the longest stall of the event
// loop (target at most 50 ms), measured as the largest gap between ticks of a 1 ms timer, during
// the operator's own Connect to a receiver that never answers and then 10 failed reconnect tries
// ("reconnect every 1 s", each try given up after the connect time-out). The receiver is a
// listener whose accept queue is full, so every SYN goes unanswered, as with a blackholed address.
// It runs on Qt's offscreen platform unless QT_QPA_PLATFORM names another:
// ./bench_connect_stall [connect time-out ms]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "temporary_state_dir.h"
#include "ui/control_ids.h"
#include "ui/corvane_dlg.h"

namespace {

// Listens on 127.0.0.1 with its queue filled: further connects neither succeed nor fail.
class SilentReceiver {
  public:
    SilentReceiver() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listen, 0);
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        for (int& filler : m_fillers) {
            filler = ::socket(AF_INET, SOCK_STREAM, 0);
            ::fcntl(filler, F_SETFL, O_NONBLOCK);
            ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
        }
    }
    ~SilentReceiver() {
        for (const int filler : m_fillers) {
            ::close(filler);
        }
        ::close(m_listen);
    }
    SilentReceiver(const SilentReceiver&) = delete;
    SilentReceiver& operator=(const SilentReceiver&) = delete;

    int port = 0;

  private:
    int m_listen = -1;
    std::array<int, 2> m_fillers{-1, -1};
};

int countOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace corvane;
    const TemporaryStateDir stateDir;  // its failed connects are logged, not into the user's log
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const int timeoutMs = argc > 1 ? std::atoi(argv[1]) : 5000;
    constexpr int kTries = 10;

    CCorvaneDlg dlg;
    QStringList prompts;
    dlg.setPrompt([&prompts](const QString& text) { prompts.append(text); });
    dlg.initialise([] { return std::optional<QString>(QStringLiteral("Sur-Gard")); });
    dlg.station().m_timeouts.connect = std::chrono::milliseconds(timeoutMs);
    dlg.station().m_reconnectSeconds = 1;
    dlg.show();
    auto* connect = qobject_cast<QPushButton*>(dlg.control(kConnectButton));
    auto* port = qobject_cast<QLineEdit*>(dlg.control(kPortEdit));

    SilentReceiver silent;
    QTcpServer receiver;
    receiver.listen(QHostAddress::LocalHost, 0);
    QTcpSocket* peer = nullptr;
    QObject::connect(&receiver, &QTcpServer::newConnection, [&] {
        // Connected: the receiver goes away and stops answering; reconnect tries begin.
        peer = receiver.nextPendingConnection();
        dlg.station().m_port = silent.port;
        peer->abort();
    });

    QElapsedTimer clock;
    clock.start();
    qint64 last = -1;
    qint64 worst = 0;
    int phase = 0;  // 0: the operator's Connect, 1: connected once, then reconnect tries
    QTimer probe;
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (last >= 0) {
            worst = std::max(worst, now - last);
        }
        last = now;
        const std::string log = dlg.core().log().logText();
        if (phase == 0 && !prompts.isEmpty()) {
            // The failure box came once the attempt was over; now a receiver that answers.
            phase = 1;
            port->setText(QString::number(receiver.serverPort()));
            connect->click();
        } else if (phase == 1 && countOf(log, "Reconnect failed") >= kTries) {
            app.quit();
        }
    });
    port->setText(QString::number(silent.port));
    probe.start();
    QTimer::singleShot(0, connect, &QPushButton::click);
    QTimer::singleShot((kTries + 2) * (timeoutMs + 1500) + 5000, &app, &QApplication::quit);
    app.exec();

    const int failed = countOf(dlg.core().log().logText(), "Reconnect failed");
    const bool boxShown = !prompts.isEmpty() && prompts.front().startsWith(
                                                    "Connect failed, please check the parameters!");
    std::printf(
        "connect time-out %d ms: failure box %s, reconnect tries failed: %d, longest event-loop "
        "stall: %lld ms (%.1f s)\n",
        timeoutMs, boxShown ? "shown" : "MISSING", failed, static_cast<long long>(worst),
        static_cast<double>(clock.elapsed()) / 1000.0);
    return worst <= 50 && boxShown && failed >= kTries ? 0 : 1;
}
