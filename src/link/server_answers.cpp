#include "link/server_answers.h"

#include <algorithm>
#include <ctime>

#include "dc09/answer_frames.h"
#include "link/late_answer.h"
#include "station/station.h"

namespace corvane {

namespace {

constexpr int kSendTimeoutMs = 3000;

}  // namespace

ServerAnswers::~ServerAnswers() {
    // A stop: whatever still waits is not sent.
    m_station.answerScripts().forgetAll();
}

bool ServerAnswers::answer(Vexo_Socket socket, std::uint64_t connection, const std::string& peer,
                           const std::string& message, std::int64_t readSteadyUs, AnswerNote& note,
                           Dc09Reading& reading) {
    PerConnection& state = m_connections[connection];
    const std::uint64_t messageIndex = state.messages++;
    answer::PlannedAnswer plan;
    if (state.closing) {
        plan.word = "none";
        logNothingSent(connection, plan, "the connection is closing");
        note.word = plan.word;
        return true;
    }
    std::string live;
    plan = answer::planAnswer(m_station, message, state.cursor, reading, &live);
    if (plan.step >= 0) {
        m_station.answerScripts().noteStep(connection, peer, std::move(live));
    }
    state.closing = plan.closeMs >= 0;
    note = noteOf(plan);

    DueAnswer due;
    due.readUs = readSteadyUs;
    due.connection = connection;
    due.socket = socket;
    due.plan = std::move(plan);
    due.messageIndex = messageIndex;
    if (due.plan.delayMs > 0 || m_queue.pending(connection)) {
        due.late = true;
        m_queue.push(std::move(due));
        return true;
    }
    // Answer first: the receiver is waiting for it.
    if (!send(due)) {
        return false;
    }
    note.sentUs = due.plan.bytes.empty() ? 0 : utcMicrosecondsNow();
    return true;
}

Vexo_TimeVal ServerAnswers::limit(long limitMicroseconds) const {
    std::int64_t wait = limitMicroseconds;
    if (const auto due = m_queue.earliestDueUs()) {
        wait = std::clamp<std::int64_t>(*due - steadyMicrosecondsNow(), 0, wait);
    }
    return Vexo_TimeVal{static_cast<long>(wait / 1'000'000), static_cast<long>(wait % 1'000'000)};
}

void ServerAnswers::sendDue(std::vector<Vexo_Socket>& lost) {
    DueAnswer due;
    while (!m_station.m_selectStop && m_queue.popDue(steadyMicrosecondsNow(), due)) {
        if (due.closeOnly) {
            lost.push_back(due.socket);
            forget(due.connection);
            continue;
        }
        dc09::restampNak(due.plan.bytes, std::time(nullptr));  // a NAK tells the time it leaves
        if (!send(due)) {
            lost.push_back(due.socket);
            forget(due.connection);
        }
    }
}

bool ServerAnswers::send(const DueAnswer& due) {
    const std::string& bytes = due.plan.bytes;
    if (!bytes.empty() && Vexo_Sendn(due.socket, bytes.data(), static_cast<int>(bytes.size()),
                                     kSendTimeoutMs) != static_cast<int>(bytes.size())) {
        logNothingSent(due.connection, due.plan, "the receiver did not take it within 3 s");
        return false;
    }
    afterSent(due, steadyMicrosecondsNow());
    return true;
}

void ServerAnswers::afterSent(const DueAnswer& due, std::int64_t sentUs) {
    if (due.plan.bytes.empty()) {
        logNothingSent(due.connection, due.plan, "the answer is none");
    } else {
        logAnswerSent(due, sentUs);
    }
    if (due.late) {
        recordLateAnswer(m_station, due);
    }
    if (due.plan.closeMs >= 0) {
        DueAnswer close;
        close.readUs = sentUs;
        close.connection = due.connection;
        close.socket = due.socket;
        close.closeOnly = true;
        close.plan.delayMs = due.plan.closeMs;
        close.plan.closeMs = due.plan.closeMs;
        m_queue.push(std::move(close));
    }
}

void ServerAnswers::forget(std::uint64_t connection) {
    m_queue.dropConnection(connection);
    m_connections.erase(connection);
    m_station.answerScripts().forget(connection);
}

}  // namespace corvane
