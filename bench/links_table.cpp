#include "links_table.h"

#include <cstdio>

namespace corvane::bench {

void printTable(const std::vector<Row>& rows) {
    std::printf("\n%-38s %8s %10s %8s %8s  %-30s %9s  %s\n", "scenario", "messages", "msg/s",
                "med us", "p99 us", "vs floor (target)", "stop ms", "check");
    for (const Row& r : rows) {
        char rate[32] = "-";
        char median[32] = "-";
        char p99[32] = "-";
        char stop[32] = "-";
        char messages[32] = "-";
        if (r.rate > 0) {
            std::snprintf(rate, sizeof rate, "%.0f", r.rate);
            std::snprintf(median, sizeof median, "%llu", static_cast<unsigned long long>(r.median));
            std::snprintf(p99, sizeof p99, "%llu", static_cast<unsigned long long>(r.p99));
        }
        if (r.messages > 0) {
            std::snprintf(messages, sizeof messages, "%llu",
                          static_cast<unsigned long long>(r.messages));
        }
        if (r.stopMs >= 0) {
            std::snprintf(stop, sizeof stop, "%.1f", r.stopMs);
        }
        std::printf("%-38s %8s %10s %8s %8s  %-30s %9s  %s\n", r.name.c_str(), messages, rate,
                    median, p99, r.versusFloor.c_str(), stop, r.check.c_str());
    }
}

// Rate, median and p99 of `measured` against the floor, with the targets' verdict if asked.
std::string versusFloor(const Floor& floor, const Floor& measured, const Targets& targets) {
    const auto ratio = [](double value, double base) { return base > 0 ? value / base : 0.0; };
    const double rate = ratio(measured.rate, floor.rate);
    const double median =
        ratio(static_cast<double>(measured.median), static_cast<double>(floor.median));
    const double p99 = ratio(static_cast<double>(measured.p99), static_cast<double>(floor.p99));
    const bool judged = targets.rate > 0 || targets.median > 0 || targets.p99 > 0;
    const bool met = rate >= targets.rate && (targets.median <= 0 || median <= targets.median) &&
                     (targets.p99 <= 0 || p99 <= targets.p99);
    char text[96];
    std::snprintf(text, sizeof text, "%3.0f%% %4.2fx %4.2fx %s", rate * 100, median, p99,
                  !judged ? ""
                  : met   ? "(met)"
                          : "(missed)");
    return text;
}
}  // namespace corvane::bench
