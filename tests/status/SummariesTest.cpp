#include "StatusTestSupport.h"

#include "status/Summaries.h"

namespace so::test {
namespace {

/// A cell text given as a resource number, or literally when the number is 0.
struct Text {
    int resource;
    const char* literal = "";
    QString get() const { return resource != 0 ? R(resource) : QString::fromLatin1(literal); }
};

class SummariesTest : public StatusFixture {};

TEST_F(SummariesTest, DoorSummary) {
    struct Case {
        Text input1;
        qint64 contactPolarity;
        qint64 relayPolarity;
        Text relay;
        Text lmType;
        Text masked;
        const char* expected;
    };
    const Case cases[] = {
        {{1446}, 0, 0, {1441}, {0, "2"}, {1435}, "R1437"},                // closed, normal, not masked
        {{1446}, 0, 0, {1442}, {0, "2"}, {1435}, "R1769"},                // closed, relay energised
        {{1435}, 0, 0, {1441}, {0, "2"}, {1435}, "R1435"},                // position not known
        {{1446}, 1, 0, {1442}, {0, "2"}, {1463}, "R1453, R1769, R1390"},  // open, unlocked, masked
        {{1446}, 0, 0, {1441}, {1435}, {1463}, "R1437"},                  // no line module: never masked
        {{1447}, 1, 0, {1441}, {0, "2"}, {1435}, "R1437"},                // normally open contact, set line
        {{1447}, 0, 0, {1441}, {0, "2"}, {1435}, "R1453"},
        {{1447}, -1, 0, {1441}, {0, "2"}, {1435}, "R1453"},  // only 1 counts as closed here
        {{1446}, 0, 1, {1442}, {0, "2"}, {1435}, "R1437"},   // inverted relay: energised is normal
        {{1446}, 0, 1, {1441}, {0, "2"}, {1435}, "R1769"},
        {{0, "Line Short"}, 0, 0, {1442}, {0, "2"}, {1463}, "R1769, R1390"},
        {{1446}, 0, 0, {1441}, {0, "2"}, {1463}, "R1390"},  // closed but masked
    };
    StatusGrid& doors = sections.grid(0);
    for (const Case& c : cases) {
        const int row = addPoint(0, QStringLiteral("door%1").arg(doors.rowCount() + 1));
        doors.setText(row, col::Input1, c.input1.get());
        doors.setData(row, col::Status, c.contactPolarity);
        doors.setData(row, col::TwoPersonRule, c.relayPolarity);
        doors.setText(row, col::RelayStatus, c.relay.get());
        doors.setText(row, col::LMType, c.lmType.get());
        doors.setText(row, col::Masked, c.masked.get());
        EXPECT_EQ(GetDoorStatus(ctx, doors, row), QString::fromLatin1(c.expected)) << "door case " << row;
    }
    EXPECT_EQ(failuresLogged(), 0);
}

TEST_F(SummariesTest, InputSummary) {
    struct Case {
        Text input1;
        qint64 contactPolarity;
        Text lmType;
        Text masked;
        const char* expected;
    };
    const Case cases[] = {
        {{1447}, 0, {0, "2"}, {1463}, "OPEN,R1390"},
        {{0, "Line Short"}, 0, {0, "2"}, {1435}, "Line Short"},
        {{1446}, 0, {0, "2"}, {1435}, "R1437"},
        {{1446}, 1, {0, "2"}, {1435}, "OPEN"},
        {{1446}, -1, {0, "2"}, {1435}, "OPEN"},
        {{1447}, 1, {0, "2"}, {1435}, "R1437"},
        {{1435}, 0, {0, "2"}, {1435}, "R1435"},
        {{1446}, 0, {1435}, {1463}, "R1435"},  // no line module: no mask part, nothing to report
        {{1435}, 0, {0, "2"}, {1463}, "R1390"},
        {{0, "//"}, 0, {0, "2"}, {1435}, "//"},
    };
    StatusGrid& inputs = sections.grid(1);
    for (const Case& c : cases) {
        const int row = addPoint(1, QStringLiteral("input%1").arg(inputs.rowCount() + 1));
        inputs.setText(row, col::Input1, c.input1.get());
        inputs.setData(row, col::Status, c.contactPolarity);
        inputs.setText(row, col::LMType, c.lmType.get());
        inputs.setText(row, col::Masked, c.masked.get());
        EXPECT_EQ(GetInputStatus(ctx, inputs, row), QString::fromLatin1(c.expected)) << "input case " << row;
    }
    EXPECT_EQ(failuresLogged(), 0);
}

TEST_F(SummariesTest, MaskedInputsWithTextsOfTheirOwnKeepTheirSummariesApart) {
    // A decoder keeps the summaries it built per line text: more texts than it keeps, each seen
    // again, must each still read as their own.
    StatusGrid& inputs = sections.grid(1);
    GridColumns columns;
    columns.sync(inputs);
    ResourceTexts texts(ctx);
    const int row = addPoint(1, QStringLiteral("input"));
    inputs.setText(row, col::LMType, QStringLiteral("2"));
    inputs.setText(row, col::Masked, R(1463));
    for (int pass = 0; pass < 2; ++pass) {
        for (int n = 0; n < 12; ++n) {
            const QString line = QStringLiteral("Line %1").arg(n);
            inputs.setText(row, col::Input1, line);
            EXPECT_EQ(GetInputStatus(ctx, inputs, inputs.at(row), columns, texts), line + QStringLiteral(",R1390"))
                << "pass " << pass << ", line " << n;
        }
    }
    EXPECT_EQ(failuresLogged(), 0);
}

TEST_F(SummariesTest, FailuresAreLoggedAndGiveEmptyText) {
    // The input grid has no 2PR column: a door summary of its rows cannot be made.
    const int row = addPoint(1, QStringLiteral("input"));
    EXPECT_EQ(GetDoorStatus(ctx, sections.grid(1), row), QString());
    EXPECT_EQ(ownLogReports(), 1);
    EXPECT_EQ(GetInputStatus(ctx, sections.grid(1), row + 1), QString());  // no such row
    EXPECT_EQ(ownLogReports(), 2);
    QFile log(logDir.path() + QStringLiteral("/StatusObject.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("MPublic.GetDoorStatus")));
    EXPECT_TRUE(text.contains(QStringLiteral("MPublic.GetInputStatus")));
}

}  // namespace
}  // namespace so::test
