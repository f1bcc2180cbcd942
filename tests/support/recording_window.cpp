#include "support/recording_window.h"

#include <array>

namespace corvane::test {

std::string reportText(const LinkReport& report) {
    static constexpr std::array kStates = {"Idle", "Starting", "Listening", "Connected", "Stopped"};
    static constexpr std::array kCauses = {"", " Operator", " TimeOut", " LinkLost"};
    return std::string(kStates[static_cast<std::size_t>(report.state)]) + " " +
           std::string(linkModeName(report.mode)) +
           kCauses[static_cast<std::size_t>(report.cause)] + (report.receiverLeft ? " left" : "");
}

void RecordingWindow::record(std::string event) {
    m_events.push_back(std::move(event));
    m_changed.notify_all();
}

void RecordingWindow::linkChanged(const LinkReport& report) {
    std::lock_guard lock(m_mutex);
    m_reports.push_back(report);
    record("link " + reportText(report));
}

void RecordingWindow::refreshLogView() {
    std::string view = m_log != nullptr ? m_log->logViewText() : std::string();
    std::lock_guard lock(m_mutex);
    ++m_refreshes;
    if (m_log != nullptr) {
        m_viewTexts.push_back(std::move(view));
    }
    record("refresh");
}

void RecordingWindow::showCounts(const Counts& counts) {
    std::lock_guard lock(m_mutex);
    m_counts.push_back(counts);
    record("counts");
}

void RecordingWindow::startFailed(LinkMode mode, const Failure& why) {
    std::lock_guard lock(m_mutex);
    m_failures.emplace_back(mode, why);
    record("failed " + why.text());
}

bool RecordingWindow::saveTransfer() {
    std::function<bool()> handler;
    {
        std::lock_guard lock(m_mutex);
        handler = m_saveTransfer;
        record("save");
    }
    return handler ? handler() : true;
}

void RecordingWindow::onSaveTransfer(std::function<bool()> handler) {
    std::lock_guard lock(m_mutex);
    m_saveTransfer = std::move(handler);
}

std::vector<LinkReport> RecordingWindow::reports() const {
    std::lock_guard lock(m_mutex);
    return m_reports;
}

LinkReport RecordingWindow::lastReport() const {
    std::lock_guard lock(m_mutex);
    return m_reports.empty() ? LinkReport{} : m_reports.back();
}

std::vector<std::pair<LinkMode, Failure>> RecordingWindow::failures() const {
    std::lock_guard lock(m_mutex);
    return m_failures;
}

std::vector<Counts> RecordingWindow::shownCounts() const {
    std::lock_guard lock(m_mutex);
    return m_counts;
}

std::vector<std::string> RecordingWindow::events() const {
    std::lock_guard lock(m_mutex);
    return m_events;
}

void RecordingWindow::requestLinkCheck() {
    {
        std::lock_guard lock(m_mutex);
        ++m_linkChecks;
    }
    m_changed.notify_all();
}

int RecordingWindow::linkCheckRequests() const {
    std::lock_guard lock(m_mutex);
    return m_linkChecks;
}

int RecordingWindow::refreshCount() const {
    std::lock_guard lock(m_mutex);
    return m_refreshes;
}

std::string RecordingWindow::lastViewText() const {
    std::lock_guard lock(m_mutex);
    return m_viewTexts.empty() ? std::string() : m_viewTexts.back();
}

std::vector<std::string> RecordingWindow::viewTexts() const {
    std::lock_guard lock(m_mutex);
    return m_viewTexts;
}

bool RecordingWindow::waitFor(const std::function<bool()>& condition,
                              std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(m_mutex);
    while (true) {
        lock.unlock();
        if (condition()) {
            return true;
        }
        lock.lock();
        if (m_changed.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() +
                                                              std::chrono::milliseconds(20))) ==
                std::cv_status::timeout &&
            std::chrono::steady_clock::now() >= deadline) {
            lock.unlock();
            return condition();
        }
    }
}

}  // namespace corvane::test
