#include "receiver/retry_run.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "receiver/answer_check.h"
#include "receiver/dc09_frame.h"
#include "receiver/message_generator.h"
#include "receiver/sim_socket.h"

namespace corvane::sim {

namespace {

using Clock = std::chrono::steady_clock;

std::int64_t msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The answer's word: the Sur-Gard byte, or the quoted word of a DC-09 frame.
std::string wordOf(Protocol protocol, const std::string& answer) {
    if (protocol == Protocol::SurGard) {
        if (answer == "\x06") {
            return "ACK";
        }
        if (answer == "\x15") {
            return "NACK";
        }
        static const char kHex[] = "0123456789ABCDEF";
        const auto byte = static_cast<unsigned char>(answer.empty() ? 0 : answer[0]);
        return std::string("byte 0x") + kHex[byte >> 4] + kHex[byte & 0xF];
    }
    const auto body = dc09Body(answer);
    if (!body || body->size() < 2 || body->front() != '"') {
        return "bad frame";
    }
    const auto close = body->find('"', 1);
    return close == std::string_view::npos ? "bad frame" : std::string(body->substr(1, close - 1));
}

// The longest single sleep while a stop may come.
constexpr auto kStopCheck = std::chrono::milliseconds(100);

class RetryingReceiver {
  public:
    RetryingReceiver(const RunOptions& options, int index, Fd fd, int listenFd)
        : m_options(options),
          m_index(index),
          m_fd(std::move(fd)),
          m_listenFd(listenFd),
          m_generator(options, index),
          m_reader(options.protocol) {}

    std::vector<MessageOutcome> run(int& reconnects) {
        const std::vector<Kind> kinds =
            m_options.kinds.empty() ? defaultKinds(m_options.protocol) : m_options.kinds;
        std::vector<MessageOutcome> out;
        const auto start = Clock::now();
        for (std::uint64_t n = 1; n <= m_options.count && m_fd.valid(); ++n) {
            // --rate paces the first attempts; resends follow their answers.
            if (m_options.rate > 0 &&
                !waitUntil(start + std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(static_cast<double>(n - 1) /
                                                                     m_options.rate)))) {
                break;
            }
            if (stopped()) {
                break;
            }
            MessageOutcome outcome;
            outcome.connection = m_index + 1;
            outcome.number = n;
            outcome.kind = kinds[(n - 1) % kinds.size()];
            const Message message = m_generator.next(outcome.kind);
            deliver(message, outcome, reconnects);
            out.push_back(std::move(outcome));
        }
        return out;
    }

  private:
    bool stopped() const { return m_options.cancel != nullptr && m_options.cancel->load(); }

    // Sleeps until `due` in short steps; false when a stop came first.
    bool waitUntil(Clock::time_point due) const {
        for (auto now = Clock::now(); now < due && !stopped(); now = Clock::now()) {
            std::this_thread::sleep_for(std::min<Clock::duration>(due - now, kStopCheck));
        }
        return !stopped();
    }

    void deliver(const Message& message, MessageOutcome& outcome, int& reconnects) {
        while (outcome.attempts <= m_options.retries && m_fd.valid()) {
            ++outcome.attempts;
            const auto sentAt = Clock::now();
            AnswerSeen seen{"closed", 0};
            if (sendAll(m_fd.get(), message.bytes.data(), message.bytes.size(),
                        m_options.ackWaitMs) >= 0) {
                seen = awaitAnswer(message, sentAt);
            }
            if (seen.word.empty()) {
                outcome.stopped = true;
                return;
            }
            outcome.answers.push_back(seen);
            if (seen.word == "ACK") {
                outcome.acknowledged = true;
                return;
            }
            if (seen.word == "closed" && !reconnect(reconnects)) {
                return;
            }
        }
    }

    // The answer's word, an encrypted ACK checked with the message's key; empty when stopped.
    AnswerSeen awaitAnswer(const Message& message, Clock::time_point sentAt) {
        while (true) {
            if (!m_answers.empty()) {
                const std::string answer = m_answers.front();
                m_answers.erase(m_answers.begin());
                std::string word = wordOf(m_options.protocol, answer);
                if (word == "*ACK" && !message.key.empty()) {
                    word = checkEncryptedDc09Answer(answer, message.echo, message.key,
                                                    {Expect::Ack, 0})
                                   .empty()
                               ? "ACK"
                               : "bad encrypted ACK";
                }
                return {word, msSince(sentAt)};
            }
            const auto left = m_options.ackWaitMs - msSince(sentAt);
            if (left <= 0) {
                return {"no answer", msSince(sentAt)};
            }
            char buffer[1024];
            const long got = receiveSome(m_fd.get(), buffer, sizeof buffer, static_cast<int>(left),
                                         m_options.cancel);
            if (got < 0) {
                return {"closed", msSince(sentAt)};
            }
            if (got == 0 && stopped()) {
                return {"", msSince(sentAt)};
            }
            m_reader.feed(std::string_view(buffer, static_cast<std::size_t>(got)), m_answers);
        }
    }

    bool reconnect(int& reconnects) {
        m_fd.reset();
        m_answers.clear();
        m_reader = AnswerReader(m_options.protocol);
        if (m_options.reconnectMs < 0) {
            return false;
        }
        if (!waitUntil(Clock::now() + std::chrono::milliseconds(m_options.reconnectMs))) {
            return false;
        }
        std::string error;
        m_fd = m_listenFd >= 0
                   ? acceptTcp(m_listenFd, m_options.connectTimeoutMs, error, m_options.cancel)
                   : connectTcp(m_options.host, m_options.port, m_options.connectTimeoutMs, error,
                                m_options.cancel);
        if (m_fd.valid()) {
            ++reconnects;
        }
        return m_fd.valid();
    }

    const RunOptions& m_options;
    int m_index;
    Fd m_fd;
    int m_listenFd;
    MessageGenerator m_generator;
    AnswerReader m_reader;
    std::vector<std::string> m_answers;
};

}  // namespace

std::uint64_t RetryResult::acknowledged() const {
    std::uint64_t count = 0;
    for (const MessageOutcome& m : messages) {
        count += m.acknowledged ? 1 : 0;
    }
    return count;
}

std::uint64_t RetryResult::givenUp() const {
    std::uint64_t count = 0;
    for (const MessageOutcome& m : messages) {
        count += !m.acknowledged && !m.stopped ? 1 : 0;
    }
    return count;
}

RetryResult runRetrying(const RunOptions& options,
                        const std::function<void(std::uint16_t)>& onListening) {
    RetryResult result;
    Fd listener;
    std::vector<Fd> fds;
    for (int i = 0; i < options.connections; ++i) {
        std::string error;
        if (options.listen) {
            if (!listener.valid()) {
                listener = listenTcp(options.host, options.port, error);
                if (listener.valid() && onListening) {
                    onListening(localPort(listener.get()));
                }
            }
            fds.push_back(listener.valid() ? acceptTcp(listener.get(), options.connectTimeoutMs,
                                                       error, options.cancel)
                                           : Fd());
        } else {
            fds.push_back(connectTcp(options.host, options.port, options.connectTimeoutMs, error,
                                     options.cancel));
        }
        if (!fds.back().valid()) {
            result.error = error;
            return result;
        }
    }
    std::mutex mutex;
    std::vector<std::thread> threads;
    for (int i = 0; i < options.connections; ++i) {
        threads.emplace_back([&, i] {
            int reconnects = 0;
            RetryingReceiver receiver(options, i, std::move(fds[static_cast<std::size_t>(i)]),
                                      listener.get());
            auto outcomes = receiver.run(reconnects);
            std::lock_guard lock(mutex);
            result.reconnects += reconnects;
            result.messages.insert(result.messages.end(), outcomes.begin(), outcomes.end());
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    return result;
}

void printRetryReport(std::ostream& out, const RetryResult& result, bool quiet) {
    if (!result.error.empty()) {
        out << "corvane-receiver: " << result.error << "\n";
        return;
    }
    for (const MessageOutcome& m : quiet ? std::vector<MessageOutcome>{} : result.messages) {
        out << "connection " << m.connection << " message " << m.number << " (" << kindName(m.kind)
            << "): " << m.attempts << (m.attempts == 1 ? " attempt; " : " attempts; ");
        for (std::size_t i = 0; i < m.answers.size(); ++i) {
            out << (i == 0 ? "" : ", ") << m.answers[i].word << " after " << m.answers[i].delayMs
                << " ms";
        }
        out << (m.answers.empty() ? "" : "; ")
            << (m.acknowledged ? "acknowledged"
                : m.stopped    ? "stopped"
                               : "given up")
            << "\n";
    }
    out << "outcomes: acknowledged " << result.acknowledged() << ", given up " << result.givenUp()
        << ", reconnects " << result.reconnects;
    if (!result.stoppedBy.empty()) {
        out << ", stopped by " << result.stoppedBy;
    }
    out << "\n";
}

}  // namespace corvane::sim
