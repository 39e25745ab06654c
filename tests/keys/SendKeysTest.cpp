// The key-string language against the recording input fake: exact event sequences, pauses asked
// of the clock, log lines and boxes.
#include <gtest/gtest.h>

#include <climits>

#include "support/Convert.h"
#include "tests/keys/KeysFixture.h"

using namespace keystest;
using Events = std::vector<std::string>;

namespace {

constexpr std::uint8_t Shift = 0x10, Control = 0x11, Alt = 0x12, Enter = 0x0D;

Events concat(std::initializer_list<Events> parts) {
    Events all;
    for (const Events& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}
Events tap(std::uint8_t vk) {
    return {down(vk), up(vk)};
}
Events shifted(std::uint8_t vk) {
    return {down(Shift), down(vk), up(vk), up(Shift)};
}
Events repeat(const Events& events, int times) {
    Events all;
    for (int i = 0; i < times; ++i) all.insert(all.end(), events.begin(), events.end());
    return all;
}

struct SequenceCase {
    const char* name;
    std::string keys;
    Events expected;
    bool result = true;
};

void PrintTo(const SequenceCase& c, std::ostream* os) {
    *os << c.name;
}

class Sequences : public KeysFixture, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(Sequences, SendsExactlyTheseEvents) {
    const SequenceCase& c = GetParam();
    EXPECT_EQ(engine.SendKeys(c.keys, false), c.result);
    EXPECT_EQ(input.events, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    KeyStrings, Sequences,
    ::testing::Values(
        SequenceCase{"PrintScreen", "{PRTSC}", tap(0x2C)},
        SequenceCase{"PrintScreenLongName", "{printscreen}", tap(0x2C)},
        SequenceCase{"SmallLetter", "a", tap('A')},
        SequenceCase{"CapitalLetter", "A", shifted('A')},
        SequenceCase{"ShiftOnlyFirst", "+abc",
                     concat({{down(Shift)}, tap('A'), {up(Shift)}, tap('B'), tap('C')})},
        SequenceCase{"ShiftGroup", "+(abc)",
                     concat({{down(Shift)}, tap('A'), tap('B'), tap('C'), {up(Shift)}})},
        SequenceCase{"ControlAltReleasedInOrder", "^%x",
                     concat({{down(Control), down(Alt)}, tap('X'), {up(Control), up(Alt)}})},
        SequenceCase{"GroupsDoNotNest", "+(a(b)c)",
                     concat({{down(Shift)}, tap('A'), tap('B'), {up(Shift)}, tap('C')})},
        SequenceCase{"NoWordModifiers", "SHIFT+a",
                     concat({shifted('S'),
                             shifted('H'),
                             shifted('I'),
                             shifted('F'),
                             shifted('T'),
                             {down(Shift)},
                             tap('A'),
                             {up(Shift)}})},
        SequenceCase{"UnclosedGroupKeepsShift", "(+ab",
                     concat({{down(Shift)}, tap('A'), tap('B')})},
        SequenceCase{"LiteralOpenBrace", "{{}", shifted(0xDB)},
        SequenceCase{"LiteralOpenBraceSkipsThirdCharacter", "{{xa",
                     concat({shifted(0xDB), tap('A')})},
        SequenceCase{"LiteralCloseBrace", "{}}", shifted(0xDD)},
        SequenceCase{"DoubledCloseDropsName", "{TAB}}", shifted(0xDD)},
        SequenceCase{"CloseBraceAlone", "}", shifted(0xDD)},
        SequenceCase{"BracedLetterIsCapital", "{a}", shifted('A')},
        SequenceCase{"BracedLetterCounted", "{a 3}",
                     concat({{down(Shift)}, repeat(tap('A'), 3), {up(Shift)}})},
        SequenceCase{"LeftSix", "{left 6}", repeat({xdown(0x25), xup(0x25)}, 6)},
        SequenceCase{"CountZero", "{left 0}", {}},
        SequenceCase{"Count65536IsNone", "{left 65536}", {}},
        SequenceCase{"HexCount", "{left $10}", repeat({xdown(0x25), xup(0x25)}, 16)},
        SequenceCase{"SignedBlankedCount", "{left   +2}", repeat({xdown(0x25), xup(0x25)}, 2)},
        SequenceCase{"ModifiersEvenWithCountZero", "{a 0}", {down(Shift), up(Shift)}},
        SequenceCase{"Backspace", "{BACKSPACE}{BKSP}{bs}", repeat(tap(0x08), 3)},
        SequenceCase{"EnterIsNotExtended", "{ENTER}", tap(Enter)},
        SequenceCase{"DeleteIsExtended", "{del}", {xdown(0x2E), xup(0x2E)}},
        SequenceCase{"ExtendedSet",
                     "{pgup}{pgdn}{end}{home}{up}{right}{down}{ins}",
                     {xdown(0x21), xup(0x21), xdown(0x22), xup(0x22), xdown(0x23), xup(0x23),
                      xdown(0x24), xup(0x24), xdown(0x26), xup(0x26), xdown(0x27), xup(0x27),
                      xdown(0x28), xup(0x28), xdown(0x2D), xup(0x2D)}},
        SequenceCase{"Tilde", "~", tap(Enter)},
        SequenceCase{"ShiftTilde", "+~", concat({{down(Shift)}, tap(Enter), {up(Shift)}})},
        SequenceCase{"ShiftFunctionKey", "+{F1}{f16}",
                     concat({{down(Shift)}, tap(0x70), {up(Shift)}, tap(0x7F)})},
        SequenceCase{"CommandKeepsModifierHeld", "+{PAUSE}a",
                     concat({{down(Shift)}, tap('A'), {up(Shift)}})},
        SequenceCase{"UnknownNameKeepsModifierHeld", "^{nosuchkey}a",
                     concat({{down(Control)}, tap('A'), {up(Control)}})},
        SequenceCase{"EmptyBraces", "{}", {}},
        SequenceCase{"LoneQuoteTyped", "{\"}", shifted(0xDE)},
        SequenceCase{"QuotedMessageSendsNothing", "{\"text to be displayed\"}", {}},
        SequenceCase{"NumLockNoKeyEvent", "{NUMLOCK 3}", {"state 90=01"}},
        SequenceCase{"NumLockCountZeroStillToggles", "{numlock 0}", {"state 90=01"}},
        SequenceCase{"NumLockTwiceBackOff", "{numlock}{numlock}", {"state 90=01", "state 90=00"}},
        SequenceCase{"Empty", "", {}, false},
        SequenceCase{"ReadUpToNul", std::string("ab\0cd", 5), concat({tap('A'), tap('B')})},
        SequenceCase{"LeadingNul", std::string("\0a", 2), {}, false},
        SequenceCase{"NoCloseAfterSent", "x{abc", tap('X'), false},
        SequenceCase{"NoCloseLeavesShift", "+{a", {down(Shift)}, false},
        SequenceCase{"MinWithoutWindow",
                     "{MIN}{MAX}{RESTORE}",
                     {"window 0 F020", "window 0 F030", "window 0 F120"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeysFixture, MinusOneCountPresses65535Times) {
    EXPECT_TRUE(engine.SendKeys("{right -1}", false));
    ASSERT_EQ(input.events.size(), 2u * 65535u);
    EXPECT_EQ(input.events.front(), xdown(0x27));
    EXPECT_EQ(input.events.back(), xup(0x27));
    EXPECT_EQ(fakes_.clock.sleeps, (std::vector<int>{0}));  // KeyDelay once, after all repeats
}

TEST_F(KeysFixture, WaitDrainsAfterEveryKeyboardEvent) {
    EXPECT_TRUE(engine.SendKeys("A", true));
    EXPECT_EQ(input.events, (Events{down(Shift), "drain", down('A'), "drain", up('A'), "drain",
                                    up(Shift), "drain"}));
    input.events.clear();
    EXPECT_TRUE(engine.SendKeys("{numlock}{cursorx 3}{mright}", true));
    EXPECT_EQ(input.events, (Events{"state 90=01", "cursor 3 0", "mouse 0008 0 0", "cursor 3 0",
                                    "mouse 0010 0 0"}));
}

TEST_F(KeysFixture, PressKeyUsesLowByteOfScanCode) {
    input.scanCodeOverrides[0x2C] = 0xE037;
    EXPECT_TRUE(engine.SendKeys("{PRTSC}", false));
    EXPECT_EQ(input.events, (Events{"key 2C 37 0", "key 2C 37 2"}));
}

TEST_F(KeysFixture, ShiftStateBitsOfACharacterMapping) {
    input.keyCodeOverrides['q'] = 0x0751;  // Shift+Control+Alt+Q
    input.keyCodeOverrides['w'] = 0xF857;  // no modifier bits among 1, 2, 4
    EXPECT_TRUE(engine.SendKeys("qw", false));
    EXPECT_EQ(input.events, concat({{down(Shift), down(Control), down(Alt)},
                                    tap('Q'),
                                    {up(Shift), up(Control), up(Alt)},
                                    tap('W')}));
}

struct SleepCase {
    const char* name;
    std::string keys;
    std::vector<int> sleeps;
};
void PrintTo(const SleepCase& c, std::ostream* os) {
    *os << c.name;
}

class Pauses : public KeysFixture, public ::testing::WithParamInterface<SleepCase> {};

TEST_P(Pauses, AskTheClockForExactly) {
    EXPECT_TRUE(engine.SendKeys(GetParam().keys, false));
    EXPECT_EQ(fakes_.clock.sleeps, GetParam().sleeps);
}

INSTANTIATE_TEST_SUITE_P(
    KeyStrings, Pauses,
    ::testing::Values(SleepCase{"KeyDelayEvenWhenZero", "ab", {0, 0}},
                      SleepCase{"TildeHasNoKeyDelay", "~", {}},
                      SleepCase{"PauseDefaultOneSecond", "{PAUSE}", {1000}},
                      SleepCase{"PauseSeconds", "{pause 3}", {3000}},
                      SleepCase{"PauseNegativeIsZero", "{pause -5}", {0}},
                      SleepCase{"PauseTooLongSaturates", "{pause 3000000}", {INT_MAX}},
                      SleepCase{"DelayDefaultOneSecond", "{DELAY}a", {1000}},
                      SleepCase{"DelayNegativeIsZero", "{delay -2}a", {0}},
                      SleepCase{"DelayOncePerRepeatedKey", "{delay 2}{left 3}", {2000}},
                      SleepCase{"ClickWaitAtStart", "{MRIGHT}", {1000}},
                      SleepCase{"WaitSetsClickWait", "{wait 2}{mleft}{move}", {2000, 2000}},
                      SleepCase{"WaitNegativeIsZero", "{wait -1}{mmiddle}", {0}},
                      SleepCase{"WindowCommandsPause", "{min}{max}{restore}", {1000, 1000, 1000}},
                      SleepCase{
                          "SettingsDoNotPause", "{cursorx 1}{cursory 1}{movex 1}{cursorv 1}", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeysFixture, SettingsLastAcrossCalls) {
    EXPECT_TRUE(engine.SendKeys("{wait 0}{delay 4}", false));
    EXPECT_TRUE(engine.SendKeys("a{mleft 0}", false));
    EXPECT_EQ(fakes_.clock.sleeps, (std::vector<int>{4000, 0}));
}

struct MouseCase {
    const char* name;
    std::string keys;
    Events expected;
};
void PrintTo(const MouseCase& c, std::ostream* os) {
    *os << c.name;
}

class Mouse : public KeysFixture, public ::testing::WithParamInterface<MouseCase> {};

TEST_P(Mouse, SendsExactlyTheseEvents) {
    EXPECT_TRUE(engine.SendKeys(GetParam().keys, false));
    EXPECT_EQ(input.events, GetParam().expected);
}

const Events leftClickAt2030 = {"cursor 20 30", "mouse 0002 0 0", "cursor 20 30", "mouse 0004 0 0"};

INSTANTIATE_TEST_SUITE_P(
    KeyStrings, Mouse,
    ::testing::Values(
        MouseCase{"LeftDefaultIsDouble", "{cursorX 20}{cursorY 30}{Mleft}",
                  repeat(leftClickAt2030, 2)},
        MouseCase{"LeftZeroIsSingle", "{cursorX 20}{cursorY 30}{MLEFT 0}", leftClickAt2030},
        MouseCase{"LeftDoubleAlways", "{cursorX 20}{cursorY 30}{mldouble 0}",
                  repeat(leftClickAt2030, 2)},
        MouseCase{"RightAlwaysSingle",
                  "{mright 7}",
                  {"cursor 0 0", "mouse 0008 0 0", "cursor 0 0", "mouse 0010 0 0"}},
        MouseCase{"MiddleAlwaysSingle",
                  "{MMIDDLE}",
                  {"cursor 0 0", "mouse 0020 0 0", "cursor 0 0", "mouse 0040 0 0"}},
        MouseCase{"Drag",
                  "{cursorX 80}{cursorY 10}{moveX 200}{moveY 200}{move}",
                  {"cursor 80 10", "mouse 0003 0 0", "mouse 0003 200 200", "mouse 0004 0 0"}},
        MouseCase{"AbsoluteReplaces",
                  "{cursorx 20}{cursorx 5}{mright}",
                  {"cursor 5 0", "mouse 0008 0 0", "cursor 5 0", "mouse 0010 0 0"}},
        MouseCase{"RelativeAdds",
                  "{cursorv 1}{cursorx 20}{cursorx 5}{cursory -3}{mright}",
                  {"cursor 25 -3", "mouse 0008 0 0", "cursor 25 -3", "mouse 0010 0 0"}},
        MouseCase{
            "RelativeWrapsAt32Bits",
            "{cursorv 1}{cursorx 2147483647}{cursorx 1}{mright}",
            {"cursor -2147483648 0", "mouse 0008 0 0", "cursor -2147483648 0", "mouse 0010 0 0"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeysFixture, CursorKeptAcrossCalls) {
    EXPECT_TRUE(engine.SendKeys("{cursorX 7}{cursorY 9}", false));
    EXPECT_TRUE(input.events.empty());
    EXPECT_TRUE(engine.SendKeys("{mright}", false));
    EXPECT_EQ(input.events.front(), "cursor 7 9");
    EXPECT_EQ(settings.CursorX, 7);
    EXPECT_EQ(settings.CursorY, 9);
}

TEST_F(KeysFixture, WindowCommandsGoToTargetWindow) {
    settings.TargetWindow = reinterpret_cast<platform::WindowHandle>(0x2A);
    EXPECT_TRUE(engine.SendKeys("{min}", false));
    EXPECT_EQ(input.events, (Events{"window 2A F020"}));
}

TEST_F(KeysFixture, CountThatIsNoIntegerLeavesWithConversionError) {
    const struct {
        std::string keys, message;
    } cases[] = {{"{a x}b", "'X' is not a valid integer value"},
                 {"{left }b", "'' is not a valid integer value"},
                 {"{pause 1.5}b", "'1.5' is not a valid integer value"},
                 {"{pause 99999999999}b", "'99999999999' is not a valid integer value"}};
    for (const auto& c : cases) {
        input.events.clear();
        try {
            engine.SendKeys(c.keys, false);
            ADD_FAILURE() << c.keys << ": no error";
        } catch (const support::ConvertError& error) {
            EXPECT_EQ(std::string(error.what()), c.message) << c.keys;
        }
        EXPECT_TRUE(input.events.empty()) << c.keys << ": the rest must not be sent";
    }
}

TEST_F(KeysFixture, UnclosedBraceShowsNoCloseOnce) {
    EXPECT_FALSE(engine.SendKeys("a{b}{c", false));
    ASSERT_EQ(fakes_.dialogs.shown.size(), 1u);
    EXPECT_EQ(fakes_.dialogs.shown[0].caption, "SendKeys");
    EXPECT_EQ(fakes_.dialogs.shown[0].text, "No Close");
    EXPECT_EQ(input.events, concat({tap('A'), shifted('B')}));
}

TEST_F(KeysFixture, QuotedMessageShownUpperCasedBetweenRestoreAndMinimize) {
    std::vector<std::size_t> boxesSeen;  // by restore, then by minimize
    settings.RestoreApplication = [&] { boxesSeen.push_back(fakes_.dialogs.shown.size()); };
    settings.MinimizeApplication = [&] { boxesSeen.push_back(fakes_.dialogs.shown.size()); };
    EXPECT_TRUE(engine.SendKeys("+{\"text to be displayed\"}a", false));
    ASSERT_EQ(fakes_.dialogs.texts(), (std::vector<std::string>{"\"TEXT TO BE DISPLAYED\""}));
    EXPECT_EQ(fakes_.dialogs.shown[0].kind, "message");
    EXPECT_EQ(boxesSeen, (std::vector<std::size_t>{0, 1}));
    // The message leaves the held Shift for the next element.
    EXPECT_EQ(input.events, concat({{down(Shift)}, tap('A'), {up(Shift)}}));
}

TEST_F(KeysFixture, NameLongerThan255IsCut) {
    const std::string name(300, 'x');
    EXPECT_TRUE(engine.SendKeys("{" + name + "}", false));
    EXPECT_EQ(logLines(), (std::vector<std::string>{"TapSter: Ignored: " + std::string(255, 'X') +
                                                    " Collided: -1"}));
}

struct LogCase {
    const char* name;
    std::string keys;
    bool trace;
    std::vector<std::string> lines;
};
void PrintTo(const LogCase& c, std::ostream* os) {
    *os << c.name;
}

class LogLines : public KeysFixture, public ::testing::WithParamInterface<LogCase> {};

TEST_P(LogLines, AreWrittenExactly) {
    input.keyCodeOverrides['#'] = keys::NoKey;
    input.keyCodeOverrides['@'] = keys::NoKey;
    log.DebugTrace = GetParam().trace;
    engine.SendKeys(GetParam().keys, false);
    EXPECT_EQ(logLines(), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    KeyStrings, LogLines,
    ::testing::Values(
        LogCase{"QuietByDefault", "ab{left}{mright}{pause}", false, {}},
        LogCase{"UnknownName", "{Hello}", false, {"TapSter: Ignored: HELLO Collided: -1"}},
        LogCase{"EmptyName", "{}", false, {"TapSter: Ignored:  Collided: -1"}},
        LogCase{"NoWordModifiers", "{shift}", false, {"TapSter: Ignored: SHIFT Collided: -1"}},
        LogCase{"InvalidCharacter", "a#b", false, {"tapster.log: Invalid key: #"}},
        LogCase{"BracedCharacterWithoutKeyIsQuiet", "{@}", false, {}},
        LogCase{"DebugSwitchesTraceOn",
                "{debug}a",
                true,
                {"Sndkey32: Char={", "Sndkey32: Keystring: DEBUG<",
                 "SendMouse:  X0=0 Y0=0 Key=DEBUG", "Sndkey32: Char=a"}},
        LogCase{"DebugFromOff",
                "{debug}a",
                false,
                {"SendMouse:  X0=0 Y0=0 Key=DEBUG", "Sndkey32: Char=a"}},
        LogCase{"ClickTrace",
                "{cursorx 5}{cursory 6}{mleft 0}",
                true,
                {"Sndkey32: Char={", "Sndkey32: Keystring: CURSORX<",
                 "SendMouse:  X0=0 Y0=0 Key=CURSORX", "Sndkey32: Char={",
                 "Sndkey32: Keystring: CURSORY<", "SendMouse:  X0=5 Y0=0 Key=CURSORY",
                 "Sndkey32: Char={", "Sndkey32: Keystring: MLEFT<",
                 "SendMouse:  X0=5 Y0=6 Key=MLEFT", " X=5 Y=6"}},
        LogCase{
            "NoCursorTraceWhenSumIsZero",
            "{cursorx 5}{cursory -5}{move}",
            true,
            {"Sndkey32: Char={", "Sndkey32: Keystring: CURSORX<",
             "SendMouse:  X0=0 Y0=0 Key=CURSORX", "Sndkey32: Char={",
             "Sndkey32: Keystring: CURSORY<", "SendMouse:  X0=5 Y0=0 Key=CURSORY",
             "Sndkey32: Char={", "Sndkey32: Keystring: MOVE<", "SendMouse:  X0=5 Y0=-5 Key=MOVE"}},
        LogCase{"TraceInvalidAndIgnored",
                "#{zz 2}",
                true,
                {"Sndkey32: Char=#", "tapster.log: Invalid key: #", "Sndkey32: Char={",
                 "Sndkey32: Keystring: ZZ<", "TapSter: Ignored: ZZ Collided: -1"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
