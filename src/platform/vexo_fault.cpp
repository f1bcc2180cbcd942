// The failure seam: per kind of call, how many calls still succeed and how many fail after them.
#include <array>
#include <cerrno>
#include <mutex>

#include "platform/vexo_fault.h"

namespace {

struct Plan {
    int skip = 0;
    int count = 0;
};

std::mutex g_faultMutex;  // guards g_plans
std::array<Plan, 3> g_plans{};

}  // namespace

void Vexo_FailNext(Vexo_Fault fault, int count, int skip) {
    std::lock_guard lock(g_faultMutex);
    g_plans[static_cast<std::size_t>(fault)] = Plan{skip, count};
}

void Vexo_ClearFaults() {
    std::lock_guard lock(g_faultMutex);
    g_plans = {};
}

namespace vexo_detail {

bool faultHits(Vexo_Fault fault) {
    std::lock_guard lock(g_faultMutex);
    Plan& plan = g_plans[static_cast<std::size_t>(fault)];
    if (plan.count <= 0) {
        return false;
    }
    if (plan.skip > 0) {
        --plan.skip;
        return false;
    }
    --plan.count;
    // As the system would say it: no descriptor, no thread, no memory left.
    constexpr std::array kErrors = {EAGAIN, EMFILE, ENOMEM};
    errno = kErrors[static_cast<std::size_t>(fault)];
    return true;
}

}  // namespace vexo_detail
