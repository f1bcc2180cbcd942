// The server's answers: each receiver connection walks the answer script on its own, and an
// answer that must wait sits in the select loop's timer queue instead of holding up the thread.
// Select thread only.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "answer/answer_plan.h"
#include "link/answer_queue.h"
#include "pipeline/received_message.h"
#include "platform/vexo.h"

namespace corvane {

class Station;

class ServerAnswers {
  public:
    explicit ServerAnswers(Station& station) : m_station(station) {}
    ~ServerAnswers();
    ServerAnswers(const ServerAnswers&) = delete;
    ServerAnswers& operator=(const ServerAnswers&) = delete;

    // Answers one message at once, or queues its answer; fills `note`. Returns false when the
    // receiver did not take an answer sent at once (it must be dropped).
    bool answer(Vexo_Socket socket, std::uint64_t connection, const std::string& peer,
                const std::string& message, std::int64_t readSteadyUs, AnswerNote& note,
                Dc09Reading& reading);
    // The select time limit: the sooner of `limitMicroseconds` and the earliest due answer.
    Vexo_TimeVal limit(long limitMicroseconds) const;
    // Sends every answer that is due. Adds to `lost` the sockets to drop: a failed send, or a
    // CLOSE whose time has come.
    void sendDue(std::vector<Vexo_Socket>& lost);
    // The connection is gone: its waiting answers are dropped.
    void forget(std::uint64_t connection);

  private:
    struct PerConnection {
        answer::ScriptCursor cursor;
        bool closing = false;        // a CLOSE step was taken: later messages get no answer
        std::uint64_t messages = 0;  // messages answered so far, the next one's index
    };
    bool send(const DueAnswer& due);
    void afterSent(const DueAnswer& due, std::int64_t sentUs);

    Station& m_station;
    AnswerQueue m_queue;
    std::unordered_map<std::uint64_t, PerConnection> m_connections;
};

}  // namespace corvane
