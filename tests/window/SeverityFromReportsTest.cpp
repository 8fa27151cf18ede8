// Severity and the section counts read the typed conditions the decoder records, never the texts
// the host words its states with.
#include "status/StatusTestSupport.h"

#include "grid/RowFilter.h"
#include "window/Severity.h"

namespace so::test {
namespace {

const QString kReportTime = QStringLiteral("2024-03-05 17:04:09");

class SeverityFromReportsTest : public StatusFixture {};

TEST_F(SeverityFromReportsTest, SeverityAndCountsDoNotDependOnTheHostsWording) {
    // The same reports under the fake host's wording ("RN") and under a host that words "not known"
    // as "-" and lacks the texts for a tampered reader and a door not closed (empty texts).
    struct Report {
        int section;
        const char* address;
        quint8 state;
        const char* kind;
        const char* value;
        Severity expected;
    };
    const Report reports[] = {
        {0, "\\\\SNET.P001.C0101.DR01", 1, "DR", "", Severity::Warning},           // open, no alarm: passage
        {1, "\\\\SNET.P001.C0101.BI01", 65, "BI", "", Severity::Alarm},            // alarm set
        {1, "\\\\SNET.P001.C0101.BI02", 66, "BI", "", Severity::Normal},           // alarm cleared
        {1, "\\\\SNET.P001.C0101.BI03", 67, "BI", "1", Severity::Warning},         // masked
        {1, "\\\\ZRII.P001.C01.BI04", 0, "ZR2_INPUT", "0", Severity::Normal},      // newer line, not masked
        {3, "\\\\SNET.P001.C0101.SM01", 2, "SM", "", Severity::Alarm},             // reader tampered
        {3, "\\\\SNET.P001.C0101.SM02", 3, "SM", "", Severity::Normal},            // tamper cleared
        {4, "\\\\SNET.P001.C0102", 3, "CA", "", Severity::Alarm},                  // enclosure tamper
        {2, "\\\\ZRII.P001.C01.BR05", 0, "ZR2_RELAY", "1024", Severity::Warning},  // forced on
        {2, "\\\\ZRII.P001.C01.BR06", 0, "ZR2_RELAY", "64", Severity::Normal},     // a mode, not forced
        {4, "\\\\SNET.P001.C0103", 5, "CA", "", Severity::Warning},                // power failed
        {6, "\\\\PORT01", 0, "PO", "", Severity::Warning},                         // port off line
    };
    const QHash<qint32, QString> wordings[] = {
        {},
        {{1435, "-"}, {1436, ""}, {1453, ""}, {1463, "Ja"}, {1438, "Offen"}, {1440, "Ausfall"}, {1432, "Aus"}},
    };
    QString layouts[kSectionCount];
    for (QString& text : layouts)
        text = kUseObjectDefault;
    for (const QHash<qint32, QString>& wording : wordings) {
        host.texts = wording;
        sections.InitColumnHeaders(layouts);
        StatusDecoder worded(ctx, sections, masked);
        SectionCounts counts[kSectionCount];
        SectionCounts expected[kSectionCount];
        for (const Report& r : reports) {
            const int row = addPoint(r.section, QString::fromLatin1(r.address));
            if (r.section == 0)
                sections.grid(0).setText(row, col::LMType, QStringLiteral("1"));  // a door with a line module
            worded.UpdateList(Section(r.section), QString::fromLatin1(r.address), r.state, QString::fromLatin1(r.kind),
                              kReportTime, QString::fromLatin1(r.value));
            const Severity shown = severity(sections.grid(r.section), row);
            EXPECT_EQ(shown, r.expected) << r.address << " state " << int(r.state) << ", wording " << wording.size();
            counts[r.section].add(true, shown);
            expected[r.section].add(true, r.expected);
        }
        for (int s = 0; s < kSectionCount; ++s)
            EXPECT_TRUE(counts[s].alarms == expected[s].alarms && counts[s].warnings == expected[s].warnings) << s;
    }
    EXPECT_EQ(failuresLogged(), 0);
}

}  // namespace
}  // namespace so::test
