// The key-name table: its order (the binary search depends on it), its contents and lookups.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "tests/keys/KeysFixture.h"

using namespace keystest;

namespace {

TEST(KeyNameTable, HasSixtyTwoNamesInStrictByteOrder) {
    const auto& table = keys::KeyNameTable;
    ASSERT_EQ(table.size(), 62u);
    for (std::size_t i = 1; i < table.size(); ++i) {
        EXPECT_LT(std::strcmp(table[i - 1].Name, table[i].Name), 0)
            << table[i - 1].Name << " before " << table[i].Name;
    }
    int commands = 0;
    for (const auto& entry : table) {
        for (const char* p = entry.Name; *p != 0; ++p) {
            EXPECT_TRUE((*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9')) << entry.Name;
        }
        if (entry.Code == keys::CommandCode)
            ++commands;
    }
    EXPECT_EQ(commands, 17);
}

TEST(KeyNameTable, CodesOfKeyNames) {
    const std::pair<const char*, std::uint8_t> expected[] = {
        {"BACKSPACE", 0x08}, {"BKSP", 0x08},   {"BS", 0x08},         {"BREAK", 0x03},
        {"CAPSLOCK", 0x14},  {"CLEAR", 0x0C},  {"DEL", 0x2E},        {"DELETE", 0x2E},
        {"DOWN", 0x28},      {"END", 0x23},    {"ENTER", 0x0D},      {"ESC", 0x1B},
        {"ESCAPE", 0x1B},    {"HELP", 0x2F},   {"HOME", 0x24},       {"INS", 0x2D},
        {"INSERT", 0x2D},    {"LEFT", 0x25},   {"NUMLOCK", 0x90},    {"PAGEDOWN", 0x22},
        {"PGDN", 0x22},      {"PAGEUP", 0x21}, {"PGUP", 0x21},       {"PRINTSCREEN", 0x2C},
        {"PRTSC", 0x2C},     {"RIGHT", 0x27},  {"SCROLLLOCK", 0x91}, {"TAB", 0x09},
        {"UP", 0x26}};
    for (const auto& [name, code] : expected) {
        bool found = false;
        for (const auto& entry : keys::KeyNameTable) {
            if (std::strcmp(entry.Name, name) == 0) {
                EXPECT_EQ(entry.Code, code) << name;
                found = true;
            }
        }
        EXPECT_TRUE(found) << name;
    }
    for (int f = 1; f <= 16; ++f) {
        const std::string name = "F" + std::to_string(f);
        bool found = false;
        for (const auto& entry : keys::KeyNameTable) {
            if (name == entry.Name) {
                EXPECT_EQ(entry.Code, 0x6F + f) << name;
                found = true;
            }
        }
        EXPECT_TRUE(found) << name;
    }
}

using LookUp = KeysFixture;

TEST_F(LookUp, FindsEveryEntryByItsOwnName) {
    for (const auto& entry : keys::KeyNameTable) {
        EXPECT_EQ(engine.LookUpKeyName(entry.Name), entry.Code) << entry.Name;
    }
    EXPECT_TRUE(logLines().empty());
}

TEST_F(LookUp, MissesAreLoggedWhetherTracingOrNot) {
    const char* misses[] = {"",           "A",   "F",    "F17", "DE",  "DELET",
                            "BACKSPACEX", "ZZZ", "left", "UP ", "\x7F"};
    std::vector<std::string> expected;
    for (const char* name : misses) {
        EXPECT_EQ(engine.LookUpKeyName(name), keys::NoKey) << name;
        expected.push_back(std::string("TapSter: Ignored: ") + name + " Collided: -1");
    }
    EXPECT_EQ(logLines(), expected);
}

TEST_F(LookUp, EveryNameIsReachableFromAKeyString) {
    // Lower-case in the string, upper-cased while read; commands excluded (they act, not type).
    for (const auto& entry : keys::KeyNameTable) {
        if (entry.Code == keys::CommandCode)
            continue;
        std::string name = entry.Name;
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        input.events.clear();
        EXPECT_TRUE(engine.SendKeys("{" + name + "}", false)) << name;
        if (entry.Code == 0x90) {
            EXPECT_EQ(input.events.size(), 1u) << name;  // Num Lock: a state write only
        } else {
            ASSERT_EQ(input.events.size(), 2u) << name;
            EXPECT_EQ(input.events[0].substr(4, 2), vkHex(entry.Code)) << name;
        }
    }
}

}  // namespace
