#include "support/recording_window.h"

#include <utility>

namespace corvane::test {

void RecordingWindow::record(std::string event) {
    m_events.push_back(std::move(event));
    m_changed.notify_all();
}

void RecordingWindow::setControlText(int controlId, const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_texts[controlId].push_back(text);
    record("text " + std::to_string(controlId) + " " + text);
}

void RecordingWindow::enableControl(int controlId, bool enabled) {
    std::lock_guard lock(m_mutex);
    m_enabled[controlId] = enabled;
    record("enable " + std::to_string(controlId) + " " + (enabled ? "1" : "0"));
}

void RecordingWindow::refreshLogView() {
    std::string view = m_station != nullptr ? m_station->logViewText() : std::string();
    std::lock_guard lock(m_mutex);
    ++m_refreshes;
    if (m_station != nullptr) {
        m_viewTexts.push_back(std::move(view));
    }
    record("refresh");
}

void RecordingWindow::showMessageBox(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_boxes.push_back(text);
    record("box " + text);
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

std::string RecordingWindow::text(int controlId) const {
    std::lock_guard lock(m_mutex);
    auto it = m_texts.find(controlId);
    return it == m_texts.end() || it->second.empty() ? std::string() : it->second.back();
}

bool RecordingWindow::enabled(int controlId) const {
    std::lock_guard lock(m_mutex);
    auto it = m_enabled.find(controlId);
    return it == m_enabled.end() ? true : it->second;
}

std::vector<std::string> RecordingWindow::textsOf(int controlId) const {
    std::lock_guard lock(m_mutex);
    auto it = m_texts.find(controlId);
    return it == m_texts.end() ? std::vector<std::string>() : it->second;
}

std::vector<std::string> RecordingWindow::messageBoxes() const {
    std::lock_guard lock(m_mutex);
    return m_boxes;
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
