// Exports survive every byte value and file-syntax look-alikes, are written whole or not at all,
// and read back for a replay with errors that name the line.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "record/record_export.h"
#include "record/record_import.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

struct ExportTest : ::testing::Test {
    fs::path dir = fs::temp_directory_path() / ("corvane-export-" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all);
        fs::remove_all(dir);
    }
    static std::vector<MessageRecord> tricky() {
        std::string everyByte;
        for (int b = 0; b < 256; ++b) {
            everyByte.push_back(static_cast<char>(b));
        }
        std::vector<MessageRecord> out;
        for (std::string raw :
             {everyByte, std::string(65536, '\xA7'), std::string("=1+2,\"x\"\r\n"),
              std::string("{\"a\":[1]}\n"), std::string("@SUM(A1)")}) {
            MessageRecord r;
            r.sequence = out.size() + 1;
            r.connection = out.size() % 2 + 1;
            r.receivedUs = 1'765'000'000'000'000 + static_cast<std::int64_t>(out.size());
            r.description = raw.substr(0, 40);
            r.clearText = raw.substr(0, 300);
            r.raw = std::move(raw);
            out.push_back(std::move(r));
        }
        return out;
    }
    static std::string read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(ExportTest, BothFormatsRoundTripEveryByte) {
    const auto records = tricky();
    for (const char* name : {"out.csv", "out.jsonl"}) {
        const fs::path path = dir / name;
        ASSERT_TRUE(exportRecords(records, path.string()));
        const auto back = importRecords(path.string());
        ASSERT_TRUE(back) << back.error().why;
        ASSERT_EQ(back->size(), records.size());
        for (std::size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ((*back)[i].raw, records[i].raw) << name << " " << i;
            EXPECT_EQ((*back)[i].clearText, records[i].clearText) << name << " " << i;
            EXPECT_EQ((*back)[i].connection, records[i].connection);
            EXPECT_EQ((*back)[i].receivedUs, records[i].receivedUs);
        }
    }
    const std::string csv = read(dir / "out.csv");
    EXPECT_EQ(csv.rfind("sequence,received_utc,", 0), 0U);
    EXPECT_NE(csv.find(",\"'=1+2,\"\"x\"\"\\r\\n\","), std::string::npos);  // neutralised
    EXPECT_NE(csv.find(",\"'@SUM(A1)\","), std::string::npos);
}

TEST_F(ExportTest, AnUnwritablePlaceFailsCleanlyAndLeavesNoFile) {
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    // Root writes into read-only folders; nobody creates files in /proc.
    const fs::path path = ::geteuid() == 0 ? fs::path("/proc/self/x.csv") : dir / "x.csv";
    const std::string error = exportRecords(tricky(), path.string()).error().why;
    EXPECT_EQ(error.rfind("Cannot write " + path.string() + ": ", 0), 0U) << error;
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(ExportTest, AMissingFolderIsNamedInTheError) {
    const std::string path = (dir / "nowhere" / "x.jsonl").string();
    const Result<void> written = exportRecords(tricky(), path);
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().why.rfind("Cannot write " + path + ": ", 0), 0U);
    EXPECT_EQ(written.error().where, path);
}

TEST_F(ExportTest, BadOrCutFilesNameTheLine) {
    const auto records = tricky();
    ASSERT_TRUE(exportRecords(records, (dir / "a.csv").string()));
    ASSERT_TRUE(exportRecords(records, (dir / "a.jsonl").string()));
    const std::string csv = read(dir / "a.csv");
    const std::string jsonl = read(dir / "a.jsonl");
    struct Case {
        std::string text;
        std::string error;
    } cases[] = {
        {"hello\n", "f:1: not a Corvane records export"},
        {csv.substr(0, csv.size() - 5), "f:"},
        {jsonl.substr(0, jsonl.size() - 3), "f:5: the file is cut short"},
        {"{\"raw_hex\":\"0G\",\"connection\":1,\"received_us\":1}\n", "f:1: raw_hex"},
        {csvHeader() + "1,2\r\n", "f:2: expected 20 fields, found 2"},
        {"{\"raw_hex\":\"0A\",\"clear_text\":\"\\\\q\",\"connection\":1,\"received_us\":1}\n",
         "f:1: clear_text"},
    };
    for (const Case& c : cases) {
        const auto result = importRecordsText(c.text, "f");
        ASSERT_FALSE(result) << c.error;
        EXPECT_EQ(result.error().why.rfind(c.error, 0), 0U) << result.error().why;
    }
}

// Exports written before the clear_text column (and the unsent answers' columns) still read.
TEST_F(ExportTest, ExportsWithoutTheClearTextColumnRead) {
    std::string header;
    for (const std::string& column : kRecordColumns) {
        if (column == "planned_word") {
            break;
        }
        header += column == "clear_text" ? "" : (header.empty() ? "" : ",") + column;
    }
    const auto back =
        importRecordsText(header + "\r\n1,t,5,2,p,SIA-DCS,sia,0A31,x,,,,,none,,,false\r\n", "f");
    ASSERT_TRUE(back) << back.error().why;
    ASSERT_EQ(back->size(), 1U);
    EXPECT_EQ(back->front().raw, "\n1");
    EXPECT_EQ(back->front().clearText, "");
}

}  // namespace
}  // namespace corvane
