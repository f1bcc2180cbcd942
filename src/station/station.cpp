#include "station/station.h"

#include <utility>

#include "record/message_records.h"

namespace corvane {

Station::Station(Window* window)
    : m_records(std::make_shared<MessageRecords>()),
      m_window(window != nullptr ? window : &m_nullWindow) {}

Station::~Station() {
    // Workers hold a pointer to this record: they must all have ended before it goes away.
    setWindow(nullptr);
    shutdownLink();
    Vexo_SemDestroy(&m_acceptSem);
}

void Station::setWindow(Window* window) {
    m_window = window != nullptr ? window : &m_nullWindow;
}

std::string Station::customResponse() const {
    std::lock_guard lock(m_settingsMutex);
    return m_customResponse;
}

void Station::setCustomResponse(std::string text) {
    std::lock_guard lock(m_settingsMutex);
    m_customResponse = std::move(text);
}

std::string Station::receiverType() const {
    std::lock_guard lock(m_settingsMutex);
    return m_receiverType;
}

void Station::setReceiverType(std::string type) {
    std::lock_guard lock(m_settingsMutex);
    m_receiverType = std::move(type);
}

}  // namespace corvane
