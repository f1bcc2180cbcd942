// Containment of one decode on the msgPro worker: a decoder fault costs that message its
// description, never the worker (which would stop decoding, counting and logging for good).
#pragma once

#include <exception>
#include <string>

#include "platform/quillet.h"

namespace corvane {

// Runs `decode()`; when it throws, writes a level-2 diagnostic, empties `description` and returns
// false, so the caller still logs the message and goes on with the next one.
template <class Decode>
bool decodeContained(Decode&& decode, std::string& description) {
    try {
        decode();
        return true;
    } catch (const std::exception& error) {
        QUILLET(2, "CCorvaneDlg::processMessages", "decode failed: %s", error.what());
    } catch (...) {
        QUILLET(2, "CCorvaneDlg::processMessages", "decode failed: %s", "unknown exception");
    }
    description.clear();
    return false;
}

}  // namespace corvane
