// Threads: the handle is a heap-held std::thread, released by the wait.
#include <exception>
#include <memory>
#include <system_error>
#include <thread>

#include "platform/quillet.h"
#include "platform/vexo.h"
#include "platform/vexo_fault.h"

namespace {

struct ThreadHandle {
    std::thread thread;
};

void runGuarded(Vexo_ThreadProc proc, void* arg) {
    // An exception must not leave a thread body: std::terminate would end the operator's session.
    try {
        proc(arg);
    } catch (const std::exception& e) {
        QUILLET(5, "Vexo_Thread", "thread ended by an exception: %s", e.what());
    } catch (...) {
        QUILLET(5, "Vexo_Thread", "thread ended by an unknown exception");
    }
}

}  // namespace

Vexo_Thread Vexo_Thread_Create(Vexo_ThreadProc proc, void* arg, int, int, int, int) {
    if (proc == nullptr || vexo_detail::faultHits(Vexo_Fault::ThreadCreate)) {
        return nullptr;
    }
    try {
        auto handle = std::make_unique<ThreadHandle>();
        handle->thread = std::thread(runGuarded, proc, arg);
        return handle.release();
    } catch (...) {  // std::system_error when no thread can start, std::bad_alloc
        return nullptr;
    }
}

int Vexo_Thread_Wait(Vexo_Thread thread) {
    if (thread == nullptr) {
        return -1;
    }
    auto* handle = static_cast<ThreadHandle*>(thread);
    int result = 0;
    try {
        handle->thread.join();
    } catch (const std::system_error&) {
        // Waiting for oneself cannot succeed: let the thread run on and still release the handle.
        if (handle->thread.joinable()) {
            handle->thread.detach();
        }
        result = -1;
    }
    delete handle;
    return result;
}
