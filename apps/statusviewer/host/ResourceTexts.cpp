#include "ResourceTexts.h"

#include "AppLog.h"

#include <iterator>

namespace sv {
namespace {

struct Wording {
    qint32 number;
    const char* text;
};

// The wording of the status viewer's texts. Several numbers are compared with each other by the
// component (a cell is tested against the "unknown" text, the line texts, the relay texts), so
// every state word below is distinct from the others it is compared with. 1435, the text for a
// state that is not known or was cleared, is a dash: the component and the site's own tables use
// "-" for "nothing to show" in the same cells (a door whose lines cannot be shown, an input with
// no mask source), so both read alike and compare alike.
const Wording kEnglish[] = {
    // Lock messages and their title (fill-ins: %1 holder, %2 where it is held, %3 the item).
    {72, "This item is being changed by %1 at %2. Try again when they have finished."},
    {74, "%3 is being changed by %1 at %2. Try again when they have finished."},
    {111, "Delete the selected status group?"},
    {2782, "Delete Status Group"},
    {3807, "Item in Use"},

    // Column sets of the configuration dialog (one per section).
    {1373, "Doors"},
    {1375, "Inputs"},
    {1376, "Relays"},
    {1377, "Readers"},
    {1378, "Controllers"},
    {1379, "Pylons"},
    {1380, "Ports"},

    // Naming a status group.
    {1383, "Enter a name for the new status group:"},
    {1384, "New Status Group"},
    {1385, "A status group needs a name. Enter a name?"},
    {1545, "A status group name can be at most 50 characters long. Enter another name?"},
    {1768, "A status group with this name exists already. Choose another name."},

    // Column captions.
    {1386, "Door Name"},
    {1387, "Address"},
    {1388, "Status"},
    {1389, "Alarm"},
    {1390, "Masked"},
    {1391, "Input 1"},
    {1392, "Input 2"},
    {1393, "Input 3"},
    {1394, "Relay"},
    {1395, "2PR"},
    {1396, "Revision"},
    {1397, "Enabled"},
    {1398, "LM Type"},
    {1399, "Voltage"},
    {1400, "Last Updated"},
    {1401, "Input Name"},
    {1402, "Relay Name"},
    {1403, "Reader Name"},
    {1404, "Code Tamper"},
    {1405, "Physical Tamper"},
    {1406, "Controller Name"},
    {1407, "Enclosure"},
    {1411, "AC Power"},
    {1418, "Keypad"},
    {1419, "Memory Battery"},
    {1420, "Parallel Printer"},
    {1421, "Serial Printer"},
    {1422, "Tamper Pending"},
    {1424, "Terminal"},
    {1425, "UPS Battery"},
    {1426, "Pylon Name"},
    {1427, "Port Name"},
    {2998, "Point Name"},

    // The status-group box's first entry.
    {1430, "<Select a Status Group>"},

    // State words.
    {1432, "Off Line"},
    {1433, "On Line"},
    {1434, "Unknown"},
    {1435, "-"},
    {1436, "Tampered"},
    {1437, "Secure"},
    {1438, "Tamper"},
    {1439, "Normal"},
    {1440, "Failed"},
    {1441, "Off"},
    {1442, "On"},
    {1443, "Keypad Active"},
    {1444, "Pending"},
    {1445, "None"},
    {1446, "Closed"},
    {1447, "Open"},
    {1448, "Disconnected"},
    {1449, "Connected"},
    {1450, "Low"},
    {1453, "Door Open"},
    {1459, "Short Circuit"},
    {1460, "Open Circuit"},
    {1461, "Line Fault"},
    {1462, "Noisy Line"},
    {1463, "Yes"},
    {1679, "No"},
    {1769, "Unlocked"},
};

}  // namespace

ResourceTexts::ResourceTexts(AppLog* log) : log_(log) {
    texts_.reserve(int(std::size(kEnglish)));
    for (const Wording& w : kEnglish)
        texts_.insert(w.number, QString::fromUtf8(w.text));
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
