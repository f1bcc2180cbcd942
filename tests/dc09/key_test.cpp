// Keys as the operator types them, and the keys file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "dc09/key_table.h"

namespace corvane::dc09 {
namespace {

TEST(Dc09Key, ReadsHexAndTextFormsAndRefusesTheRest) {
    struct Case {
        std::string typed;
        std::string form;  // describe(), or a piece of the refusal
        bool ok;
    };
    const std::string hex32 = "000102030405060708090a0b0c0d0e0F";
    const Case cases[] = {
        {hex32, "hex, AES-128", true},
        {std::string(48, 'A'), "hex, AES-192", true},
        {std::string(64, 'f'), "hex, AES-256", true},
        {"AAAAAAAAAAAAAAAA", "text, AES-128", true},
        {"0123456789abcdefghijklmn", "text, AES-192", true},
        {"text:" + hex32, "text, AES-256", true},  // 32 characters forced to text
        {std::string(31, 'G') + "!", "text, AES-256", true},
        {"", "has 0 characters", false},
        {"short", "has 5 characters", false},
        {std::string(33, '0'), "has 33 characters", false},
        {"text:abc", "A text key has 16, 24 or 32 characters", false},
        {std::string(15, 'a') + "\t", "printable", false},
    };
    for (const auto& c : cases) {
        const Result<Key> key = readKey(c.typed);
        ASSERT_EQ(key.has_value(), c.ok) << c.typed;
        if (c.ok) {
            EXPECT_EQ(key->describe(), c.form) << c.typed;
        } else {
            EXPECT_NE(key.error().why.find(c.form), std::string::npos) << key.error().why;
        }
    }
    EXPECT_EQ(readKey(hex32)->data()[15], 0x0F);
    EXPECT_EQ(readKey("text:" + hex32)->data()[0], '0');
}

TEST(Dc09Key, TableFindsTheAccountsKeyThenTheAnyKey) {
    KeyTable table;
    EXPECT_EQ(table.find("1234"), nullptr);
    ASSERT_TRUE(table.set("12ab", *readKey(std::string(32, '1'))));
    EXPECT_FALSE(table.set("12-4", *readKey(std::string(32, '1'))));
    EXPECT_NE(table.find("12AB"), nullptr);
    EXPECT_EQ(table.find("9999"), nullptr);
    ASSERT_TRUE(table.set("*", *readKey(std::string(48, '2'))));
    EXPECT_EQ(table.find("9999")->size(), 24U);
    EXPECT_EQ(table.find("12ab")->size(), 16U);
}

TEST(Dc09KeyFile, ReadsLinesAndNamesTheBadOne) {
    struct Case {
        std::string text;
        std::string error;  // empty: the text is good
        std::size_t keys;
    };
    const Case cases[] = {
        {"# keys\n1234,AAAAAAAAAAAAAAAA\r\n\n *, " + std::string(64, '0') + " \n", "", 2},
        {"1234,AAAAAAAAAAAAAAAA\n5678,abc\n", "line 2: ", 0},
        {"1234 AAAAAAAAAAAAAAAA\n", "line 1: expected account,key", 0},
        {"\n\n12x4,AAAAAAAAAAAAAAAA\n", "line 3: the account", 0},
        {"1234,text:a,b,c,d,e,f,g,h,\n", "", 1},  // a text key may hold commas
    };
    for (const auto& c : cases) {
        const Result<KeyTable> table = readKeyText(c.text);
        ASSERT_EQ(table.has_value(), c.error.empty()) << c.text;
        if (table) {
            EXPECT_EQ(table->size(), c.keys);
        } else {
            EXPECT_EQ(table.error().why.substr(0, c.error.size()), c.error) << c.text;
        }
    }
}

TEST(Dc09KeyFile, MissingAndBinaryFilesAreRefused) {
    EXPECT_NE(readKeyFile("/nonexistent/keys.txt").error().why.find("cannot open"),
              std::string::npos);
    const std::string path = ::testing::TempDir() + "dc09_binary_keys";
    std::ofstream(path, std::ios::binary) << std::string("1234,\0\x01\x02", 8);
    EXPECT_NE(readKeyFile(path).error().why.find("not a text file"), std::string::npos);
    std::ofstream(path, std::ios::binary) << "1234,AAAAAAAAAAAAAAAA\n";
    EXPECT_TRUE(readKeyFile(path).has_value());
    std::ofstream(path, std::ios::binary) << std::string(1024 * 1024 + 1, '#');
    EXPECT_NE(readKeyFile(path).error().why.find("larger than 1 MiB"), std::string::npos);
    std::remove(path.c_str());
    // A FIFO with no writer is refused at once, never waited on; so is a directory.
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_NE(readKeyFile(path).error().why.find("not a regular file"), std::string::npos);
    std::remove(path.c_str());
    EXPECT_NE(readKeyFile(::testing::TempDir()).error().why.find("not a regular file"),
              std::string::npos);
}

}  // namespace
}  // namespace corvane::dc09
