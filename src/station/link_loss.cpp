#include "station/link_loss.h"

#include <cerrno>

namespace corvane {

const char* linkLossName(LinkLoss loss) {
    switch (loss) {
        case LinkLoss::None:
            return "";
        case LinkLoss::EndOfFile:
            return "end of file";
        case LinkLoss::Reset:
            return "reset";
        case LinkLoss::Overflow:
            return "overflow";
        case LinkLoss::ReadFailed:
            return "read failed";
        case LinkLoss::SendFailed:
            return "send failed";
        case LinkLoss::ClosedByScript:
            return "closed by the answer script";
        case LinkLoss::Stopped:
            return "station stopped";
    }
    return "";
}

LinkLoss lossOfReadError(int error) {
    if (error == 0) {
        return LinkLoss::EndOfFile;
    }
    return error == ECONNRESET ? LinkLoss::Reset : LinkLoss::ReadFailed;
}

}  // namespace corvane
