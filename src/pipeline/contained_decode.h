// Containment of one decode on the msgPro worker: a decoder fault costs that message its
// description, never the worker (which would stop decoding, counting and logging for good).
#pragma once

#include <exception>

#include "platform/quillet.h"
#include "protocol/decoded.h"

namespace corvane {

// Returns what `decode()` returns; when it throws, writes a level-2 diagnostic and returns a
// format error without a description, so the caller still logs the message and goes on.
template <class Decode>
Decoded decodeContained(Decode&& decode) {
    try {
        return decode();
    } catch (const std::exception& error) {
        QUILLET(2, "CCorvaneDlg::processMessages", "decode failed: %s", error.what());
    } catch (...) {
        QUILLET(2, "CCorvaneDlg::processMessages", "decode failed: %s", "unknown exception");
    }
    Decoded failed;
    failed.kind = MessageKind::FormatError;
    return failed;
}

}  // namespace corvane
