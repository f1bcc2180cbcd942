#include "platform/quillet_dir.h"

namespace quillet_detail {

namespace {
bool isAbsolute(const char* path) {
    return path != nullptr && path[0] == '/';
}
}  // namespace

std::string logDirectoryFor(const char* xdgStateHome, const char* home) {
    // The XDG rules say a relative value is invalid and must be ignored.
    if (isAbsolute(xdgStateHome)) {
        return std::string(xdgStateHome) + "/corvane";
    }
    if (isAbsolute(home)) {
        return std::string(home) + "/.local/state/corvane";
    }
    return {};
}

}  // namespace quillet_detail
