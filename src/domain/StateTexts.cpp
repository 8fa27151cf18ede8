#include "domain/StateTexts.h"

#include "base/Convert.h"

#include <cmath>

namespace so {
namespace {

struct BitText {
    qint32 bit;
    const char* text;
};

/// Appends the text of every set bit, in table order.
template <std::size_t N>
QString appendSetBits(QString result, qint32 value, const BitText (&table)[N]) {
    for (const BitText& entry : table)
        if ((value & entry.bit) != 0)
            result += QLatin1String(entry.text);
    return result;
}

}  // namespace

QString FormatDetailedRelayState(qint32 value) {
    if (value == 0)
        return QStringLiteral("none");
    static constexpr BitText kOrder[] = {
        {1, "door trigger"},
        {2048, "extended access"},
        {2, "unlock"},
        {4, "control zone trigger"},
        {8, "force on"},
        {16, "force off"},
        {32, "time zone actuated"},
        {64, "time zone disabled"},
        {128, "control zone actuated"},
        {256, "control zone disabled"},
        {512, "lock down"},
        {1024, "lock open"},
    };
    QString result;
    for (const BitText& entry : kOrder) {
        if ((value & entry.bit) == 0)
            continue;
        result =
            result.isEmpty() ? QString::fromLatin1(entry.text) : QLatin1String(entry.text) + QLatin1Char(',') + result;
    }
    return result;
}

QString GetStatusValue(qint32 value) {
    static constexpr BitText kBits[] = {
        {1, "Time Zone, "},        {2, "Control Zone, "}, {4, "Unlock, "},
        {8, "Entry/Exit Delay, "}, {64, "Door Relay, "},  {128, "RQE, "},
    };
    const QString result = appendSetBits(QString(), value, kBits);
    return result.isEmpty() ? result : result.chopped(2);
}

QString GetRelayModeText(qint32 value) {
    if (value == 0)
        return QStringLiteral("none");
    static constexpr BitText kBits[] = {
        {2, "Time Zone,"},
        {4, "Suppress,"},
        {8, "Door Access,"},
        {16, "Special Needs Access,"},
        {32, "Extended Access,"},
        {64, "Unlock,"},
        {128, "Flash,"},
        {256, "Control Trigger,"},
        {512, "ReTrigger,"},
        {1024, "Force On,"},
        {2048, "Force Off,"},
        {4096, "Clear Relays,"},
        {8192, "TZ Actuate,"},
        {16384, "TZ Disable,"},
        {32768, "Actuate by Input,"},
        {65536, "Disable by Input,"},
        {131072, "Lock Down,"},
        {262144, "Lock Open,"},
    };
    const QString result = appendSetBits(value == 1 ? QStringLiteral("none,") : QString(), value, kBits);
    return result.isEmpty() ? result : result.chopped(1);
}

bool relayModeOverridden(qint32 value) { return (value & (1024 | 2048 | 131072 | 262144)) != 0; }

QString GetMaskSourceText(qint32 value) {
    if (value == 0)
        return QStringLiteral("-");
    static constexpr BitText kBits[] = {
        {1, "Door Relay Actuated,"}, {2, "Time Zone,"},
        {4, "Control Zone,"},        {8, "Unlock,"},
        {16, "Entry Delay,"},        {32, "Exit Delay,"},
        {64, "Cancel Entry Delay,"}, {128, "RQE,"},
        {256, "RQE Momentary,"},     {512, "Control Zone Momentary,"},
    };
    const QString result = appendSetBits(QString(), value, kBits);
    return result.isEmpty() ? result : result.chopped(1);
}

QString GetLineStateText(qint32 packedValue, qint16 lineIndex) {
    if (packedValue == 0)
        return QStringLiteral(".");
    // The packed value divided by 256 to the power of the index, rounded half to even; an index
    // that scales the value out of range leaves no valid code.
    const double scaled = roundHalfToEven(std::ldexp(double(packedValue), -8 * int(lineIndex)));
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18)
        return QStringLiteral("Exception: Invalid Range");
    const qint64 code = qint64(scaled);
    if (code == 0)
        return QStringLiteral(".");
    const int low = int(code & 0x0F);
    switch ((code >> 4) & 0x0F) {
    case 1: return low == 1 ? QStringLiteral("//") : low == 2 ? QStringLiteral("X") : QStringLiteral("Invalid");
    case 2: return QStringLiteral("Line Open");
    case 3: return QStringLiteral("Line Short");
    case 4: return QStringLiteral("Out of Spec");
    case 5: return QStringLiteral("Noisy");
    default: return QStringLiteral("Exception: Invalid Range");
    }
}

int GetZR2Icon(qint32 kind, bool first, bool second, bool third) {
    if (kind >= 1 && kind <= 7)
        return first ? 84 : !second ? 82 : third ? 87 : 88;
    if (kind == 9 || kind == 10)
        return first ? 83 : !second ? 81 : third ? 85 : 86;
    if (kind == 8)
        return !first ? 90 : !second ? 91 : third ? 89 : 92;
    return 0;
}

}  // namespace so
