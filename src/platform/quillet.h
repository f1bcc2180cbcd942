// The diagnostic log: one printf-style write operation, safe from every thread at once, backed by
// a rotating file under $XDG_STATE_HOME/corvane/ (default ~/.local/state/corvane/).
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

// Formats and writes one entry. `tag` is kept for compatibility (callers pass ""). The text may be
// of any length: nothing is cut and no fixed buffer can overrun. Returns 0, or -1 when the format
// failed.
int quillet_write(int level, const char* tag, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Writes "[function(line)] " followed by the formatted text: the prefix convention of every caller.
#define QUILLET(level, function, format, ...) \
    quillet_write((level), "", "[%s(%d)] " format, (function), __LINE__ __VA_OPT__(, ) __VA_ARGS__)

// The same for a thread that must never wait on the disk (a receiving thread): the entry is
// formatted here and handed to the log's own writing thread. Under a flood the oldest entries
// waiting for the disk give way; the test sink still gets every entry at once.
int quillet_writeAsync(int level, const char* tag, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
#define QUILLET_ASYNC(level, function, format, ...)                 \
    quillet_writeAsync((level), "", "[%s(%d)] " format, (function), \
                       __LINE__ __VA_OPT__(, ) __VA_ARGS__)

// Entries below this level are not written at all (default 2; CORVANE_VERBOSE=1 in the
// environment makes it 1, which adds one line for every answer sent).
inline constexpr int kQuilletDefaultLowestLevel = 2;
void quillet_setLowestLevel(int level);
int quillet_lowestLevel();

// Where the rotating file lives (created on first write).
std::string quillet_logDirectory();

// Test seam: while a sink is set, every entry also goes to it (level and final text, without the
// file's time prefix). Pass an empty function to remove it.
// The sink is called from many threads at once. Once quillet_setSink returns, the previous sink is
// no longer running and is never called again. A sink must not write to the log itself.
using QuilletSink = std::function<void(int level, std::string_view text)>;
void quillet_setSink(QuilletSink sink);
// Turns the file off (entries then go only to the sink, if any). Benchmarks keep it on.
void quillet_setFileEnabled(bool enabled);
// Writes what is buffered to the file, the entries still waiting for the log's writing thread
// included.
void quillet_flush();
// Test seam: how often buffered entries reach the disk without an explicit flush (1 s).
void quillet_setFlushInterval(std::chrono::milliseconds interval);
