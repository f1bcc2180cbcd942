#include "link/unfinished_message.h"

#include "platform/quillet.h"

namespace corvane {

void noteUnfinishedMessage(ActivityLog& log, const std::string& peer,
                           const FrameReader::Unfinished& left) {
    if (left.size == 0) {
        return;
    }
    QUILLET(2, "FrameReader::finish",
            "unfinished message from %s dropped at close: %zu byte(s): %s%s", peer.c_str(),
            left.size, FrameReader::hexBytes(left.head).c_str(),
            left.size > left.head.size() ? " ..." : "");
    log.appendLogLine(ActivityLog::getTimeStamp(),
                      "  -  Unfinished message dropped at close: " + std::to_string(left.size) +
                          " byte(s) from " + peer + "\r\n");
    log.updateLogView();
}

}  // namespace corvane
