#include "receiver/connection_run.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>

#include "receiver/message_generator.h"
#include "receiver/progress_line.h"
#include "receiver/sim_socket.h"

namespace corvane::sim {

namespace {

using Clock = std::chrono::steady_clock;

// Longest single wait, so a stuck peer never holds the loop longer than this between checks.
constexpr int kMaxPollMs = 200;
// Slice of a blocking wait for an answer; the loop checks its time-outs between slices.
constexpr int kAnswerSliceMs = 20;

// A message sent (or being sent) that still waits for its answer.
struct Waiting {
    std::uint64_t number = 0;  // 1-based, on this connection
    Kind kind = Kind::Heartbeat;
    std::string echo;            // DC-09: the text the answer must copy
    std::string key;             // DC-09: the key it was encrypted with, empty when plain
    std::size_t endOffset = 0;   // just past its last byte in the write buffer
    bool written = false;        // all its bytes are in the kernel
    Clock::time_point sentAt{};  // when its last byte was written
};

class ConnectionRunner {
  public:
    ConnectionRunner(int fd, const RunOptions& options, int index)
        : m_fd(fd),
          m_options(options),
          m_index(index),
          m_kinds(options.kinds.empty() ? defaultKinds(options.protocol) : options.kinds),
          m_generator(options, index),
          m_reader(options.protocol) {}

    ConnectionResult run();

  private:
    Message replayed(std::uint64_t message) const {
        const ReplayMessage& r =
            m_options.replay[static_cast<std::size_t>(m_index)][static_cast<std::size_t>(message)];
        return {r.kind, r.bytes, r.echo, std::string()};  // replayed as recorded
    }
    bool waitForAnswerOnly() const;
    Clock::time_point dueTime(std::uint64_t message) const;
    bool mayQueue(Clock::time_point now) const;
    void queueBatch();
    bool writeSome();
    void expire(Clock::time_point now);
    bool readAnswers(bool wait);
    void judge(const std::string& answer, Clock::time_point now);
    int pollTimeout(Clock::time_point now) const;
    void noteBad(std::uint64_t message, std::string text);
    void connectionLost(std::string why);
    void publishProgress();

    Fd m_fd;
    const RunOptions& m_options;
    int m_index;
    std::vector<Kind> m_kinds;
    MessageGenerator m_generator;
    AnswerReader m_reader;
    ConnectionResult m_result;

    Clock::time_point m_start{};
    std::uint64_t m_next = 0;  // messages queued so far
    std::string m_out;         // the batch being written
    std::size_t m_outOffset = 0;
    std::deque<Waiting> m_waiting;
    std::size_t m_unwritten = 0;  // entries at the back of m_waiting not yet written
    std::vector<std::string> m_answers;
    std::uint64_t m_publishedSent = 0;  // what publishProgress() last added
    std::uint64_t m_publishedSettled = 0;
};

ConnectionResult ConnectionRunner::run() {
    // The socket stays blocking, bounded by a receive time-out: waiting for the answer in lockstep
    // is then one recv() per message, as cheap as a plain blocking client. Every other call
    // passes MSG_DONTWAIT and waits in poll().
    setNonBlocking(m_fd.get(), false);
    const timeval slice{0, kAnswerSliceMs * 1000};
    ::setsockopt(m_fd.get(), SOL_SOCKET, SO_RCVTIMEO, &slice, sizeof slice);
    m_start = Clock::now();
    while (true) {
        publishProgress();
        if (m_options.cancel != nullptr && m_options.cancel->load()) {
            connectionLost("stopped");
            break;
        }
        if (m_out.empty() && mayQueue(Clock::now())) {
            queueBatch();
        }
        if (!m_out.empty() && !writeSome()) {
            break;
        }
        const auto now = Clock::now();
        expire(now);
        if (m_next == m_options.count && m_waiting.empty() && m_out.empty()) {
            break;
        }
        if (waitForAnswerOnly()) {
            if (!readAnswers(true)) {
                break;
            }
            continue;
        }
        pollfd p{m_fd.get(), static_cast<short>(POLLIN | (m_out.empty() ? 0 : POLLOUT)), 0};
        const int rc = ::poll(&p, 1, pollTimeout(now));
        if (rc < 0 && errno != EINTR) {
            connectionLost(std::string("poll: ") + std::strerror(errno));
            break;
        }
        if (rc > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0 &&
            !readAnswers(false)) {
            break;
        }
    }
    publishProgress();
    m_fd.reset();
    return std::move(m_result);
}

// Lockstep with everything written: nothing can happen but an answer or a time-out.
bool ConnectionRunner::waitForAnswerOnly() const {
    return !m_options.pipeline && m_out.empty() && !m_waiting.empty() && m_unwritten == 0;
}

Clock::time_point ConnectionRunner::dueTime(std::uint64_t message) const {
    if (!m_options.replay.empty()) {
        const auto& messages = m_options.replay[static_cast<std::size_t>(m_index)];
        return m_options.recordedTiming && message < messages.size()
                   ? m_start + std::chrono::microseconds(messages[message].atUs)
                   : m_start;
    }
    if (m_options.rate <= 0) {
        return m_start;
    }
    const double seconds = static_cast<double>(message) / m_options.rate;
    return m_start +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

bool ConnectionRunner::mayQueue(Clock::time_point now) const {
    return m_next < m_options.count && (m_options.pipeline || m_waiting.empty()) &&
           now >= dueTime(m_next);
}

void ConnectionRunner::queueBatch() {
    const auto glue = static_cast<std::uint64_t>(std::max(1, m_options.glue));
    const std::uint64_t batch = std::min(glue, m_options.count - m_next);
    for (std::uint64_t i = 0; i < batch; ++i) {
        Message message = m_options.replay.empty()
                              ? m_generator.next(m_kinds[m_next % m_kinds.size()])
                              : replayed(m_next);
        m_out += message.bytes;
        ++m_next;
        m_waiting.push_back(
            {m_next, message.kind, std::move(message.echo), std::move(message.key), m_out.size()});
        ++m_unwritten;
    }
}

bool ConnectionRunner::writeSome() {
    // Latency runs from the start of the write that completes a message, as a round trip would.
    const auto callStart = Clock::now();
    const ssize_t n = ::send(m_fd.get(), m_out.data() + m_outOffset, m_out.size() - m_outOffset,
                             MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            return true;
        }
        connectionLost(std::string("send: ") + std::strerror(errno));
        return false;
    }
    m_outOffset += static_cast<std::size_t>(n);
    const auto now = callStart;
    for (auto it = m_waiting.end() - static_cast<std::ptrdiff_t>(m_unwritten);
         it != m_waiting.end() && it->endOffset <= m_outOffset; ++it) {
        it->written = true;
        it->sentAt = now;
        if (m_result.sent++ == 0) {
            m_result.firstSend = now;
        }
        --m_unwritten;
    }
    if (m_outOffset == m_out.size()) {
        m_out.clear();
        m_outOffset = 0;
    }
    return true;
}

void ConnectionRunner::expire(Clock::time_point now) {
    const auto timeout = std::chrono::milliseconds(m_options.answerTimeoutMs);
    while (!m_waiting.empty() && m_waiting.front().written &&
           now - m_waiting.front().sentAt >= timeout) {
        ++m_result.missing;
        noteBad(m_waiting.front().number,
                "no answer within " + std::to_string(m_options.answerTimeoutMs) + " ms");
        m_waiting.pop_front();
    }
}

bool ConnectionRunner::readAnswers(bool wait) {
    char buffer[16 * 1024];
    const ssize_t n = ::recv(m_fd.get(), buffer, sizeof buffer, wait ? 0 : MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        return true;
    }
    if (n <= 0) {
        connectionLost(n == 0 ? "the station closed the connection"
                              : std::string("recv: ") + std::strerror(errno));
        return false;
    }
    const auto now = Clock::now();
    m_answers.clear();
    m_reader.feed(std::string_view(buffer, static_cast<std::size_t>(n)), m_answers);
    for (const std::string& answer : m_answers) {
        judge(answer, now);
    }
    return true;
}

void ConnectionRunner::judge(const std::string& answer, Clock::time_point now) {
    if (m_waiting.empty() || !m_waiting.front().written) {
        ++m_result.extra;
        noteBad(0, "answer while no message waited: " + printable(answer));
        return;
    }
    const Waiting& waiting = m_waiting.front();
    ++m_result.answered;
    m_result.lastAnswer = now;
    m_result.latency.add(static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(now - waiting.sentAt).count()));
    const std::string verdict =
        m_options.protocol == Protocol::SurGard ? checkSurGardAnswer(answer, m_options.expectation)
        : waiting.key.empty()
            ? checkDc09Answer(answer, waiting.echo, m_options.expectation)
            : checkEncryptedDc09Answer(answer, waiting.echo, waiting.key, m_options.expectation);
    if (verdict.empty()) {
        ++m_result.good;
    } else {
        ++m_result.bad;
        noteBad(waiting.number, std::string(kindName(waiting.kind)) + ": " + verdict);
    }
    m_waiting.pop_front();
}

int ConnectionRunner::pollTimeout(Clock::time_point now) const {
    auto until = now + std::chrono::milliseconds(kMaxPollMs);
    if (m_out.empty() && m_next < m_options.count && (m_options.pipeline || m_waiting.empty())) {
        until = std::min(until, dueTime(m_next));
    }
    if (!m_waiting.empty() && m_waiting.front().written) {
        until = std::min(
            until, m_waiting.front().sentAt + std::chrono::milliseconds(m_options.answerTimeoutMs));
    }
    if (until <= now) {
        return 0;
    }
    // Round up, so the loop does not wake a little early and spin until the moment comes.
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(until - now).count();
    return static_cast<int>((micros + 999) / 1000);
}

void ConnectionRunner::noteBad(std::uint64_t message, std::string text) {
    if (m_result.badSamples.size() < m_options.badSampleLimit) {
        m_result.badSamples.push_back({m_index, message, std::move(text)});
    }
}

void ConnectionRunner::connectionLost(std::string why) {
    // Whatever was sent and not answered is missing; what was never sent stays unsent.
    for (const Waiting& waiting : m_waiting) {
        if (waiting.written) {
            ++m_result.missing;
        }
    }
    m_waiting.clear();
    m_unwritten = 0;
    m_out.clear();
    if (m_result.sent < m_options.count || m_result.missing > 0) {
        m_result.error = std::move(why) + " after " + std::to_string(m_result.sent) + " of " +
                         std::to_string(m_options.count) + " messages";
    }
}

// Once per turn of the loop rather than per message: one atomic add for all that changed.
void ConnectionRunner::publishProgress() {
    if (m_options.progress == nullptr) {
        return;
    }
    const std::uint64_t settled = m_result.answered + m_result.missing;
    if (m_result.sent != m_publishedSent) {
        m_options.progress->sent.fetch_add(m_result.sent - m_publishedSent,
                                           std::memory_order_relaxed);
        m_publishedSent = m_result.sent;
    }
    if (settled != m_publishedSettled) {
        m_options.progress->settled.fetch_add(settled - m_publishedSettled,
                                              std::memory_order_relaxed);
        m_publishedSettled = settled;
    }
}

}  // namespace

ConnectionResult runConnection(int fd, const RunOptions& options, int index) {
    if (!options.replay.empty()) {
        RunOptions replaying = options;
        replaying.count = options.replay[static_cast<std::size_t>(index)].size();
        return ConnectionRunner(fd, replaying, index).run();
    }
    return ConnectionRunner(fd, options, index).run();
}

}  // namespace corvane::sim
