// The timer queue: earliest first, one connection's answers in order, drops by connection.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/answer_queue.h"

namespace corvane {
namespace {

DueAnswer answerOn(std::uint64_t connection, std::int64_t readUs, std::int64_t delayMs,
                   std::string bytes) {
    DueAnswer due;
    due.connection = connection;
    due.readUs = readUs;
    due.plan.delayMs = delayMs;
    due.plan.bytes = std::move(bytes);
    return due;
}

std::vector<std::string> drain(AnswerQueue& queue, std::int64_t nowUs) {
    std::vector<std::string> out;
    DueAnswer due;
    while (queue.popDue(nowUs, due)) {
        out.push_back(due.plan.bytes);
    }
    return out;
}

TEST(AnswerQueue, EarliestFirstOneConnectionInOrderAndDropsByConnection) {
    AnswerQueue queue;
    queue.push(answerOn(1, 0, 500, "A1"));     // due 500 ms
    queue.push(answerOn(2, 0, 100, "B1"));     // due 100 ms
    queue.push(answerOn(1, 10'000, 0, "A2"));  // would be due at 10 ms: waits behind A1
    queue.push(answerOn(2, 0, 100, "B2"));     // same due time as B1: after it
    EXPECT_EQ(queue.earliestDueUs(), 100'000);
    EXPECT_TRUE(drain(queue, 99'999).empty());
    EXPECT_EQ(drain(queue, 100'000), (std::vector<std::string>{"B1", "B2"}));
    EXPECT_FALSE(queue.pending(2));
    EXPECT_TRUE(queue.pending(1));
    queue.push(answerOn(3, 0, 700, "C1"));
    queue.dropConnection(1);  // lost while its answers wait: the others stay
    EXPECT_FALSE(queue.pending(1));
    EXPECT_EQ(drain(queue, 1'000'000), (std::vector<std::string>{"C1"}));
    EXPECT_TRUE(queue.empty());
}

}  // namespace
}  // namespace corvane
