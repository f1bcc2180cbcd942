// The diagnostic log: printf-style entries to a rotating spdlog file and, for tests, to a sink.
#include "platform/quillet.h"

#include <spdlog/logger.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/spdlog.h>

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <system_error>
#include <utility>

#include "platform/quillet_dir.h"

namespace {

constexpr std::size_t kStackTextSize = 1024;  // most entries fit: no heap on the hot path
constexpr std::size_t kFileBytes = 5 * 1024 * 1024;
constexpr std::size_t kOldFiles = 2;  // with the current one: three files of 5 MiB
constexpr auto kFlushInterval = std::chrono::seconds(1);

struct LogState {
    // The file, opened on first use. `ready` publishes `logger` and `directory`.
    std::mutex openMutex;
    std::atomic<bool> ready{false};
    std::shared_ptr<spdlog::logger> logger;  // null when the file could not be opened
    std::string directory;
    std::atomic<bool> fileEnabled{true};

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

std::shared_ptr<spdlog::logger> openFile(const std::string& directory) {
    if (directory.empty()) {
        return nullptr;
    }
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    if (ec) {
        return nullptr;  // no place for the file: log to the sink only
    }
    try {
        auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(
            directory + "/corvane.log", kFileBytes, kOldFiles);
        auto logger = std::make_shared<spdlog::logger>("corvane", std::move(sink));
        logger->set_pattern("%Y-%m-%d %H:%M:%S.%e %v");
        logger->set_level(spdlog::level::trace);
        // Failures reach the disk at once; everything else is flushed every second (flushing
        // each line would cost more than the decoder's whole message rate allows).
        logger->flush_on(spdlog::level::err);
        logger->set_error_handler([](const std::string&) {});  // a full disk must stay silent
        try {
            spdlog::register_logger(logger);
            spdlog::flush_every(kFlushInterval);
        } catch (const spdlog::spdlog_ex&) {
            // The name is taken: the file still works, flushed by level and by quillet_flush.
        }
        return logger;
    } catch (...) {
        return nullptr;
    }
}

spdlog::logger* fileLogger() {
    LogState& s = state();
    if (!s.ready.load(std::memory_order_acquire)) {
        std::lock_guard lock(s.openMutex);
        if (!s.ready.load(std::memory_order_relaxed)) {
            s.directory = directoryFromEnvironment();
            s.logger = openFile(s.directory);
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
void deliver(int level, std::string_view line, std::size_t textStart) {
    LogState& s = state();
    if (s.fileEnabled.load(std::memory_order_relaxed)) {
        if (spdlog::logger* logger = fileLogger()) {
            logger->log(spdlog::source_loc{}, spdlogLevel(level),
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

int writeEntry(int level, const char* format, va_list args) {
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
        deliver(level, std::string_view(stackText, total), textStart);
        return 0;
    }
    std::string longText(total, '\0');
    std::memcpy(longText.data(), stackText, textStart);
    // The string's terminating null gives vsnprintf the room for its own.
    if (std::vsnprintf(longText.data() + textStart, static_cast<std::size_t>(length) + 1, format,
                       again.args) != length) {
        return -1;
    }
    deliver(level, longText, textStart);
    return 0;
}

}  // namespace

int quillet_write(int level, const char* /*tag*/, const char* format, ...) {
    if (format == nullptr) {
        return -1;
    }
    va_list args;
    va_start(args, format);
    int result = -1;
    try {
        result = writeEntry(level, format, args);
    } catch (...) {  // no memory for a huge entry, or a sink that threw: the caller goes on
        result = -1;
    }
    va_end(args);
    return result;
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
    if (s.ready.load(std::memory_order_acquire) && s.logger) {
        s.logger->flush();
    }
}
