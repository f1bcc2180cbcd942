// The Messages window following 10,000 messages per second: the longest stall of the event loop
// (target at most 50 ms), measured as the largest gap between ticks of a 1 ms timer while a
// feeder thread appends records in batches of 100 every 10 ms, the way the worker does.
// It runs on Qt's offscreen platform unless QT_QPA_PLATFORM names another: ./bench_messages_window
// [seconds]
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "record/message_records.h"
#include "ui/messages_window.h"
#include "ui/record_table_model.h"

int main(int argc, char** argv) {
    using namespace corvane;
    // No display is needed: what is measured is the event loop, not the screen.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    auto shared = std::make_shared<MessageRecords>();
    MessageRecords& records = *shared;
    QWidget owner;
    auto* window = new ui::MessagesWindow(shared, std::make_shared<Tally>(), &owner);
    window->show();

    std::atomic<bool> stop{false};
    std::thread feeder([&] {
        std::vector<MessageRecord> batch;
        auto due = std::chrono::steady_clock::now();
        std::uint64_t n = 0;
        while (!stop.load()) {
            for (int i = 0; i < 100; ++i) {
                MessageRecord r;
                r.connection = 1 + n % 3;
                r.peer = "127.0.0.1:40123";
                r.raw = "501001 18123411300101" + std::to_string(n++ % 10) + "\x14";
                r.kind = MessageKind::Cid;
                r.description = "CID: RR=01, LLL=001, Account=1234, EventCode=130";
                r.latencyUs = 40;
                batch.push_back(std::move(r));
            }
            records.append(batch);
            due += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(due);
        }
    });

    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 worst = 0;
    qint64 opening = 0;
    QTimer probe;
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        // The first second holds the window's opening (layout, first paint): not following yet.
        if (last >= 1000) {
            worst = std::max(worst, now - last);
        } else {
            opening = std::max(opening, now - last);
        }
        last = now;
    });
    probe.start();
    QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    app.exec();
    stop = true;
    feeder.join();
    std::printf(
        "records appended: %llu, rows shown: %d, longest event-loop stall while following: %lld "
        "ms (while opening: %lld ms)\n",
        static_cast<unsigned long long>(records.span().next - 1), window->model().rowCount(),
        static_cast<long long>(worst), static_cast<long long>(opening));
    return worst <= 50 ? 0 : 1;
}
