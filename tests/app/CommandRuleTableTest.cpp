// The menu and the field decide by one rule: for every command of every row's menu, for each demo
// operator (admin may command all, mlee not the points kept from the Guards, akim nothing), the
// window offers the command exactly when the field's gate executes it. The menus are read as a
// host without windows reads them (StatusReader); the command an entry sends is captured as the
// wire command a desk would publish and checked by the field's gate on the field's devices.
#include "desk/Workstation.h"
#include "field/SimulatedField.h"
#include "host/AppLog.h"
#include "host/DrawnImageList.h"
#include "host/ResourceTexts.h"
#include "host/SiteHost.h"
#include "host/SyncBus.h"

#include "AppTestSite.h"
#include "CommandGate.h"

#include <statusobject/StatusReader.h>

#include <gtest/gtest.h>

#include <QSet>

namespace {

using sv::wire::Command;

constexpr qint64 kCommandSentMs = 1700000000000;

/// The field control of a desk: each command becomes the wire command the desk would publish.
class CapturedCommands final : public sv::FieldControl {
public:
    std::optional<Command> last;
    void dtApiCall(qint32 controller, const QString& text, qint16 point) override {
        Command c;
        c.kind = Command::Kind::ApiCall;
        c.a = controller;
        c.text = text;
        c.c = point;
        last = c;
    }
    void zr2AccessFunction(qint32 type, qint32 id, qint32 code) override {
        capture(Command::Kind::AccessFunction, type, id, code);
    }
    void zr2ControlFunction(qint32 type, qint32 id, qint32 code) override {
        capture(Command::Kind::ControlFunction, type, id, code);
    }
    void zr2ClearCodeTamper(qint32 readerId) override { capture(Command::Kind::ClearCodeTamper, readerId, 0, 0); }

private:
    void capture(Command::Kind kind, qint64 a, qint64 b, qint64 c) {
        Command command;
        command.kind = kind;
        command.a = a;
        command.b = b;
        command.c = c;
        last = command;
    }
};

struct OneRule : ::testing::Test {
    sv::test::DemoSiteFile site;
    sv::AppLog log;
    sv::ResourceTexts texts{&log};
    sv::SyncBus bus;
    sv::DrawnImageList images;
    std::unique_ptr<so::db::Connection> fieldDb = site.connect();
    std::unique_ptr<sv::SimulatedField> field;
    CapturedCommands captured;
    std::unique_ptr<sv::CommandGate> gate;
    qint64 number = 0;

    void SetUp() override {
        log.setEcho(false);
        field = std::make_unique<sv::SimulatedField>(*fieldDb, sv::FieldOptions{}, &log);
        field->load();
        gate = std::make_unique<sv::CommandGate>(
            *fieldDb, [this](const Command& c) { return sv::commandTargets(*field, c); },
            &sv::SiteHost::operatorPermission);
    }

    std::unique_ptr<sv::Workstation> desk(const QString& op) {
        sv::WorkstationOptions options;
        options.siteUrl = site.url;
        options.host.operatorName = op;
        options.logFolder = site.dir.path();
        const sv::HostServices services{&texts, &log, &bus, &captured, &images};
        return std::make_unique<sv::Workstation>(options, services, *field, bus);
    }

    bool fieldAccepts(Command command, const QString& op) {
        command.sender = QStringLiteral("WS1");
        command.session = 7;
        command.number = ++number;
        command.sentMs = kCommandSentMs;
        command.operatorLogin = op;
        command.token = sessionOf(op);
        return gate->check(QStringLiteral("WS1"), command, kCommandSentMs, 0).isEmpty();
    }

    /// The operator's session at WS1, signed in at the gate with the demo site's password.
    QByteArray sessionOf(const QString& op) {
        if (!sessions.contains(op)) {
            Command signIn;
            signIn.kind = Command::Kind::SignIn;
            signIn.sender = QStringLiteral("WS1");
            signIn.session = 7;
            signIn.number = ++number;
            signIn.sentMs = kCommandSentMs;
            signIn.operatorLogin = op;
            signIn.text = op + QStringLiteral("-demo");
            QByteArray token;
            gate->check(QStringLiteral("WS1"), signIn, kCommandSentMs, 0,
                        [&](const QString&, const QByteArray& given) { token = given; });
            sessions.insert(op, token);
        }
        return sessions.value(op);
    }
    QHash<QString, QByteArray> sessions;

    void keepFromGuards(const QString& address) {
        site.db->execute(
            QStringLiteral(
                "INSERT INTO boundaries (Address, objecttype, WorkstationID, GroupID) VALUES ('%1', 21, 1, 2)")
                .arg(address));
    }
};

struct MenuRow {
    int section;
    int key;
    QString address;
};

QVector<MenuRow> menuRows(so::StatusReader& reader) {
    QVector<MenuRow> rows;
    for (const so::StatusReader::SectionInfo& info : reader.sections()) {
        const int addressColumn = int(info.columns.indexOf(QStringLiteral("Address")));
        for (const so::StatusReader::Row& row : reader.rows(info.section, {}, 0, 1000).rows)
            rows.append({info.section, row.key, row.cells.value(addressColumn)});
    }
    return rows;
}

QString firstShown(const QVector<MenuRow>& rows, int section, const char* code) {
    for (const MenuRow& row : rows)
        if (row.section == section && row.address.contains(QLatin1String(code)))
            return row.address;
    return {};
}

TEST_F(OneRule, EveryMenuCommandIsOfferedExactlyWhenTheFieldExecutesIt) {
    // The small group holds the first points of every kind; akim may see only it.
    const std::unique_ptr<sv::Workstation> admin = desk(QStringLiteral("admin"));
    so::StatusReader adminMenus(admin->status());
    const QVector<MenuRow> rows = menuRows(adminMenus);

    // Kept from the Guards (mlee): the demo site's door, and here one point of several more kinds.
    const QString door = site.site.boundaryAddress;
    const QString controller = door.left(door.lastIndexOf(QLatin1Char('.')));
    const QString zrReader = firstShown(rows, 3, "ZRII");
    const QString zrRelay = firstShown(rows, 2, "ZRII");
    const QString zrDoor = firstShown(rows, 0, "ZRII");
    const QString expansionInput = firstShown(rows, 1, ".XI");
    for (const QString& address : {zrReader, zrRelay, zrDoor, expansionInput}) {
        ASSERT_FALSE(address.isEmpty());
        keepFromGuards(address);
    }
    // A door's strike relay and contact input command the door too.
    const QSet<QString> keptFromMlee{door,
                                     controller + ".BR" + door.right(2),
                                     controller + ".BI" + door.right(2),
                                     zrReader,
                                     zrRelay,
                                     zrDoor,
                                     expansionInput};

    const std::unique_ptr<sv::Workstation> mlee = desk(QStringLiteral("mlee"));
    const std::unique_ptr<sv::Workstation> akim = desk(QStringLiteral("akim"));
    so::StatusReader mleeMenus(mlee->status());
    so::StatusReader akimMenus(akim->status());
    const struct {
        const char* op;
        so::StatusReader& menus;
    } operators[] = {{"admin", adminMenus}, {"mlee", mleeMenus}, {"akim", akimMenus}};

    QSet<int> sectionsSeen;
    QSet<QString> kindsOfCommand;
    int checked = 0;
    for (const MenuRow& row : rows) {
        for (const so::StatusReader::MenuItem& item : adminMenus.menu(row.section, row.key)) {
            // The command the entry sends; refreshes send none.
            captured.last.reset();
            ASSERT_EQ(adminMenus.invoke(row.section, row.key, item.id), so::StatusReader::CommandResult::Sent)
                << row.address.toStdString() << " " << item.text.toStdString();
            if (!captured.last)
                continue;
            const Command command = *captured.last;
            sectionsSeen.insert(row.section);
            kindsOfCommand.insert(item.text);
            for (const auto& o : operators) {
                const QString op = QString::fromLatin1(o.op);
                const bool expected = op == QLatin1String("admin") ||
                                      (op == QLatin1String("mlee") && !keptFromMlee.contains(row.address));
                bool offered = false;
                for (const so::StatusReader::MenuItem& mine : o.menus.menu(row.section, row.key))
                    if (mine.id == item.id)
                        offered = mine.enabled;
                SCOPED_TRACE(testing::Message()
                             << o.op << " " << row.address.toStdString() << " " << item.text.toStdString());
                EXPECT_EQ(offered, expected) << "the menu";
                EXPECT_EQ(fieldAccepts(command, op), expected) << "the field";
                ++checked;
            }
        }
    }
    // Doors, inputs and relays of both lines and the newer line's readers carry commands.
    EXPECT_EQ(sectionsSeen, (QSet<int>{0, 1, 2, 3}));
    EXPECT_TRUE(kindsOfCommand.contains("Clear Code Tamper"));
    EXPECT_TRUE(kindsOfCommand.contains("Access Functions > Toggle Lock"));
    EXPECT_TRUE(kindsOfCommand.contains("Control Functions > Lock OPEN Release"));
    EXPECT_GT(checked, 300);
}

}  // namespace
