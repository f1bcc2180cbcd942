#include "link/peer_set.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace corvane {
namespace {

using namespace std::chrono_literals;

std::vector<Vexo_Socket> entries(const PeerSet& set) {
    const Vexo_FdSet copy = set.snapshot();
    return {copy.fd_array, copy.fd_array + copy.fd_count};
}

struct Step {
    char op;  // 'a' add, 'r' remove, 'e' empty
    Vexo_Socket socket;
    bool result;
};

struct Case {
    const char* name;
    std::vector<Step> steps;
    std::vector<Vexo_Socket> after;
};

TEST(PeerSet, KeepsTheOrderOfAcceptance) {
    const std::vector<Case> cases = {
        {"adds in order", {{'a', 7, true}, {'a', 3, true}, {'a', 9, true}}, {7, 3, 9}},
        {"second add of a socket changes nothing",
         {{'a', 7, true}, {'a', 3, true}, {'a', 7, true}},
         {7, 3}},
        {"removal in the middle moves the later ones down",
         {{'a', 4, true}, {'a', 5, true}, {'a', 6, true}, {'a', 8, true}, {'r', 5, true}},
         {4, 6, 8}},
        {"removal of the first and the last",
         {{'a', 4, true}, {'a', 5, true}, {'a', 6, true}, {'r', 4, true}, {'r', 6, true}},
         {5}},
        {"removal of an absent socket", {{'a', 4, true}, {'r', 5, false}}, {4}},
        {"emptying", {{'a', 4, true}, {'a', 5, true}, {'e', 0, true}}, {}},
        {"re-added after removal goes to the end",
         {{'a', 4, true}, {'a', 5, true}, {'r', 4, true}, {'a', 4, true}},
         {5, 4}},
    };
    for (const Case& c : cases) {
        PeerSet set;
        for (const Step& step : c.steps) {
            if (step.op == 'a') {
                EXPECT_EQ(set.add(step.socket), step.result) << c.name;
            } else if (step.op == 'r') {
                EXPECT_EQ(set.remove(step.socket), step.result) << c.name;
            } else {
                set.empty();
            }
        }
        EXPECT_EQ(entries(set), c.after) << c.name;
        EXPECT_EQ(set.count(), c.after.size()) << c.name;
        for (Vexo_Socket socket : c.after) {
            EXPECT_TRUE(set.contains(socket)) << c.name;
        }
    }
}

TEST(PeerSet, HoldsAtMostSixtyFourSockets) {
    PeerSet set;
    for (Vexo_Socket socket = 100; socket < 164; ++socket) {
        ASSERT_TRUE(set.add(socket));
    }
    EXPECT_FALSE(set.add(164));
    EXPECT_FALSE(set.contains(164));
    EXPECT_EQ(set.count(), 64u);
    EXPECT_TRUE(set.add(130)) << "already present: nothing to add";
    EXPECT_EQ(set.count(), 64u);

    ASSERT_TRUE(set.remove(100));
    EXPECT_TRUE(set.add(164));
    EXPECT_EQ(entries(set).back(), 164);
    EXPECT_EQ(entries(set).front(), 101);
}

TEST(PeerSet, WaitsForTheFirstSocket) {
    PeerSet set;
    EXPECT_FALSE(set.waitNonEmpty(20ms));

    std::thread adder([&] { set.add(42); });
    EXPECT_TRUE(set.waitNonEmpty(10s));
    adder.join();
    EXPECT_TRUE(set.waitNonEmpty(0ms)) << "no wait when a socket is there";
}

// Two threads change the set while a third copies it: every copy must be a state the set really
// had. The adder adds increasing numbers and the remover takes the oldest, so every true state
// is a run of consecutive numbers.
TEST(PeerSet, CopiesAreConsistentWhileOthersChangeIt) {
    PeerSet set;
    std::atomic<bool> done{false};
    std::thread adder([&] {
        for (Vexo_Socket socket = 1; socket <= 3000; ++socket) {
            while (!set.add(socket)) {
                std::this_thread::yield();  // full: let the remover catch up
            }
        }
        done = true;
    });
    std::thread remover([&] {
        while (!done || set.count() > 0) {
            const Vexo_FdSet copy = set.snapshot();
            if (copy.fd_count > 5 || (done && copy.fd_count > 0)) {
                set.remove(copy.fd_array[0]);
            }
        }
    });
    int torn = 0;
    while (!done) {
        const Vexo_FdSet copy = set.snapshot();
        ASSERT_LE(copy.fd_count, 64u);
        for (std::uint32_t i = 1; i < copy.fd_count; ++i) {
            if (copy.fd_array[i] != copy.fd_array[i - 1] + 1) {
                ++torn;
            }
        }
    }
    adder.join();
    remover.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(set.count(), 0u);
}

}  // namespace
}  // namespace corvane
