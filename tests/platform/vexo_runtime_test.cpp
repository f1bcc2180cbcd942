// Threads, the semaphore, the guard and the tick of the runtime layer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <thread>
#include <vector>

#include "blocked_thread.h"
#include "platform/vexo.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::intptr_t addOne(void* arg) {
    static_cast<std::atomic<int>*>(arg)->fetch_add(1);
    return 0;
}

TEST(VexoThread, RunsTheProcWithItsArgumentAndWaitReleasesIt) {
    std::atomic<int> runs{0};
    std::vector<Vexo_Thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.push_back(Vexo_Thread_Create(addOne, &runs, 0, 0, 0, 0));
        ASSERT_NE(threads.back(), nullptr);
    }
    for (Vexo_Thread t : threads) {
        EXPECT_EQ(Vexo_Thread_Wait(t), 0);
    }
    EXPECT_EQ(runs.load(), 8);
}

TEST(VexoThread, NullProcGivesNoThreadAndWaitOnNullFails) {
    EXPECT_EQ(Vexo_Thread_Create(nullptr, nullptr, 0, 0, 0, 0), nullptr);
    EXPECT_EQ(Vexo_Thread_Wait(nullptr), -1);
}

TEST(VexoThread, AnExceptionInTheProcDoesNotEndTheProcess) {
    auto throwing = [](void*) -> std::intptr_t { throw std::runtime_error("boom"); };
    Vexo_Thread t = Vexo_Thread_Create(throwing, nullptr, 0, 0, 0, 0);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(Vexo_Thread_Wait(t), 0);
}

class VexoSemTest : public ::testing::Test {
  protected:
    void TearDown() override { Vexo_SemDestroy(&m_sem); }
    Vexo_Sem m_sem;
};

TEST_F(VexoSemTest, TakesItsTokensThenTimesOutAfterTheWait) {
    ASSERT_EQ(Vexo_SemCreate(&m_sem, 2), 0);
    EXPECT_EQ(Vexo_SemTimedWait(&m_sem, 0), 0);
    EXPECT_EQ(Vexo_SemTimedWait(&m_sem, 1000), 0);
    const auto start = Clock::now();
    EXPECT_NE(Vexo_SemTimedWait(&m_sem, 60), 0);
    EXPECT_GE(Clock::now() - start, 60ms);
    EXPECT_EQ(Vexo_SemPost(&m_sem), 0);
    EXPECT_EQ(Vexo_SemTimedWait(&m_sem, 0), 0);
}

TEST_F(VexoSemTest, PostWakesABlockedWaiter) {
    ASSERT_EQ(Vexo_SemCreate(&m_sem, 0), 0);
    struct Waiter {
        Vexo_Sem* sem;
        std::atomic<pid_t> tid{0};
        std::atomic<int> result{99};
    } waiter{&m_sem};
    auto wait = [](void* arg) -> std::intptr_t {
        auto* w = static_cast<Waiter*>(arg);
        w->tid = corvane::test::currentThreadId();
        w->result = Vexo_SemTimedWait(w->sem, 20000);
        return 0;
    };
    Vexo_Thread t = Vexo_Thread_Create(wait, &waiter, 0, 0, 0, 0);
    ASSERT_NE(t, nullptr);
    while (waiter.tid.load() == 0) {
        std::this_thread::yield();
    }
    ASSERT_TRUE(corvane::test::waitUntilSleeping(waiter.tid.load(), 5s));
    const auto start = Clock::now();
    EXPECT_EQ(Vexo_SemPost(&m_sem), 0);
    Vexo_Thread_Wait(t);
    EXPECT_EQ(waiter.result.load(), 0);
    EXPECT_LT(Clock::now() - start, 10s);
}

TEST_F(VexoSemTest, WithoutASemaphoreEveryCallFails) {
    EXPECT_EQ(Vexo_SemTimedWait(&m_sem, 0), -1);
    EXPECT_EQ(Vexo_SemPost(&m_sem), -1);
    EXPECT_EQ(Vexo_SemTimedWait(nullptr, 0), -1);
    EXPECT_EQ(Vexo_SemCreate(nullptr, 1), -1);
    EXPECT_EQ(Vexo_SemCreate(&m_sem, -1), -1);
    Vexo_SemDestroy(&m_sem);  // nothing to release: must be harmless
    Vexo_SemDestroy(nullptr);
}

TEST_F(VexoSemTest, DestroyZeroesTheRecordAndCreatingAgainResetsTheCount) {
    ASSERT_EQ(Vexo_SemCreate(&m_sem, 0), 0);
    Vexo_SemPost(&m_sem);
    Vexo_SemPost(&m_sem);
    // A server restart creates the semaphore on the same record again.
    ASSERT_EQ(Vexo_SemCreate(&m_sem, 1), 0);
    EXPECT_EQ(Vexo_SemTimedWait(&m_sem, 0), 0);
    EXPECT_NE(Vexo_SemTimedWait(&m_sem, 0), 0);
    Vexo_SemDestroy(&m_sem);
    EXPECT_EQ(m_sem.impl, nullptr);
}

TEST(VexoGuard, ReleaseUnlocksOnceAndTheDestructorDoesNotUnlockAgain) {
    Vexo_Mutex mutex;
    {
        Vexo_Guard guard(&mutex);
        guard.Release();
        guard.Release();
        Vexo_Guard again(&mutex);  // would hang if the first guard still held the mutex
    }
    Vexo_Guard last(&mutex);
}

TEST(VexoTick, NeverGoesBackAndFollowsTheClock) {
    std::uint64_t previous = Vexo_GetTimeTick();
    const auto start = Clock::now();
    const std::uint64_t first = previous;
    while (Clock::now() - start < 30ms) {
        const std::uint64_t now = Vexo_GetTimeTick();
        ASSERT_GE(now, previous);
        previous = now;
    }
    // Read once more after the loop: the thread may have been descheduled before its last check.
    const std::uint64_t last = Vexo_GetTimeTick();
    ASSERT_GE(last, previous);
    EXPECT_GE(last - first, 29U);
}

TEST(VexoTick, OffsetMakesTheLow32BitsWrapWhileDifferencesStayRight) {
    Vexo_SetTimeTickOffset(0);
    const std::uint64_t raw = Vexo_GetTimeTick();
    // Put the low 32 bits 20 ms before the wrap.
    Vexo_SetTimeTickOffset((std::uint64_t{1} << 32) - (raw & 0xFFFFFFFFU) - 20);
    const auto before = static_cast<std::uint32_t>(Vexo_GetTimeTick());
    EXPECT_GT(before, 0xFFFFFF00U);
    std::uint32_t after = before;
    const auto start = Clock::now();
    while (after >= before && Clock::now() - start < 5s) {
        after = static_cast<std::uint32_t>(Vexo_GetTimeTick());
    }
    Vexo_SetTimeTickOffset(0);
    EXPECT_LT(after, before) << "the low 32 bits did not wrap";
    const std::uint32_t elapsed = after - before;  // modulo 2^32
    EXPECT_GE(elapsed, 1U);
    EXPECT_LT(elapsed, 5000U);
}

}  // namespace
