#include "support/quillet_capture.h"

#include <thread>

#include "platform/quillet.h"

namespace corvane::test {

QuilletCapture::QuilletCapture() {
    quillet_setSink([this](int level, std::string_view text) {
        std::lock_guard lock(m_mutex);
        m_entries.push_back({level, std::string(text)});
    });
}

QuilletCapture::~QuilletCapture() {
    quillet_setSink({});
}

std::vector<LogEntry> QuilletCapture::entries() const {
    std::lock_guard lock(m_mutex);
    return m_entries;
}

int QuilletCapture::count(std::string_view needle, int level) const {
    std::lock_guard lock(m_mutex);
    int n = 0;
    for (const auto& e : m_entries) {
        if ((level < 0 || e.level == level) && e.text.find(needle) != std::string::npos) {
            ++n;
        }
    }
    return n;
}

bool QuilletCapture::waitFor(std::string_view needle, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!contains(needle)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void QuilletCapture::clear() {
    std::lock_guard lock(m_mutex);
    m_entries.clear();
}

}  // namespace corvane::test
