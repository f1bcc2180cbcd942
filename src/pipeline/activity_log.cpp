// placeholder: to be written
#include "station/station.h"

namespace corvane {
std::string Station::getTimeStamp() { return {}; }
void Station::appendLogLine(std::string_view, std::string_view) {}
void Station::updateLogView() {}
std::string Station::logText() const { return {}; }
void Station::setLogText(std::string) {}
std::string Station::logViewText() const { return {}; }
int Station::logLineCount() const { return 1; }
}  // namespace corvane
