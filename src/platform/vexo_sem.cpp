// A counting semaphore with a timed wait, over a mutex and a condition variable on the steady
// clock (so a change of the wall clock cannot stretch or cut a wait).
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

#include "platform/vexo.h"
#include "platform/vexo_fault.h"

namespace {

struct Semaphore {
    std::mutex mutex;
    std::condition_variable tokenAdded;
    int count = 0;
};

Semaphore* semOf(Vexo_Sem* sem) {
    return sem != nullptr ? static_cast<Semaphore*>(sem->impl) : nullptr;
}

}  // namespace

int Vexo_SemCreate(Vexo_Sem* sem, int count) {
    if (sem == nullptr || count < 0 || vexo_detail::faultHits(Vexo_Fault::SemCreate)) {
        return -1;
    }
    if (Semaphore* existing = semOf(sem)) {
        // A server restart creates the semaphore again: reuse the record instead of leaking it.
        std::lock_guard lock(existing->mutex);
        existing->count = count;
        return 0;
    }
    auto* created = new (std::nothrow) Semaphore;
    if (created == nullptr) {
        return -1;
    }
    created->count = count;
    sem->impl = created;
    return 0;
}

int Vexo_SemTimedWait(Vexo_Sem* sem, int timeoutMs) {
    Semaphore* s = semOf(sem);
    if (s == nullptr) {
        return -1;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
    std::unique_lock lock(s->mutex);
    if (!s->tokenAdded.wait_until(lock, deadline, [s] { return s->count > 0; })) {
        return -1;
    }
    --s->count;
    return 0;
}

int Vexo_SemPost(Vexo_Sem* sem) {
    Semaphore* s = semOf(sem);
    if (s == nullptr) {
        return -1;
    }
    {
        std::lock_guard lock(s->mutex);
        ++s->count;
    }
    s->tokenAdded.notify_one();
    return 0;
}

void Vexo_SemDestroy(Vexo_Sem* sem) {
    if (sem == nullptr) {
        return;
    }
    delete semOf(sem);
    sem->impl = nullptr;
}
