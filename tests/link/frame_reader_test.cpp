// The framing reader both links use: messages split, glued, oversized, and noise between frames.
#include "link/frame_reader.h"

#include "support/quillet_capture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane {
namespace {

using Framing = FrameReader::Framing;
using Messages = std::vector<std::string>;

// Feeds every piece in turn and collects what comes out.
Messages feedAll(FrameReader& reader, const std::vector<std::string>& pieces) {
    Messages out;
    for (const auto& piece : pieces) {
        EXPECT_TRUE(reader.feed(piece, out)) << "piece: " << piece;
    }
    return out;
}

struct FramingCase {
    const char* name;
    Framing framing;
    std::vector<std::string> pieces;
    Messages expected;
    std::size_t pending;
};

class FramingTest : public ::testing::TestWithParam<FramingCase> {};

TEST_P(FramingTest, CutsTheStreamIntoMessages) {
    const FramingCase& c = GetParam();
    FrameReader reader(c.framing);
    EXPECT_EQ(feedAll(reader, c.pieces), c.expected);
    EXPECT_EQ(reader.pending(), c.pending);
    EXPECT_FALSE(reader.overflowed());
}

const std::string kCid = "501001 181234113001015\x14";
const std::string kHeartbeat = "1011           @    \x14";
const std::string kSiaFrame = "\nCF3F0014\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA01]\r";
const std::string kNullFrame = "\n8D3D0016\"NULL\"0000R0L0#0000[]\r";
// A 2-byte binary CRC whose bytes are LF and CR.
const std::string kBinaryCrcFrame = "\n\n\r0014\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA01]\r";

INSTANTIATE_TEST_SUITE_P(
    Streams, FramingTest,
    ::testing::Values(
        FramingCase{"SurGardWhole", Framing::SurGard, {kCid}, {kCid}, 0},
        FramingCase{
            "SurGardSplit", Framing::SurGard, {kCid.substr(0, 7), kCid.substr(7)}, {kCid}, 0},
        FramingCase{"SurGardSplitByteByByte", Framing::SurGard, {"1", "0", "\x14"}, {"10\x14"}, 0},
        FramingCase{"SurGardGlued", Framing::SurGard, {kCid + kHeartbeat}, {kCid, kHeartbeat}, 0},
        FramingCase{"SurGardGluedWithTail",
                    Framing::SurGard,
                    {kCid + kHeartbeat.substr(0, 5), kHeartbeat.substr(5)},
                    {kCid, kHeartbeat},
                    0},
        FramingCase{"SurGardKeepsTheTail", Framing::SurGard, {kCid + "1011"}, {kCid}, 4},
        FramingCase{"SurGardTerminatorAlone", Framing::SurGard, {"\x14\x14"}, {"\x14", "\x14"}, 0},
        FramingCase{"SurGardZeroBytesKept",
                    Framing::SurGard,
                    {std::string("1\0"
                                 "2\x14",
                                 4)},
                    {std::string("1\0"
                                 "2\x14",
                                 4)},
                    0},
        FramingCase{"SurGardIgnoresLfAndCr", Framing::SurGard, {"\nA\rB\x14"}, {"\nA\rB\x14"}, 0},
        FramingCase{"SiaWhole", Framing::SiaDcs, {kSiaFrame}, {kSiaFrame}, 0},
        FramingCase{"SiaSplit",
                    Framing::SiaDcs,
                    {kSiaFrame.substr(0, 9), kSiaFrame.substr(9)},
                    {kSiaFrame},
                    0},
        FramingCase{
            "SiaGlued", Framing::SiaDcs, {kSiaFrame + kNullFrame}, {kSiaFrame, kNullFrame}, 0},
        FramingCase{"SiaBytesBeforeAnLfAreAMessageOfTheirOwn",
                    Framing::SiaDcs,
                    {"junk" + kSiaFrame + "xx", "yy" + kNullFrame},
                    {"junk", kSiaFrame, "xxyy", kNullFrame},
                    0},
        FramingCase{"SiaLostCrEndsAtTheNextLf",
                    Framing::SiaDcs,
                    {kSiaFrame.substr(0, 20) + kNullFrame},
                    {kSiaFrame.substr(0, 20), kNullFrame},
                    0},
        FramingCase{"SiaWithoutLfSkipsLeadingNulAndBlanks",
                    Framing::SiaDcs,
                    {kSiaFrame + std::string(" \0\t", 3) + kNullFrame.substr(1)},
                    {kSiaFrame, kNullFrame.substr(1)},
                    0},
        FramingCase{"SiaBinaryCrcHoldingLfAndCr",
                    Framing::SiaDcs,
                    {kBinaryCrcFrame + kNullFrame},
                    {kBinaryCrcFrame, kNullFrame},
                    0},
        FramingCase{"SiaLfCrIsNoBinaryCrc",
                    Framing::SiaDcs,
                    {"\n\r" + kNullFrame},
                    {"\n\r", kNullFrame},
                    0},
        // One answer per frame for senders that end each frame with CR LF.
        FramingCase{"SiaCrLfEndsEachFrame",
                    Framing::SiaDcs,
                    {kSiaFrame + "\n" + kNullFrame + "\n"},
                    {kSiaFrame, kNullFrame},
                    1},
        FramingCase{"SiaLfNulAndBlankRunsBetweenFramesAreNoMessage",
                    Framing::SiaDcs,
                    {kSiaFrame + std::string("\n\n \0\n\t", 6) + kNullFrame},
                    {kSiaFrame, kNullFrame},
                    0},
        FramingCase{"SiaStrayZeroAfterCr",
                    Framing::SiaDcs,
                    {kSiaFrame + std::string(1, '\0'), kNullFrame + std::string(1, '\0')},
                    {kSiaFrame, kNullFrame},
                    0},
        FramingCase{"SiaWithoutLfStartsAfterThePreviousMessage",
                    Framing::SiaDcs,
                    {"abc\rdef"},
                    {"abc\r"},
                    3},
        FramingCase{"SiaIgnoresSurGardTerminator",
                    Framing::SiaDcs,
                    {"\nA\x14"
                     "B\r"},
                    {"\nA\x14"
                     "B\r"},
                    0}),
    [](const ::testing::TestParamInfo<FramingCase>& tested) {
        return std::string(tested.param.name);
    });

TEST(FrameReaderTest, FramingFollowsTheProtocol) {
    EXPECT_EQ(FrameReader::framingFor(Protocol::SiaDcs), Framing::SiaDcs);
    EXPECT_EQ(FrameReader::framingFor(Protocol::SurGard), Framing::SurGard);
    EXPECT_EQ(FrameReader::framingFor(protocolNamed("sia-dcs")), Framing::SurGard);
}

// The bound: what may be kept without a terminator stays below the limit, a complete message may
// fill it exactly, and an overflow spends the reader.
TEST(FrameReaderTest, PartialMessageBoundedAt64KiB) {
    FrameReader reader(Framing::SurGard);
    Messages out;
    const std::string almost(FrameReader::kDefaultLimit - 1, 'A');
    EXPECT_TRUE(reader.feed(almost, out));
    EXPECT_EQ(reader.pending(), almost.size());
    EXPECT_TRUE(reader.feed("\x14", out));
    ASSERT_EQ(out.size(), 1U);
    EXPECT_EQ(out[0].size(), FrameReader::kDefaultLimit);

    out.clear();
    EXPECT_TRUE(reader.feed(std::string(FrameReader::kDefaultLimit - 1, 'B'), out));
    EXPECT_FALSE(reader.feed("B", out));
    EXPECT_TRUE(reader.overflowed());
    EXPECT_EQ(reader.pending(), 0U);
    EXPECT_FALSE(reader.feed("\x14", out)) << "an overflowed reader stays spent";
    EXPECT_TRUE(out.empty());
}

TEST(FrameReaderTest, OversizedMessagesOverflow) {
    struct Case {
        const char* name;
        Framing framing;
        std::vector<std::string> pieces;
    };
    const std::vector<Case> cases = {
        {"SurGardOneChunk", Framing::SurGard, {std::string(16, 'A') + "\x14"}},
        {"SurGardTwoChunks",
         Framing::SurGard,
         {std::string(10, 'A'), std::string(6, 'A') + "\x14"}},
        {"SurGardNoTerminator", Framing::SurGard, {std::string(16, 'A')}},
        {"SiaOneChunk", Framing::SiaDcs, {"\n" + std::string(15, 'A') + "\r"}},
        {"SiaNoCr", Framing::SiaDcs, {"\n" + std::string(8, 'A'), std::string(8, 'A')}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FrameReader reader(c.framing, 16);
        Messages out;
        bool fits = true;
        for (const auto& piece : c.pieces) {
            fits = fits && reader.feed(piece, out);
        }
        EXPECT_FALSE(fits);
        EXPECT_TRUE(reader.overflowed());
        EXPECT_TRUE(out.empty());
    }
}

TEST(FrameReaderTest, MessagesBeforeAnOverflowStillComeOut) {
    FrameReader reader(Framing::SurGard, 16);
    Messages out;
    EXPECT_FALSE(
        reader.feed("12\x14"
                    "34\x14" +
                        std::string(20, 'A'),
                    out));
    EXPECT_EQ(out, (Messages{"12\x14", "34\x14"}));
}

// Every stream gives the same messages whichever byte it is split at.
TEST(FrameReaderTest, SiaSplitAtEveryByteBoundary) {
    const std::vector<std::string> streams = {
        kSiaFrame + kNullFrame, kBinaryCrcFrame + kSiaFrame, "junk" + kNullFrame + "\n\r",
        kSiaFrame.substr(0, 12) + kBinaryCrcFrame + std::string(2, '\0') + "abc\r",
        kSiaFrame + "\n" + kBinaryCrcFrame + "\n" + kNullFrame + "\n\n"};
    for (const std::string& stream : streams) {
        FrameReader whole(Framing::SiaDcs);
        Messages expected;
        ASSERT_TRUE(whole.feed(stream, expected));
        for (std::size_t cut = 1; cut < stream.size(); ++cut) {
            FrameReader reader(Framing::SiaDcs);
            EXPECT_EQ(feedAll(reader, {stream.substr(0, cut), stream.substr(cut)}), expected)
                << "cut at " << cut;
        }
    }
}

TEST(FrameReaderTest, SiaSkippedBytesAreNoted) {
    test::QuilletCapture log;
    FrameReader reader(Framing::SiaDcs);
    Messages out;
    EXPECT_TRUE(reader.feed(std::string(" \0 ", 3) + kNullFrame + std::string(2, '\0'), out));
    EXPECT_TRUE(reader.feed(kSiaFrame + std::string(" \0", 2) + kNullFrame, out));
    EXPECT_EQ(out, (Messages{kNullFrame, kSiaFrame, kNullFrame}));
    EXPECT_EQ(log.count("skipped 3 byte(s) between frames: 20 00 20", 2), 1);
    EXPECT_EQ(log.count("quirk: 2 NUL byte(s) after CR", 3), 1);
    EXPECT_EQ(log.count("skipped 2 byte(s) between frames: 20 00", 2), 1);
    EXPECT_TRUE(reader.feed("\n" + kSiaFrame + "\n\n", out));
    EXPECT_EQ(log.count("quirk: 1 LF byte(s) after CR", 3), 1);
    EXPECT_EQ(reader.finish().size, 0U) << "LF after CR is no unfinished message";
    EXPECT_EQ(log.count("quirk: 2 LF byte(s) after CR", 3), 1);
}

// What a connection leaves open when it ends comes back once, with its first bytes.
TEST(FrameReaderTest, FinishHandsBackTheOpenMessage) {
    struct Case {
        Framing framing;
        std::string stream;
        std::size_t size;
    };
    const Case cases[] = {
        {Framing::SiaDcs, kNullFrame + kSiaFrame.substr(0, 20), 20},
        {Framing::SiaDcs, kNullFrame + "\n \n", 0},
        {Framing::SurGard, kCid + "1011", 4},
        {Framing::SurGard, kCid, 0},
    };
    for (const Case& c : cases) {
        FrameReader reader(c.framing);
        Messages out;
        ASSERT_TRUE(reader.feed(c.stream, out));
        const FrameReader::Unfinished left = reader.finish();
        EXPECT_EQ(left.size, c.size) << c.stream;
        EXPECT_EQ(left.head, c.stream.substr(c.stream.size() - c.size, 16));
        EXPECT_EQ(reader.pending(), 0U);
    }
    EXPECT_EQ(FrameReader::hexBytes("\n1\xFF"), "0A 31 FF");
}

TEST(FrameReaderTest, SiaNulAndBlanksDoNotCountAgainstTheBound) {
    FrameReader reader(Framing::SiaDcs, 16);
    Messages out;
    EXPECT_TRUE(reader.feed(std::string(1000, ' '), out));
    EXPECT_TRUE(reader.feed("\nAB\r", out));
    EXPECT_EQ(out, (Messages{"\nAB\r"}));
}

}  // namespace
}  // namespace corvane
