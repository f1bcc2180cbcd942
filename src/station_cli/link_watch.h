// Whether the client link's connection has gone: the receiver closed or reset it, and every byte
// it sent has been read. Asked by the main thread; the link's own thread keeps reading.
#pragma once

namespace corvane::cli {

bool clientConnectionGone(int fd);

}  // namespace corvane::cli
