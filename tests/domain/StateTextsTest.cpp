#include "domain/StateTexts.h"

#include <gtest/gtest.h>

namespace so {
namespace {

struct TextCase {
    qint32 value;
    const char* text;
};

TEST(StateTexts, DetailedRelayStateListsLastTestedBitFirst) {
    const TextCase cases[] = {
        {0, "none"},
        {1, "door trigger"},
        {3, "unlock,door trigger"},
        {1 | 2 | 2048, "unlock,extended access,door trigger"},
        {512 | 1024, "lock open,lock down"},
        {4096, ""},  // bits from 4096 up are ignored
        {4096 | 8, "force on"},
        {-1,
         "lock open,lock down,control zone disabled,control zone actuated,time zone disabled,"
         "time zone actuated,force off,force on,control zone trigger,unlock,extended access,door trigger"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(FormatDetailedRelayState(c.value), QString::fromLatin1(c.text)) << c.value;
}

TEST(StateTexts, StatusValueJoinsWithCommaBlank) {
    const TextCase cases[] = {
        {65, "Time Zone, Door Relay"},
        {16, ""},
        {32 | 16, ""},
        {0, ""},
        {1 | 2 | 4 | 8 | 64 | 128, "Time Zone, Control Zone, Unlock, Entry/Exit Delay, Door Relay, RQE"},
        {128, "RQE"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(GetStatusValue(c.value), QString::fromLatin1(c.text)) << c.value;
}

TEST(StateTexts, RelayModeText) {
    const TextCase cases[] = {
        {0, "none"},
        {1, "none"},
        {3, "Time Zone"},
        {2 | 64, "Time Zone,Unlock"},
        {262144 | 131072, "Lock Down,Lock Open"},
        {524288, ""},
        {4, "Suppress"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(GetRelayModeText(c.value), QString::fromLatin1(c.text)) << c.value;
}

TEST(StateTexts, MaskSourceText) {
    const TextCase cases[] = {
        {0, "-"},
        {129, "Door Relay Actuated,RQE"},
        {1024, ""},
        {512, "Control Zone Momentary"},
        {16 | 32 | 64, "Entry Delay,Exit Delay,Cancel Entry Delay"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(GetMaskSourceText(c.value), QString::fromLatin1(c.text)) << c.value;
}

TEST(StateTexts, LineStateTextPicksTheLinesByte) {
    struct LineCase {
        qint32 packed;
        qint16 line;
        const char* text;
    };
    const LineCase cases[] = {
        {0x21, 0, "Line Open"},
        {0x1111, 1, "//"},
        {0, 0, "."},
        {0, 2, "."},
        {0, -5, "."},
        {0x11, 0, "//"},
        {0x12, 0, "X"},
        {0x13, 0, "Invalid"},
        {0x10, 0, "Invalid"},
        {0x30, 0, "Line Short"},
        {0x4F, 0, "Out of Spec"},
        {0x55, 0, "Noisy"},
        {0x61, 0, "Exception: Invalid Range"},
        {0x100, 0, "Exception: Invalid Range"},  // only the low byte counts
        {0x121100, 2, "X"},
        {0x21, 1, "."},          // 33/256 rounds to 0
        {0x1080, 1, "Invalid"},  // 16.5 rounds to the even 16 (0x10), not up to 17 ("//")
        {0x80, 1, "."},          // 0.5 rounds to 0
        {0x21, 20, "."},
        {0x21, -1, "Exception: Invalid Range"},  // scaled up: 0x2100
        {0x21, -32768, "Exception: Invalid Range"},
    };
    for (const LineCase& c : cases)
        EXPECT_EQ(GetLineStateText(c.packed, c.line), QString::fromLatin1(c.text)) << c.packed << " line " << c.line;
}

TEST(StateTexts, ZR2IconRules) {
    struct IconCase {
        qint32 kind;
        bool a, b, c;
        int icon;
    };
    const IconCase cases[] = {
        {8, true, true, true, 89},    {3, false, false, false, 82}, {1, true, false, false, 84},
        {7, false, true, true, 87},   {7, false, true, false, 88},  {9, true, true, true, 83},
        {10, false, false, true, 81}, {9, false, true, true, 85},   {10, false, true, false, 86},
        {8, false, true, true, 90},   {8, true, false, true, 91},   {8, true, true, false, 92},
        {0, true, true, true, 0},     {11, false, false, false, 0}, {-1, true, true, true, 0},
    };
    for (const IconCase& c : cases)
        EXPECT_EQ(GetZR2Icon(c.kind, c.a, c.b, c.c), c.icon) << c.kind << c.a << c.b << c.c;
}

}  // namespace
}  // namespace so
