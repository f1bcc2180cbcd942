#include "station_cli/terminal_log.h"

#include "pipeline/log_symbols.h"

namespace corvane::cli {

TerminalLog::TerminalLog(std::FILE* out) : m_out(out), m_writer([this] { writeLoop(); }) {}

TerminalLog::~TerminalLog() {
    finish();
}

std::string TerminalLog::textLine(std::string_view timeText, std::string_view rest) {
    std::string line;
    line.reserve(timeText.size() + rest.size() + 16);
    appendLogBytesAsUtf8(timeText, line);
    appendLogBytesAsUtf8(rest, line);
    if (line.empty() || line.back() != '\n') {
        line.push_back('\n');
    }
    return line;
}

void TerminalLog::add(std::string_view timeText, std::string_view rest) {
    std::string line;
    line.reserve(timeText.size() + rest.size());
    line.append(timeText).append(rest);
    push(std::move(line), timeText.size());
}

void TerminalLog::publish(std::string_view, std::string json) {
    json.push_back('\n');
    push(std::move(json), std::string::npos);
}

void TerminalLog::push(std::string line, std::size_t timeLength) {
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_finished || m_pendingBytes + line.size() > kPendingLimit) {
            ++m_dropped;
            return;
        }
        wake = m_pending.empty();
        m_pendingBytes += line.size();
        m_pending.push_back({std::move(line), timeLength});
    }
    if (wake) {
        m_wake.notify_one();
    }
}

void TerminalLog::finish() {
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_wake.notify_one();
    if (m_writer.joinable()) {
        m_writer.join();
    }
}

void TerminalLog::writeLoop() {
    std::vector<Line> batch;
    std::string out;
    for (;;) {
        std::uint64_t dropped = 0;
        bool last = false;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return !m_pending.empty() || m_finished; });
            batch.swap(m_pending);
            m_pendingBytes = 0;
            dropped = m_dropped;
            m_dropped = 0;
            last = m_finished;
        }
        out.clear();
        for (const Line& line : batch) {
            if (line.timeLength == std::string::npos) {
                out += line.text;
                continue;
            }
            const std::string_view time = std::string_view(line.text).substr(0, line.timeLength);
            const std::string_view rest = std::string_view(line.text).substr(line.timeLength);
            out += textLine(time, rest);
        }
        batch.clear();
        std::fwrite(out.data(), 1, out.size(), m_out);
        std::fflush(m_out);
        if (dropped > 0) {
            std::fprintf(stderr,
                         "corvane-station: %llu log lines not shown (standard output too slow)\n",
                         static_cast<unsigned long long>(dropped));
        }
        if (last) {
            return;
        }
    }
}

}  // namespace corvane::cli
