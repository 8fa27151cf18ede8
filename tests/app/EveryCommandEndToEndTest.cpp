// Every command the row menus offer, from a desk to the field and back to every desk: three desks
// and the field on one in-process site bus, the sending desk's operator signed in at the field. For
// one point of each kind that carries commands (doors, inputs, relays of both lines, expansion
// points, the newer line's reader), each menu entry is chosen in turn on the sending desk, and once
// the field has answered the test checks what the field holds for the point, what the site database
// stores for it and the row's cells on all three desks, each against a literal. The entries of a
// point follow one another so that every one changes what the one before left: a command the field
// ignores, or mistakes for another, leaves a value the next expectation does not have.
//
// The held state is written as the field holds it and the site stores it: a classic input's or
// relay's stored status entry ("codes|value|maskSource"), a newer-line input's "contact N mask N",
// a newer-line relay's "on|off mode N", a door's its relay's and inputs' joined by "; ".
#include "BusSiteFixture.h"
#include "FieldInternals.h"
#include "component/StatusInternals.h"

#include <grid/StatusGrid.h>
#include <status/StatusBoard.h>
#include <window/StatusWindow.h>

#include <statusobject/Status.h>
#include <statusobject/StatusReader.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSet>

#include <span>
#include <vector>

namespace {

namespace wire = sv::wire;
using wire::Topic;

const QString& kCommandSite = sv::test::kBusSiteName;
const char* const kDesks[] = {"WS1", "WS2", "WS3"};

/// One menu entry chosen, and what follows from it; the first step of a point chooses nothing
/// and states where the point starts.
struct Step {
    const char* entry;  // the menu entry's text, as the reader lists it
    const char* held;   // what the field holds (a reader's keypad lockout it only writes) and the site stores
    const char* shown;  // "Key=text;..." on the point's row at every desk
};

struct PointCommands {
    const char* address;
    int section;
    std::vector<Step> steps;
};

/// A classic relay off with no reason through every relay function, each step leaving it on or off
/// with the reason it reports.
PointCommands classicRelay(const char* address) {
    return {address,
            2,
            {{nullptr, "0|0|0", "Status=Off;Relay Details="},
             {"Control Functions > Trigger", "1,70|1|0", "Status=On;Relay Details=door trigger"},
             {"Control Functions > Force OFF", "0,70|16|0", "Status=Off;Relay Details=force off"},
             {"Control Functions > Force ON", "1,70|8|0", "Status=On;Relay Details=force on"},
             {"Control Functions > Force OFF Release", "1,70|0|0", "Status=On;Relay Details=none"},
             {"Control Functions > Force ON Release", "0,70|0|0", "Status=Off;Relay Details=none"},
             {"Control Functions > Lock OPEN", "1,70|1024|0", "Status=On;Relay Details=lock open"},
             {"Control Functions > Lock DOWN Release", "1,70|0|0", "Status=On;Relay Details=none"},
             {"Control Functions > Lock DOWN", "0,70|512|0", "Status=Off;Relay Details=lock down"},
             {"Control Functions > Lock OPEN", "1,70|1024|0", "Status=On;Relay Details=lock open"},
             {"Control Functions > Lock OPEN Release", "0,70|0|0", "Status=Off;Relay Details=none"}}};
}

const PointCommands kClassicPoints[] = {
    // The door's access functions and its relay's work on relay 1, its masks on input 1.
    {"\\\\SNET.P01.C00001.DR01",
     0,
     {{nullptr, "0|0|0; 0,66,68|0|0", "Status=Secure;Masked=-;Relay Status=Off;Relay Details="},
      {"Access Functions > Unlock", "1,70|2|0; 0,66,68|0|0",
       "Status=Unlocked;Masked=-;Relay Status=On;Relay Details=unlock"},
      {"Access Functions > Relock", "0,70|0|0; 0,66,68|0|0",
       "Status=Secure;Masked=-;Relay Status=Off;Relay Details=none"},
      {"Access Functions > Momentary Access", "1,70|2|0; 0,66,68|0|0",
       "Status=Unlocked;Masked=-;Relay Status=On;Relay Details=unlock"},
      {"Control Functions > Trigger", "1,70|1|0; 0,66,68|0|0",
       "Status=Unlocked;Masked=-;Relay Status=On;Relay Details=door trigger"},
      {"Control Functions > Force OFF", "0,70|16|0; 0,66,68|0|0",
       "Status=Secure;Masked=-;Relay Status=Off;Relay Details=force off"},
      {"Control Functions > Force ON", "1,70|8|0; 0,66,68|0|0",
       "Status=Unlocked;Masked=-;Relay Status=On;Relay Details=force on"},
      {"Control Functions > Force OFF Release", "1,70|0|0; 0,66,68|0|0",
       "Status=Unlocked;Masked=-;Relay Status=On;Relay Details=none"},
      {"Control Functions > Force ON Release", "0,70|0|0; 0,66,68|0|0",
       "Status=Secure;Masked=-;Relay Status=Off;Relay Details=none"},
      {"Control Functions > Lock OPEN", "1,70|1024|0; 0,66,68|0|0",
       "Status=Unlocked;Masked=-;Relay Status=On;Relay Details=lock open"},
      {"Control Functions > Lock DOWN Release", "1,70|0|0; 0,66,68|0|0",
       "Status=Unlocked;Masked=-;Relay Status=On;Relay Details=none"},
      {"Control Functions > Lock DOWN", "0,70|512|0; 0,66,68|0|0",
       "Status=Secure;Masked=-;Relay Status=Off;Relay Details=lock down"},
      {"Control Functions > Lock OPEN", "1,70|1024|0; 0,66,68|0|0",
       "Status=Unlocked;Masked=-;Relay Status=On;Relay Details=lock open"},
      {"Control Functions > Lock OPEN Release", "0,70|0|0; 0,66,68|0|0",
       "Status=Secure;Masked=-;Relay Status=Off;Relay Details=none"},
      {"Control Functions > Mask", "0,70|0|0; 0,66,67|2|2", "Status=Masked;Masked=Yes;Relay Status=Off"},
      {"Control Functions > UnMask", "0,70|0|0; 0,66,68|0|0", "Status=Secure;Masked=-;Relay Status=Off"},
      {"Control Functions > Momentary Mask", "0,70|0|0; 0,66,67|2|2", "Status=Masked;Masked=Yes;Relay Status=Off"}}},
    // Masked by its time zone at the start.
    {"\\\\SNET.P01.C00001.BI02",
     1,
     {{nullptr, "0,66,67|1|1", "Status=Masked;Masked=Yes"},
      {"Control Functions > Mask", "0,66,67|2|2", "Status=Masked;Masked=Yes"},
      {"Control Functions > UnMask", "0,66,68|0|0", "Status=Secure;Masked=-"},
      {"Control Functions > Momentary Mask", "0,66,67|2|2", "Status=Masked;Masked=Yes"}}},
    {"\\\\SNET.P01.C00001.XI02",
     1,
     {{nullptr, "0,66,68|0|0", "Status=Secure;Masked=-"},
      {"Control Functions > Mask", "0,66,67|2|2", "Status=Masked;Masked=Yes"},
      {"Control Functions > UnMask", "0,66,68|0|0", "Status=Secure;Masked=-"},
      {"Control Functions > Momentary Mask", "0,66,67|2|2", "Status=Masked;Masked=Yes"}}},
    classicRelay("\\\\SNET.P01.C00001.BR02"),
    classicRelay("\\\\SNET.P01.C00001.XR01"),
};

// The newer line's relays report their mode beside their state; a trigger leaves the mode alone.
const PointCommands kNewerLinePoints[] = {
    {"\\\\ZRII.S01.C001.DR01",
     0,
     {{nullptr, "off mode 8; contact 1184274 mask 0", "Masked=-;Relay Status=OFF;Relay Details=Door Access"},
      {"Access Functions > Unlock", "on mode 8; contact 1184274 mask 0", "Masked=-;Relay Status=ON"},
      {"Access Functions > Relock", "off mode 8; contact 1184274 mask 0", "Masked=-;Relay Status=OFF"},
      {"Access Functions > Momentary Access", "on mode 8; contact 1184274 mask 0", "Masked=-;Relay Status=ON"},
      {"Access Functions > Toggle Lock", "off mode 8; contact 1184274 mask 0", "Masked=-;Relay Status=OFF"},
      {"Access Functions > Toggle Lock", "on mode 8; contact 1184274 mask 0", "Masked=-;Relay Status=ON"},
      {"Access Functions > Relock", "off mode 8; contact 1184274 mask 0", "Masked=-;Relay Status=OFF"},
      {"Control Functions > Trigger", "on mode 8; contact 1184274 mask 0", "Relay Status=ON;Relay Details=Door Access"},
      {"Control Functions > Force OFF", "off mode 2048; contact 1184274 mask 0",
       "Relay Status=OFF;Relay Details=Force Off"},
      {"Control Functions > Force ON", "on mode 1024; contact 1184274 mask 0",
       "Relay Status=ON;Relay Details=Force On"},
      {"Control Functions > Force OFF Release", "on mode 1; contact 1184274 mask 0",
       "Relay Status=ON;Relay Details=none"},
      {"Control Functions > Force ON Release", "off mode 1; contact 1184274 mask 0",
       "Relay Status=OFF;Relay Details=none"},
      {"Control Functions > Lock OPEN", "on mode 262144; contact 1184274 mask 0",
       "Relay Status=ON;Relay Details=Lock Open"},
      {"Control Functions > Lock DOWN Release", "on mode 1; contact 1184274 mask 0",
       "Relay Status=ON;Relay Details=none"},
      {"Control Functions > Lock DOWN", "off mode 131072; contact 1184274 mask 0",
       "Relay Status=OFF;Relay Details=Lock Down"},
      {"Control Functions > Lock OPEN", "on mode 262144; contact 1184274 mask 0",
       "Relay Status=ON;Relay Details=Lock Open"},
      {"Control Functions > Lock OPEN Release", "off mode 1; contact 1184274 mask 0",
       "Relay Status=OFF;Relay Details=none"},
      {"Control Functions > Mask", "off mode 1; contact 1184274 mask 4", "Masked=Control Zone;Relay Status=OFF"},
      {"Control Functions > Unmask", "off mode 1; contact 1184274 mask 0", "Masked=-;Relay Status=OFF"},
      {"Control Functions > Momentary Mask", "off mode 1; contact 1184274 mask 512",
       "Masked=Control Zone Momentary;Relay Status=OFF"}}},
    {"\\\\ZRII.S01.C001.BI02",
     1,
     {{nullptr, "contact 4626 mask 0", "Masked=-"},
      {"Control Functions > Mask", "contact 4626 mask 4", "Masked=Control Zone"},
      {"Control Functions > Unmask", "contact 4626 mask 0", "Masked=-"},
      {"Control Functions > Momentary Mask", "contact 4626 mask 512", "Masked=Control Zone Momentary"}}},
    {"\\\\ZRII.S01.C001.VR02",
     2,
     {{nullptr, "off mode 2", "Status=OFF;Relay Details=Time Zone"},
      {"Control Functions > Trigger", "on mode 2", "Status=ON;Relay Details=Time Zone"},
      {"Control Functions > Force OFF", "off mode 2048", "Status=OFF;Relay Details=Force Off"},
      {"Control Functions > Force ON", "on mode 1024", "Status=ON;Relay Details=Force On"},
      {"Control Functions > Force OFF Release", "on mode 1", "Status=ON;Relay Details=none"},
      {"Control Functions > Force ON Release", "off mode 1", "Status=OFF;Relay Details=none"},
      {"Control Functions > Lock OPEN", "on mode 262144", "Status=ON;Relay Details=Lock Open"},
      {"Control Functions > Lock DOWN Release", "on mode 1", "Status=ON;Relay Details=none"},
      {"Control Functions > Lock DOWN", "off mode 131072", "Status=OFF;Relay Details=Lock Down"},
      {"Control Functions > Lock OPEN", "on mode 262144", "Status=ON;Relay Details=Lock Open"},
      {"Control Functions > Lock OPEN Release", "off mode 1", "Status=OFF;Relay Details=none"}}},
    // The field keeps no keypad state: it writes the lockout off and re-reports the keypad module.
    {"\\\\ZRII.S01.C001.RL01",
     3,
     {{nullptr, "code tamper 1", "CTamper=Lockout"}, {"Clear Code Tamper", "code tamper 0", "CTamper=OK"}}},
};

struct EveryCommandSite : ::testing::Test, sv::test::BusSite {
    struct Desk {
        std::unique_ptr<sv::MemoryTransport> link;
        std::unique_ptr<sv::DeskLink> desk;
        std::unique_ptr<sv::Workstation> station;
    };
    std::vector<Desk> desks;

    void SetUp() override {
        // A keypad lockout on the newer-line reader, for its one command to clear.
        site.db->execute(
            QStringLiteral("UPDATE ZRII_Keypads SET CodeTamperLockout = 1 WHERE ID IN (SELECT KeypadID "
                           "FROM ZRII_KeypadsInReader WHERE ReaderID = 1)"));
        sv::FieldOptions options;
        options.answerDelayMs = 1;
        options.momentaryMs = 24 * 3600 * 1000;  // a momentary command stays in force for the whole test
        startField(options);
        for (const char* id : kDesks)
            ASSERT_NO_FATAL_FAILURE(addDesk(QLatin1String(id)));
        ASSERT_TRUE(until([&] {
            return std::all_of(desks.cbegin(), desks.cend(), [](const Desk& d) {
                return d.desk->session().fieldState() == sv::DeskSession::FieldState::Online && !d.desk->isResyncing();
            });
        }));
        QString refusal = QStringLiteral("no answer");
        sender().signIn(QStringLiteral("admin"), "admin-demo", [&](const QString& r) { refusal = r; });
        ASSERT_TRUE(until([&] { return refusal != QStringLiteral("no answer"); }));
        ASSERT_EQ(refusal, "");
    }
    void addDesk(const QString& login) {
        Desk d;
        d.link = std::make_unique<sv::MemoryTransport>(
            bus,
            QStringList{wire::topicName(kCommandSite, Topic::State), wire::everyLoginTopic(kCommandSite, Topic::Notice),
                        wire::topicName(kCommandSite, Topic::Event), wire::topicName(kCommandSite, Topic::Field),
                        wire::loginTopic(kCommandSite, Topic::Resync, login),
                        wire::loginTopic(kCommandSite, Topic::Answer, login)});
        d.desk = std::make_unique<sv::DeskLink>(*d.link, kCommandSite, login, log);
        d.station = openWorkstation(*d.desk, login, QStringLiteral("Lobby and Entrances"));
        d.desk->setOperator(QStringLiteral("admin"));
        d.desk->refreshRows = [ws = d.station.get()] { ws->refreshAllRows(); };
        d.link->connect();
        desks.push_back(std::move(d));
    }
    void TearDown() override {
        for (Desk& d : desks)
            d.desk->refreshRows = {};
        desks.clear();
    }
    sv::DeskLink& sender() { return *desks.front().desk; }
    QElapsedTimer sinceCommand_;

    /// The cells named in `shown` of the point's row at a desk, in the same form.
    QString cells(const Desk& d, int section, const QString& address, const char* shown) {
        so::StatusGrid& g = so::windowOf(d.station->status()).board().sections().grid(section);
        const int row = g.findRow(address);
        if (row <= 0)
            return QStringLiteral("<no row>");
        QStringList out;
        for (const QString& pair : QString::fromLatin1(shown).split(QLatin1Char(';'))) {
            const QString key = pair.section(QLatin1Char('='), 0, 0);
            out << key + QLatin1Char('=') + (g.columnIndex(key) < 0 ? QStringLiteral("<no column>") : g.text(row, key));
        }
        return out.join(QLatin1Char(';'));
    }

    QVariant scalar(const QString& sql, const QVariant& a, const QVariant& b = {}) {
        so::db::Command cmd(*site.db, sql);
        cmd.appendParameter(QStringLiteral("@A"),
                            a.typeId() == QMetaType::QString ? so::db::ParamType::VarChar : so::db::ParamType::Integer,
                            so::db::ParamDirection::Input, 30, a);
        if (b.isValid())
            cmd.appendParameter(QStringLiteral("@B"), so::db::ParamType::Integer, so::db::ParamDirection::Input, 4, b);
        so::db::Recordset rs = cmd.open();
        return rs.eof() ? QVariant() : rs.field(0);
    }

    /// What the site stores for the point, in the form the steps write it.
    QString stored(const QString& address) {
        const QString code = address.section(QLatin1Char('.'), -1).left(2);
        if (address.contains(QLatin1String("ZRII"))) {
            if (code == QLatin1String("BI"))
                return QStringLiteral("contact %1 mask %2")
                    .arg(scalar("SELECT ContactStatus FROM ZRII_Inputs WHERE Address = ?", address).toString(),
                         scalar("SELECT MaskSource FROM ZRII_Inputs WHERE Address = ?", address).toString());
            if (code == QLatin1String("BR") || code == QLatin1String("VR"))
                return QStringLiteral("%1 mode %2")
                    .arg(scalar("SELECT EnergizedStatus FROM ZRII_Relays WHERE Address = ?", address).toInt() != 0
                             ? "on"
                             : "off",
                         scalar("SELECT OperationsStatus FROM ZRII_Relays WHERE Address = ?", address).toString());
            if (code == QLatin1String("RL"))
                return QStringLiteral("code tamper %1")
                    .arg(scalar("SELECT MAX(CodeTamperLockout) FROM ZRII_Keypads WHERE ID IN (SELECT KeypadID FROM "
                                "ZRII_KeypadsInReader WHERE ReaderID = (SELECT ReaderID FROM ZRII_Readers WHERE "
                                "Address = ?))",
                                address)
                             .toString());
            // A door: its strike relay (the door's number on the relay board) and its inputs.
            QStringList parts{stored(QString(address).replace(QLatin1String(".DR"), QLatin1String(".BR")))};
            so::db::Command inputs(*site.db, QStringLiteral("SELECT Address FROM ZRII_Inputs WHERE InputID IN (SELECT "
                                                            "InputID FROM ZRII_InputsInDoorsRelations WHERE DoorID = "
                                                            "(SELECT DoorID FROM ZRII_Doors WHERE Address = ?))"));
            inputs.appendParameter(QStringLiteral("@A"), so::db::ParamType::VarChar, so::db::ParamDirection::Input, 30,
                                   address);
            QStringList inputAddresses;
            for (so::db::Recordset rs = inputs.open(); !rs.eof(); rs.moveNext())
                inputAddresses << rs.field(0).toString();
            for (const QString& input : inputAddresses)
                parts << stored(input);
            return parts.join(QStringLiteral("; "));
        }
        if (code == QLatin1String("DR"))
            return stored(QString(address).replace(QLatin1String(".DR"), QLatin1String(".BR"))) + QStringLiteral("; ") +
                   stored(QString(address).replace(QLatin1String(".DR"), QLatin1String(".BI")));
        // A classic input or relay: its entry in its controller's stored status text.
        const int number = address.right(2).toInt();
        const int type = code == QLatin1String("BR")   ? 1
                         : code == QLatin1String("XR") ? 2
                         : code == QLatin1String("BI") ? 7
                                                       : 8;
        const QVariant controller = scalar("SELECT Controller_ID FROM Controllers WHERE Address = ?",
                                           address.left(address.lastIndexOf(QLatin1Char('.'))));
        const QString text =
            scalar("SELECT Status FROM SuperStatus WHERE ControllerID = ? AND StatusType = ?", controller, type)
                .toString();
        return text.split(QLatin1Char('#')).value(number - 1, QStringLiteral("<no entry>"));
    }

    /// Chooses the entry on the sending desk's row of the point, no faster than the field takes
    /// one desk's commands (an operator clicking never reaches that pace).
    void choose(const PointCommands& p, const char* entry) {
        const qint64 spacingMs = qint64(1000.0 / sv::FieldBroadcaster::kCommandsPerSecond) + 1;
        while (sinceCommand_.isValid() && sinceCommand_.elapsed() < spacingMs)
            until([&] { return sinceCommand_.elapsed() >= spacingMs; });
        sinceCommand_.start();
        so::StatusReader reader(desks.front().station->status());
        const so::StatusGrid& g = so::windowOf(desks.front().station->status()).board().sections().grid(p.section);
        const int key = g.rowKey(g.findRow(QLatin1String(p.address)));
        for (const so::StatusReader::MenuItem& item : reader.menu(p.section, key))
            if (item.text == QLatin1String(entry)) {
                QString whyNot;
                ASSERT_EQ(reader.invoke(p.section, key, item.id, &whyNot), so::StatusReader::CommandResult::Sent)
                    << whyNot.toStdString();
                return;
            }
        FAIL() << "the menu offers no " << entry;
    }

    /// Runs the point's steps, each checked once the field, the site and every desk agree with it;
    /// a fatal failure at the first that does not.
    void run(const PointCommands& p) {
        const QString address = QLatin1String(p.address);
        for (const Step& step : p.steps) {
            SCOPED_TRACE(testing::Message() << p.address << " " << (step.entry ? step.entry : "at the start"));
            if (step.entry != nullptr)
                ASSERT_NO_FATAL_FAILURE(choose(p, step.entry));
            const QString held = QLatin1String(step.held);
            const bool fieldHolds = !address.contains(QLatin1String(".RL"));  // a reader's lockout is stored only
            const auto fieldState = [&] { return sv::SimulatedFieldInternals::state(*field, address); };
            const auto agreed = [&] {
                if (fieldHolds && fieldState() != held)
                    return false;
                if (stored(address) != held)
                    return false;
                for (const Desk& d : desks)
                    if (cells(d, p.section, address, step.shown) != QLatin1String(step.shown))
                        return false;
                return true;
            };
            if (until(agreed))
                continue;
            // What differs, then the point's later steps are left: each builds on this one.
            if (fieldHolds)
                EXPECT_EQ(fieldState().toStdString(), step.held) << "the field";
            EXPECT_EQ(stored(address).toStdString(), step.held) << "the site database";
            for (const Desk& d : desks)
                EXPECT_EQ(cells(d, p.section, address, step.shown).toStdString(), step.shown)
                    << d.station->computerName().toStdString();
            FAIL() << "the field, the site and every desk did not agree within the bound";
        }
    }

    /// Every command entry each row of the sending desk's group offers: "kind|entry", the kind
    /// being the address without its numbers.
    QSet<QString> offeredCommands() {
        static const QRegularExpression digits(QStringLiteral("[0-9]"));
        QSet<QString> offered;
        so::StatusReader reader(desks.front().station->status());
        for (const so::StatusReader::SectionInfo& info : reader.sections()) {
            const int addressColumn = int(info.columns.indexOf(QStringLiteral("Address")));
            for (const so::StatusReader::Row& row : reader.rows(info.section, {}, 0, 1000).rows)
                for (const so::StatusReader::MenuItem& item : reader.menu(info.section, row.key))
                    if (item.enabled &&
                        (item.text.contains(QLatin1String(" > ")) || item.text == QLatin1String("Clear Code Tamper")))
                        offered << QString(row.cells.value(addressColumn)).remove(digits) + QLatin1Char('|') +
                                       item.text;
        }
        return offered;
    }
    static QSet<QString> tabled() {
        static const QRegularExpression digits(QStringLiteral("[0-9]"));
        QSet<QString> entries;
        for (std::span<const PointCommands> line :
             {std::span<const PointCommands>(kClassicPoints), std::span<const PointCommands>(kNewerLinePoints)})
            for (const PointCommands& p : line)
                for (const Step& step : p.steps)
                    if (step.entry != nullptr)
                        entries << QString::fromLatin1(p.address).remove(digits) + QLatin1Char('|') +
                                       QLatin1String(step.entry);
        return entries;
    }
    void expectNothingRefused() {
        EXPECT_EQ(broadcaster->refusedCommands(), 0);
        EXPECT_EQ(sender().commandsRefused(), 0);
        EXPECT_EQ(log.errorCount(), 0) << log.lines().join('\n').toStdString();
    }
};

TEST_F(EveryCommandSite, EveryMenuCommandOfEveryKindOfPointIsTabled) {
    // Readers of the classic line, controllers, communication boxes, ports and modules carry no
    // command: their rows add nothing here, so an entry offered for them fails as untabled.
    const QSet<QString> offered = offeredCommands();
    const QSet<QString> inTable = tabled();
    EXPECT_EQ(QStringList(QSet<QString>(offered).subtract(inTable).values()).join('\n').toStdString(), "")
        << "offered, not tabled";
    EXPECT_EQ(QStringList(QSet<QString>(inTable).subtract(offered).values()).join('\n').toStdString(), "")
        << "tabled, not offered";
}

TEST_F(EveryCommandSite, ClassicCommandsReachTheFieldTheSiteAndEveryDesk) {
    for (const PointCommands& p : kClassicPoints)
        ASSERT_NO_FATAL_FAILURE(run(p));
    expectNothingRefused();
}

TEST_F(EveryCommandSite, NewerLineCommandsReachTheFieldTheSiteAndEveryDesk) {
    for (const PointCommands& p : kNewerLinePoints)
        ASSERT_NO_FATAL_FAILURE(run(p));
    expectNothingRefused();
}

}  // namespace
