#include "link/session.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "dc09/answer_frames.h"
#include "link/answer_log.h"
#include "link/unfinished_message.h"
#include "platform/clock.h"
#include "platform/quillet.h"

namespace corvane {

Session::Session(const SessionContext& context, std::string peer, Wire& wire)
    : m_context(context),
      m_wire(wire),
      m_serial(++context.serials),
      m_peer(std::move(peer)),
      m_reader(context.framing) {
    m_context.queue.queueMessage(
        ReceivedMessage::connected(m_serial, m_peer, utcMicrosecondsNow()));
}

namespace {

// Diagnostic lines for unsent answers per connection: a connection may leave thousands.
constexpr std::size_t kUnsentLines = 16;

}  // namespace

Session::~Session() {
    end(Delivery::Reason::StationStopped, LinkLoss::Stopped);
}

Reply Session::plan(std::string_view message, Dc09Reading& reading) {
    if (m_closing) {
        Reply none;
        none.protocol = m_context.settings.m_protocol;
        none.delivery = {Delivery::State::Unsent, Delivery::Reason::ConnectionClosing, 0};
        return none;
    }
    std::string live;
    Reply reply = answer::planAnswer(
        message, {m_context.settings, m_context.dc09, m_context.scripts}, m_cursor, reading, &live);
    if (reply.step >= 0) {
        m_context.scripts.noteStep(m_serial, m_peer, std::move(live));
    }
    m_closing = reply.closeMs >= 0;
    return reply;
}

bool Session::send(Reply& reply, const std::string& bytes, std::int64_t readSteadyUs,
                   bool asPlanned) {
    if (bytes.empty()) {
        reply.delivery = {Delivery::State::Unsent, Delivery::Reason::NothingToSend, 0};
        logNothingSent(m_serial, reply);
        return true;
    }
    const Delivery::Reason failed = m_wire.send(bytes);
    if (failed != Delivery::Reason::None) {
        reply.delivery = {Delivery::State::Unsent, failed, 0};
        logNothingSent(m_serial, reply, m_context.settings.m_timeouts.send);
        return false;
    }
    reply.delivery = {Delivery::State::Sent, Delivery::Reason::None, utcMicrosecondsNow()};
    logAnswerSent(m_serial, reply, steadyMicrosecondsNow() - readSteadyUs, asPlanned);
    return true;
}

void Session::wait(Waiting waiting) {
    waiting.dueUs = waiting.readSteadyUs + waiting.reply.delayMs * 1000;
    if (!m_waiting.empty() && !waiting.closeOnly) {
        waiting.dueUs = std::max(waiting.dueUs, m_waiting.back().dueUs);  // never overtakes
    }
    m_waiting.push_back(std::move(waiting));
}

void Session::dropWaiting(Waiting& waiting, Delivery::Reason why) {
    if (waiting.closeOnly) {
        return;
    }
    waiting.reply.delivery = {Delivery::State::Unsent, why, 0};
    if (m_unsentLogged++ < kUnsentLines) {
        logNothingSent(m_serial, waiting.reply);
    }
    m_unsent.push_back({waiting.index, waiting.reply.step, waiting.reply.word, why});
}

std::size_t Session::waitingAnswers() const {
    // A CLOSE only ever comes last: the messages after its answer get none.
    return m_waiting.size() - (!m_waiting.empty() && m_waiting.back().closeOnly ? 1 : 0);
}

bool Session::wantsToRead() const {
    return waitingAnswers() <= kMaxWaiting && !m_context.queue.full();
}

void Session::stopping(std::int64_t nowSteadyUs) {
    // The stop waits no longer than the pause itself: an answer held behind a script's delay
    // (a policy's answer never overtakes) is not waited for either.
    const std::int64_t latestUs =
        nowSteadyUs + std::chrono::duration_cast<std::chrono::microseconds>(
                          m_context.settings.m_timeouts.nackPause)
                          .count();
    // A CLOSE would come after the stop's own close; a script's delay is not waited for. Those
    // behind the first dropped go too: they leave in order.
    const auto first = std::find_if(m_waiting.begin(), m_waiting.end(), [&](const Waiting& w) {
        return w.closeOnly || w.reply.step >= 0 || w.dueUs > latestUs;
    });
    for (auto dropped = first; dropped != m_waiting.end(); ++dropped) {
        dropWaiting(*dropped, Delivery::Reason::StationStopped);
    }
    m_waiting.erase(first, m_waiting.end());
}

void Session::closeAfter(const Reply& reply, std::int64_t sentSteadyUs) {
    if (reply.closeMs < 0) {
        return;
    }
    Waiting close;
    close.closeOnly = true;
    close.readSteadyUs = sentSteadyUs;
    close.reply.delayMs = reply.closeMs;
    wait(std::move(close));
}

Session::Outcome Session::receive(std::string_view bytes, std::int64_t readUtcUs,
                                  std::int64_t readSteadyUs) {
    m_cut.clear();
    const bool withinLimit = m_reader.feed(bytes, m_cut);
    for (std::string& message : m_cut) {
        // Messages not yet answered stay unanswered at a stop; the receiver sends them again.
        if (m_context.stopping != nullptr && m_context.stopping->load()) {
            return Outcome::Open;
        }
        // Answer first: the receiver is waiting for it. What the DC-09 settings learnt of the
        // frame (its decryption) goes with it, so the worker does not decrypt again.
        ReceivedMessage received(std::move(message));
        received.connection = m_serial;
        received.indexOnConnection = m_messages++;
        received.peer = m_peer;
        received.receivedUs = readUtcUs;
        received.reply = plan(received.raw, received.dc09);
        received.answerBytes = renderReply(received.reply);
        bool sent = true;
        if (received.reply.delivery.reason == Delivery::Reason::ConnectionClosing) {
            logNothingSent(m_serial, received.reply);
        } else if (received.reply.delayMs > 0 || !m_waiting.empty()) {
            wait({received.reply, received.answerBytes, 0, readSteadyUs, readUtcUs,
                  received.indexOnConnection, false});
        } else {
            sent = send(received.reply, received.answerBytes, readSteadyUs, true);
            if (sent) {
                closeAfter(received.reply, steadyMicrosecondsNow());
            }
        }
        m_context.queue.queueMessage(std::move(received));
        // A receiver that does not take its answers would hold up all the others.
        if (!sent) {
            return Outcome::SendFailed;
        }
    }
    return withinLimit ? Outcome::Open : Outcome::Overflow;
}

std::optional<std::int64_t> Session::nextDueUs() const {
    if (m_waiting.empty()) {
        return std::nullopt;
    }
    return m_waiting.front().dueUs;
}

Session::Outcome Session::sendDue(std::int64_t nowSteadyUs) {
    while (!m_waiting.empty() && m_waiting.front().dueUs <= nowSteadyUs) {
        Waiting due = std::move(m_waiting.front());
        m_waiting.pop_front();
        if (due.closeOnly) {
            return Outcome::Close;
        }
        if (dc09::restampNak(due.reply, std::time(nullptr))) {  // a NAK tells the time it leaves
            due.bytes = renderReply(due.reply);
        }
        const bool sent = send(due.reply, due.bytes, due.readSteadyUs, false);
        // The message went to the worker before its answer left: the records hear of it now.
        ReceivedMessage answered;
        answered.event = ReceivedMessage::Event::AnswerSent;
        answered.connection = m_serial;
        answered.indexOnConnection = due.index;
        answered.receivedUs = due.readUtcUs;
        answered.reply = due.reply;
        answered.answerBytes = std::move(due.bytes);
        m_context.queue.queueMessage(std::move(answered));
        if (!sent) {
            return Outcome::SendFailed;
        }
        closeAfter(due.reply, steadyMicrosecondsNow());
    }
    return Outcome::Open;
}

void Session::end(Delivery::Reason why, LinkLoss loss) {
    if (m_ended) {
        return;
    }
    m_ended = true;
    noteUnfinishedMessage(m_context.log, m_peer, m_reader.finish());
    for (Waiting& waiting : m_waiting) {
        dropWaiting(waiting, why);
    }
    m_waiting.clear();
    if (m_unsentLogged > kUnsentLines) {
        QUILLET_ASYNC(2, "answer", "connection %llu: %zu more answer(s) not sent",
                      static_cast<unsigned long long>(m_serial), m_unsentLogged - kUnsentLines);
    }
    m_context.scripts.forget(m_serial);
    ReceivedMessage lost = ReceivedMessage::lost(m_serial, utcMicrosecondsNow(), loss);
    lost.unsent = std::move(m_unsent);
    m_context.queue.queueMessage(std::move(lost));
}

}  // namespace corvane
