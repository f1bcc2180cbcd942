// Decoding under test: decodeMessage, then parseLine on a station's counters, with the diagnostic
// lines captured, plus probes for the heartbeat tick and the counts.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/vexo.h"
#include "protocol/parse_line.h"
#include "station/station.h"
#include "support/quillet_capture.h"

namespace corvane::test {

struct Counts {
    std::int64_t cid = 0;
    std::int64_t sia = 0;
    std::int64_t heartbeat = 0;
    std::int64_t privateMsg = 0;
    std::int64_t deviceHeart = 0;
    std::int64_t unknown = 0;
    std::int64_t error = 0;
    bool operator==(const Counts&) const = default;
};

inline void PrintTo(const Counts& c, std::ostream* os) {
    *os << "{cid " << c.cid << ", sia " << c.sia << ", heartbeat " << c.heartbeat << ", private "
        << c.privateMsg << ", deviceHeart " << c.deviceHeart << ", unknown " << c.unknown
        << ", error " << c.error << "}";
}

// One diagnostic line of parseLine, with its "[CCorvaneDlg::parseLine(<line>)] " prefix taken
// off; `rest` stays empty and `prefixOk` false when the prefix is not there.
struct DecodeLine {
    int level;
    std::string rest;
    bool prefixOk;
};

// The description of a kind that has none.
inline constexpr const char* kUntouched = "";

class DecodeTest : public ::testing::Test {
  protected:
    void useProtocol(const std::string& protocol, const std::string& receiverType = "MLR2000") {
        station.m_protocol = protocolNamed(protocol);
        station.m_receiverType = receiverTypeNamed(receiverType);
    }

    // Decodes `message`, applies it to the counters and returns the description.
    std::string parse(const std::string& message) {
        armTick();
        const Decoded decoded = decodeMessage(message, station.m_protocol, station.m_receiverType);
        parseLine(decoded, message, station);
        unknown += decoded.note == Decoded::Note::Unknown ? 1 : 0;
        error += decoded.kind == MessageKind::FormatError ? 1 : 0;
        return decoded.description;
    }

    // A tick far from now, so a stamp is told apart from no stamp.
    void armTick() {
        m_armedTick = static_cast<std::uint32_t>(Vexo_GetTimeTick()) + 0x80000000U;
        station.setLastHeartbeatTick(m_armedTick);
    }
    bool tickStamped() const {
        const auto now = static_cast<std::uint32_t>(Vexo_GetTimeTick());
        const std::uint32_t tick = station.getLastHeartbeatTick();
        return tick != m_armedTick && static_cast<std::uint32_t>(now - tick) < 60000U;
    }

    Counts counts() const {
        return {station.m_cidCount.load(),
                station.m_siaCount.load(),
                station.m_sgHeartbeatCount.load(),
                station.m_sgPrivateCount.load(),
                station.m_deviceHeartCount.load(),
                unknown,
                error};
    }

    std::vector<DecodeLine> lines() const {
        static const std::string prefix = "[CCorvaneDlg::parseLine(";
        std::vector<DecodeLine> out;
        for (const auto& e : log.entries()) {
            DecodeLine line{e.level, {}, false};
            if (e.text.rfind(prefix, 0) == 0) {
                std::size_t i = prefix.size();
                const std::size_t digitsFrom = i;
                while (i < e.text.size() && e.text[i] >= '0' && e.text[i] <= '9') {
                    ++i;
                }
                if (i > digitsFrom && e.text.compare(i, 3, ")] ") == 0) {
                    line.rest = e.text.substr(i + 3);
                    line.prefixOk = true;
                }
            }
            out.push_back(line);
        }
        return out;
    }

    // Expects exactly one diagnostic line, at `level`, reading `rest` after its prefix.
    void expectOneLine(int level, const std::string& rest) const {
        const auto all = lines();
        ASSERT_EQ(all.size(), 1U);
        EXPECT_TRUE(all[0].prefixOk);
        EXPECT_EQ(all[0].level, level);
        EXPECT_EQ(all[0].rest, rest);
    }

    QuilletCapture log;
    Station station;
    std::int64_t unknown = 0;  // logged as unknown, and decoded as format errors
    std::int64_t error = 0;

  private:
    std::uint32_t m_armedTick = 0;
};

}  // namespace corvane::test
