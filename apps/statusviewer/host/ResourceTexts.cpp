#include "host/ResourceTexts.h"

#include "host/AppLog.h"

#include <QCoreApplication>

#include <iterator>

namespace sv {
namespace {

struct Wording {
    qint32 number;
    const char* text;
};

// The wording of the status viewer's texts, in English; the operator reads them in the language of
// the application's catalogue (read when the table is made). Several numbers are compared with each other by the
// component (a cell is tested against the "unknown" text, the line texts, the relay texts), so
// every state word below is distinct from the others it is compared with. 1435, the text for a
// state that is not known or was cleared, is a dash: the component and the site's own tables use
// "-" for "nothing to show" in the same cells (a door whose lines cannot be shown, an input with
// no mask source), so both read alike and compare alike.
const Wording kEnglish[] = {
    // Lock messages and their title (fill-ins: %1 holder, %2 where it is held, %3 the item).
    {72, QT_TRANSLATE_NOOP("sv::ResourceTexts",
                           "This item is being changed by %1 at %2. Try again when they have finished.")},
    {74, QT_TRANSLATE_NOOP("sv::ResourceTexts", "%3 is being changed by %1 at %2. Try again when they have finished.")},
    {111, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Delete the selected status group?")},
    {2782, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Delete Status Group")},
    {3807, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Item in Use")},

    // Column sets of the configuration dialog (one per section).
    {1373, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Doors")},
    {1375, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Inputs")},
    {1376, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Relays")},
    {1377, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Readers")},
    {1378, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Controllers")},
    {1379, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Pylons")},
    {1380, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Ports")},

    // Naming a status group.
    {1383, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Enter a name for the new status group:")},
    {1384, QT_TRANSLATE_NOOP("sv::ResourceTexts", "New Status Group")},
    {1385, QT_TRANSLATE_NOOP("sv::ResourceTexts", "A status group needs a name. Enter a name?")},
    {1545, QT_TRANSLATE_NOOP("sv::ResourceTexts",
                             "A status group name can be at most 50 characters long. Enter another name?")},
    {1768,
     QT_TRANSLATE_NOOP("sv::ResourceTexts", "A status group with this name exists already. Choose another name.")},

    // Column captions.
    {1386, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Door Name")},
    {1387, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Address")},
    {1388, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Status")},
    {1389, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Alarm")},
    {1390, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Masked")},
    {1391, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Input 1")},
    {1392, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Input 2")},
    {1393, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Input 3")},
    {1394, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Relay")},
    {1395, QT_TRANSLATE_NOOP("sv::ResourceTexts", "2PR")},
    {1396, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Revision")},
    {1397, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Enabled")},
    {1398, QT_TRANSLATE_NOOP("sv::ResourceTexts", "LM Type")},
    {1399, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Voltage")},
    {1400, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Last Updated")},
    {1401, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Input Name")},
    {1402, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Relay Name")},
    {1403, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Reader Name")},
    {1404, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Code Tamper")},
    {1405, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Physical Tamper")},
    {1406, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Controller Name")},
    {1407, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Enclosure")},
    {1411, QT_TRANSLATE_NOOP("sv::ResourceTexts", "AC Power")},
    {1418, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Keypad")},
    {1419, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Memory Battery")},
    {1420, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Parallel Printer")},
    {1421, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Serial Printer")},
    {1422, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Tamper Pending")},
    {1424, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Terminal")},
    {1425, QT_TRANSLATE_NOOP("sv::ResourceTexts", "UPS Battery")},
    {1426, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Pylon Name")},
    {1427, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Port Name")},
    {2998, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Point Name")},

    // The status-group box's first entry.
    {1430, QT_TRANSLATE_NOOP("sv::ResourceTexts", "<Select a Status Group>")},

    // State words.
    {1432, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Off Line")},
    {1433, QT_TRANSLATE_NOOP("sv::ResourceTexts", "On Line")},
    {1434, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Unknown")},
    {1435, "-"},
    {1436, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Tampered")},
    {1437, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Secure")},
    {1438, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Tamper")},
    {1439, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Normal")},
    {1440, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Failed")},
    {1441, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Off")},
    {1442, QT_TRANSLATE_NOOP("sv::ResourceTexts", "On")},
    {1443, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Keypad Active")},
    {1444, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Pending")},
    {1445, QT_TRANSLATE_NOOP("sv::ResourceTexts", "None")},
    {1446, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Closed")},
    {1447, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Open")},
    {1448, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Disconnected")},
    {1449, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Connected")},
    {1450, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Low")},
    {1453, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Door Open")},
    {1459, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Short Circuit")},
    {1460, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Open Circuit")},
    {1461, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Line Fault")},
    {1462, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Noisy Line")},
    {1463, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Yes")},
    {1679, QT_TRANSLATE_NOOP("sv::ResourceTexts", "No")},
    {1769, QT_TRANSLATE_NOOP("sv::ResourceTexts", "Unlocked")},
};

}  // namespace

ResourceTexts::ResourceTexts(AppLog* log) : log_(log) {
    texts_.reserve(int(std::size(kEnglish)));
    for (const Wording& w : kEnglish)
        texts_.insert(w.number, QCoreApplication::translate("sv::ResourceTexts", w.text));
}

QString ResourceTexts::placeholder(qint32 number) { return QStringLiteral("[text %1]").arg(number); }

QString ResourceTexts::text(qint32 number) {
    const auto it = texts_.constFind(number);
    if (it != texts_.constEnd())
        return *it;
    if (!missing_.contains(number)) {
        missing_.insert(number);
        if (log_ != nullptr)
            log_->error(QStringLiteral("No wording for text resource %1").arg(number));
    }
    return placeholder(number);
}

QString ResourceTexts::format(qint32 number, const QStringList& fillIns) { return fillIn(text(number), fillIns); }

QString ResourceTexts::fillIn(const QString& pattern, const QStringList& fillIns) {
    QString out;
    out.reserve(pattern.size() + 32);
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c != QLatin1Char('%') || i + 1 >= pattern.size()) {
            out += c;
            continue;
        }
        const QChar next = pattern.at(i + 1);
        if (next == QLatin1Char('%')) {
            out += c;
            ++i;
        } else if (next >= QLatin1Char('1') && next <= QLatin1Char('9')) {
            const int index = next.unicode() - '1';
            if (index < fillIns.size())
                out += fillIns.at(index);
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace sv
