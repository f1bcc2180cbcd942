// The diagnostic log: printf-style entries to a rotating spdlog file and, for tests, to a sink.
#include "platform/quillet.h"

#include <spdlog/async.h>
#include <spdlog/async_logger.h>
#include <spdlog/logger.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/sinks/sink.h>
#include <spdlog/spdlog.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/quillet_dir.h"

namespace {

constexpr std::size_t kStackTextSize = 1024;  // most entries fit: no heap on the hot path
constexpr std::size_t kFileBytes = 5 * 1024 * 1024;
constexpr std::size_t kOldFiles = 2;  // with the current one: three files of 5 MiB
constexpr auto kFlushInterval = std::chrono::seconds(1);
// Entries waiting for the log's writing thread; past this the oldest give way.
constexpr std::size_t kAsyncQueueEntries = 8192;
// How long quillet_flush waits for the writing thread to catch up.
constexpr auto kDrainLimit = std::chrono::seconds(2);

int lowestLevelFromEnvironment() {
    const char* verbose = std::getenv("CORVANE_VERBOSE");
    return verbose != nullptr && *verbose != '\0' && *verbose != '0'
               ? kQuilletDefaultLowestLevel - 1
               : kQuilletDefaultLowestLevel;
}

// The file as the log's writing thread sees it: counts what it has written, so a flush can wait
// for an entry the thread has taken off its queue but not yet written.
class CountedSink final : public spdlog::sinks::sink {
  public:
    explicit CountedSink(std::shared_ptr<spdlog::sinks::sink> target)
        : target_(std::move(target)) {}
    void log(const spdlog::details::log_msg& msg) override {
        target_->log(msg);
        written_.fetch_add(1, std::memory_order_release);
    }
    void flush() override { target_->flush(); }
    void set_pattern(const std::string& pattern) override { target_->set_pattern(pattern); }
    void set_formatter(std::unique_ptr<spdlog::formatter> formatter) override {
        target_->set_formatter(std::move(formatter));
    }
    std::uint64_t written() const { return written_.load(std::memory_order_acquire); }

  private:
    std::shared_ptr<spdlog::sinks::sink> target_;
    std::atomic<std::uint64_t> written_{0};
};

struct LogState {
    // The file, opened on first use. `ready` publishes `logger` and `directory`.
    std::mutex openMutex;
    std::atomic<bool> ready{false};
    std::shared_ptr<spdlog::logger> logger;  // null when the file could not be opened
    // The same file through the log's writing thread (null with `logger`).
    std::shared_ptr<spdlog::details::thread_pool> pool;
    std::shared_ptr<spdlog::async_logger> asyncLogger;
    std::shared_ptr<CountedSink> asyncSink;
    std::atomic<std::uint64_t> asyncPosted{0};
    std::string directory;
    std::atomic<bool> fileEnabled{true};
    std::atomic<int> lowestLevel{lowestLevelFromEnvironment()};

    // The periodic flush: a thread of its own, so its interval can be shortened for tests.
    std::mutex flushMutex;
    std::condition_variable flushChanged;
    std::chrono::milliseconds flushInterval{kFlushInterval};  // guarded by flushMutex
    std::thread flusher;

    // The test sink. Entries are handed over under a shared lock and replacing the sink takes
    // the exclusive lock, so once quillet_setSink returns the old sink is never called again.
    std::shared_mutex sinkMutex;
    QuilletSink sink;
    std::atomic<bool> sinkSet{false};
};

// Never destroyed: worker threads may still write while static objects go away at exit.
LogState& state() {
    static LogState* const s = new LogState;
    return *s;
}

std::string directoryFromEnvironment() {
    return quillet_detail::logDirectoryFor(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
}

void flushPeriodically(LogState& s) {
    std::unique_lock lock(s.flushMutex);
    for (;;) {
        const auto interval = s.flushInterval;
        if (s.flushChanged.wait_for(lock, interval, [&] { return s.flushInterval != interval; })) {
            continue;  // a new interval: start waiting afresh
        }
        s.asyncLogger->flush();
        s.logger->flush();
    }
}

template <class Logger>
void setUp(Logger& logger) {
    logger.set_pattern("%Y-%m-%d %H:%M:%S.%e %v");
    logger.set_level(spdlog::level::trace);
    // Failures reach the disk at once; everything else is flushed every second (flushing each
    // line would cost more than the decoder's whole message rate allows).
    logger.flush_on(spdlog::level::err);
    logger.set_error_handler([](const std::string&) {});  // a full disk must stay silent
}

// Opens the file and both loggers over it; leaves them null when there is no place for it (the
// log then goes to the sink only).
void openFile(LogState& s) {
    if (s.directory.empty()) {
        return;
    }
    std::error_code ec;
    std::filesystem::create_directories(s.directory, ec);
    if (ec) {
        return;
    }
    try {
        auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(
            s.directory + "/corvane.log", kFileBytes, kOldFiles);
        auto logger = std::make_shared<spdlog::logger>("corvane", sink);
        setUp(*logger);
        s.pool = std::make_shared<spdlog::details::thread_pool>(kAsyncQueueEntries, 1);
        s.asyncSink = std::make_shared<CountedSink>(std::move(sink));
        s.asyncLogger = std::make_shared<spdlog::async_logger>(
            "corvane-async", s.asyncSink, s.pool, spdlog::async_overflow_policy::overrun_oldest);
        setUp(*s.asyncLogger);
        s.logger = std::move(logger);
        // Never joined: it lives as long as the process, like the state it flushes.
        s.flusher = std::thread([&s] { flushPeriodically(s); });
        s.flusher.detach();
    } catch (...) {
        s.logger = nullptr;
        s.asyncLogger = nullptr;
        s.asyncSink = nullptr;
    }
}

spdlog::logger* fileLogger() {
    LogState& s = state();
    if (!s.ready.load(std::memory_order_acquire)) {
        std::lock_guard lock(s.openMutex);
        if (!s.ready.load(std::memory_order_relaxed)) {
            s.directory = directoryFromEnvironment();
            openFile(s);
            s.ready.store(true, std::memory_order_release);
        }
    }
    return s.logger.get();
}

spdlog::level::level_enum spdlogLevel(int level) {
    if (level >= 5) {
        return spdlog::level::err;
    }
    if (level == 4) {
        return spdlog::level::warn;
    }
    return level >= 2 ? spdlog::level::info : spdlog::level::debug;
}

// `line` is "L<level> " followed by the entry's text, which starts at `textStart`.
void deliver(int level, std::string_view line, std::size_t textStart, bool async) {
    LogState& s = state();
    if (s.fileEnabled.load(std::memory_order_relaxed)) {
        if (spdlog::logger* logger = fileLogger()) {
            spdlog::logger* const target = async ? s.asyncLogger.get() : logger;
            if (async) {
                s.asyncPosted.fetch_add(1, std::memory_order_relaxed);
            }
            target->log(spdlog::source_loc{}, spdlogLevel(level),
                        spdlog::string_view_t(line.data(), line.size()));
        }
    }
    if (s.sinkSet.load(std::memory_order_acquire)) {
        std::shared_lock lock(s.sinkMutex);
        if (s.sink) {
            s.sink(level, line.substr(textStart));
        }
    }
}

struct ArgsCopy {
    va_list args;
    ~ArgsCopy() { va_end(args); }
};

int writeEntry(int level, const char* format, va_list args, bool async) {
    char stackText[kStackTextSize];
    const int prefix = std::snprintf(stackText, sizeof stackText, "L%d ", level);
    if (prefix < 0) {
        return -1;
    }
    const auto textStart = static_cast<std::size_t>(prefix);
    // The arguments may be read twice: once to measure, once more when the text is long.
    ArgsCopy again;
    va_copy(again.args, args);
    const int length =
        std::vsnprintf(stackText + textStart, sizeof stackText - textStart, format, args);
    if (length < 0) {
        return -1;
    }
    const std::size_t total = textStart + static_cast<std::size_t>(length);
    if (total < sizeof stackText) {
        deliver(level, std::string_view(stackText, total), textStart, async);
        return 0;
    }
    std::string longText(total, '\0');
    std::memcpy(longText.data(), stackText, textStart);
    // The string's terminating null gives vsnprintf the room for its own.
    if (std::vsnprintf(longText.data() + textStart, static_cast<std::size_t>(length) + 1, format,
                       again.args) != length) {
        return -1;
    }
    deliver(level, longText, textStart, async);
    return 0;
}

int writeEntryCaught(int level, const char* format, va_list args, bool async) {
    if (format == nullptr) {
        return -1;
    }
    if (level < state().lowestLevel.load(std::memory_order_relaxed)) {
        return 0;
    }
    try {
        return writeEntry(level, format, args, async);
    } catch (...) {  // no memory for a huge entry, or a sink that threw: the caller goes on
        return -1;
    }
}

}  // namespace

int quillet_write(int level, const char* /*tag*/, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = writeEntryCaught(level, format, args, false);
    va_end(args);
    return result;
}

int quillet_writeAsync(int level, const char* /*tag*/, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = writeEntryCaught(level, format, args, true);
    va_end(args);
    return result;
}

void quillet_setLowestLevel(int level) {
    state().lowestLevel.store(level, std::memory_order_relaxed);
}

int quillet_lowestLevel() {
    return state().lowestLevel.load(std::memory_order_relaxed);
}

void quillet_setFlushInterval(std::chrono::milliseconds interval) {
    LogState& s = state();
    {
        std::lock_guard lock(s.flushMutex);
        s.flushInterval = interval;
    }
    s.flushChanged.notify_all();
}

std::string quillet_logDirectory() {
    LogState& s = state();
    std::lock_guard lock(s.openMutex);
    return s.ready.load(std::memory_order_relaxed) ? s.directory : directoryFromEnvironment();
}

void quillet_setSink(QuilletSink sink) {
    LogState& s = state();
    QuilletSink old;
    {
        std::unique_lock lock(s.sinkMutex);  // waits for entries still in the old sink
        old = std::exchange(s.sink, std::move(sink));
        s.sinkSet.store(static_cast<bool>(s.sink), std::memory_order_release);
    }
}

void quillet_setFileEnabled(bool enabled) {
    state().fileEnabled.store(enabled, std::memory_order_relaxed);
}

void quillet_flush() {
    LogState& s = state();
    if (!s.ready.load(std::memory_order_acquire) || !s.logger) {
        return;
    }
    // The writing thread first writes what was handed to it before this call (entries that gave
    // way to newer ones count as done); then the file reaches the disk.
    const std::uint64_t posted = s.asyncPosted.load(std::memory_order_relaxed);
    const auto limit = std::chrono::steady_clock::now() + kDrainLimit;
    while (s.asyncSink->written() + s.pool->overrun_counter() < posted &&
           std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    s.asyncLogger->flush();
    s.logger->flush();
}
