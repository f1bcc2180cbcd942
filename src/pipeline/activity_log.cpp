#include "pipeline/activity_log.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <utility>

#include "pipeline/line_breaks.h"

namespace corvane {

namespace {

// Keeps what the latest refresh showed before the log text is emptied or replaced: when the view
// is a prefix of the log, the old text moves into the frozen view (a swap, no copy). Afterwards
// `logText` holds a spare buffer for the caller to clear or overwrite.
void keepShownView(std::string& logText, std::string& frozenViewText, bool& viewFromFrozen,
                   std::size_t viewLength) {
    if (!viewFromFrozen) {
        if (viewLength > 0) {  // an empty view needs no text behind it
            frozenViewText.swap(logText);
        }
        viewFromFrozen = true;
    }
}

}  // namespace

ActivityLog::ActivityLog(const Settings& settings, WindowSlot& window)
    : m_settings(settings), m_window(window) {}

std::string ActivityLog::getTimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[96];
    std::snprintf(text, sizeof text, "%4d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

void ActivityLog::appendLogLine(std::string_view timeText, std::string_view rest) {
    std::lock_guard lock(m_logMutex);
    const std::size_t start = m_logText.size();
    const char before = start > 0 ? m_logText.back() : '\0';
    m_logText.append(timeText);
    m_logText.append(rest);
    // Count only the new bytes (and a CR LF split at the seam): the log is never rescanned.
    m_logLineBreaks += countLineBreaks(std::string_view(m_logText).substr(start), before);
    if (LogListener* listener = m_listener.load()) {
        listener->logLineAppended(timeText, rest);
    }
}

void ActivityLog::updateLogView() {
    const int limit = m_settings.m_linesToSave.load();
    {
        std::lock_guard lock(m_logMutex);
        const bool full = m_logLineBreaks + 1 >= limit;
        if (m_settings.m_showLog.load() == 0) {
            // The box stays as it is. The hidden text can never be shown (the next save transfer
            // replaces it with the box's content), so it obeys the same limit instead of growing
            // for as long as the link runs.
            if (full) {
                keepShownView(m_logText, m_frozenViewText, m_viewFromFrozen, m_viewLength);
                m_logText.clear();
                m_logLineBreaks = 0;
            }
            return;
        }
        if (full) {
            // The box keeps showing these lines; the next line starts a fresh log. The spare
            // buffer that comes back keeps its capacity for the new log.
            m_frozenViewText.swap(m_logText);
            m_logText.clear();
            m_logLineBreaks = 0;
            m_viewFromFrozen = true;
            m_viewLength = m_frozenViewText.size();
        } else {
            // Lines are only ever appended, so the shown text stays a prefix of the log.
            m_viewFromFrozen = false;
            m_viewLength = m_logText.size();
        }
    }
    m_window->refreshLogView();
}

void ActivityLog::logEvent(std::string_view rest) {
    appendLogLine(getTimeStamp(), rest);
    updateLogView();
}

std::string ActivityLog::logText() const {
    std::lock_guard lock(m_logMutex);
    return m_logText;
}

void ActivityLog::setLogText(std::string text) {
    std::lock_guard lock(m_logMutex);
    keepShownView(m_logText, m_frozenViewText, m_viewFromFrozen, m_viewLength);
    m_logText = std::move(text);
    m_logLineBreaks = countLineBreaks(m_logText, '\0');
}

std::string ActivityLog::logViewText() const {
    std::lock_guard lock(m_logMutex);
    const std::string& source = m_viewFromFrozen ? m_frozenViewText : m_logText;
    return source.substr(0, std::min(m_viewLength, source.size()));
}

int ActivityLog::logLineCount() const {
    std::lock_guard lock(m_logMutex);
    return m_logLineBreaks + 1;
}

}  // namespace corvane
