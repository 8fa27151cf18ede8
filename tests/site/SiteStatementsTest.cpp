// Every statement the status viewer sends to the site database, run against a generated demo site
// through the embedded SQLite backend, through unixODBC with the SQLite ODBC driver and through
// the SQL Server-like test driver (the server path: no rewriter, the server's result rules).
//
// The "server" backend runs them against a site's own SQL Server database, named by the
// environment (skipped when unset): STATUSOBJECT_SQLSERVER="odbc:..." ctest -L sqlserver
// The values come from the site's own rows, a statement whose values the site lacks is left out,
// rows are not counted, and every test runs in a transaction that is rolled back.
//
// The texts are the component's, character for character; {NAME} marks where the component puts
// an address or id of the site (looked up in the generated site). A statement that carries such a
// value in its text also runs in its bound form (the value's place, quotes included, becomes "?"),
// as the component sends it where it binds values from outside.
#include "SiteTestSupport.h"
#include "support/SqlServerLike.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <optional>

using namespace so::db;
using namespace so::db::test;

namespace {

enum class Expect { Rows, NoRows, Runs };

struct Statement {
    const char* purpose;
    QString text;
    Expect expect = Expect::Rows;
    QStringList parameters;  // site values bound to the "?" of the text, in order
    QStringList fields;      // fields the component reads by name
};

const QString kKeypadFrom = QStringLiteral(
    "FROM         ZRII_Modules INNER JOIN "
    "ZRII_Readers INNER JOIN "
    "ZRII_KeypadsInReader ON ZRII_Readers.ReaderID = ZRII_KeypadsInReader.ReaderID INNER JOIN "
    "ZRII_Keypads ON ZRII_KeypadsInReader.KeypadID = ZRII_Keypads.ID ON ZRII_Modules.ID = "
    "ZRII_Keypads.KeypadModuleID ");

QVector<Statement> statements() {
    const QStringList doorFields{"DoorName", "DoorId",   "Address",    "PanelType", "TwoMan",
                                 "invert",   "Disabled", "InputIndex", "Anlgmode",  "NormalyOpen"};
    const QStringList inputFields{"Name", "InputID", "Address", "Anlgmode", "Disabled", "NormalyOpen"};
    const QStringList relayFields{"Name", "OutputID", "Address", "invert"};
    const QStringList readerFields{"Name", "ReaderId", "Address"};
    const QStringList controllerFields{"Controller_Name", "Controller_ID", "Address", "Installed"};
    const QStringList pylonFields{"PylonName", "PylonID", "Address", "Revision", "Enabled", "LastUpdated"};
    const QStringList portFields{"PortName",  "PortID",      "Address", "PortType",
                                 "PortStyle", "LastUpdated", "Enabled", "ModemStatus"};
    const QStringList xinputFields{"Name",     "ExpInputID", "Address",     "InputIndex",
                                   "nxinputs", "Disabled",   "normal_open", "Anlg_mode"};
    const QStringList xrelayFields{"Name",    "ExpOutputID", "Address", "invert",  "OutputIndex",
                                   "ef_reb1", "ef_reb2",     "ef_reb3", "ef_reb4", "ef_reb5",
                                   "ef_reb6", "ef_reb7",     "ef_reb8", "ef_reb64"};
    return {
        // Window layout of the profile.
        {"layout load", "Select * from Profile_Details Where ObjectID = 10 AND ProfileID = {PROFILE}"},
        {"layout save", "KSP_Update_Profile_Persisted_Details {PROFILE}, 10, 'Height', '5000'", Expect::Runs},
        {"layout save", "KSP_Update_Profile_Persisted_Details {PROFILE}, 10, 'ColumnHeaderPos0', N'Use Object Default'",
         Expect::Runs},

        // Live status intake and status requests.
        {"status snapshot", "Select * From SuperStatus"},
        {"module kind",
         "Select DeviceSubType From ZRII_Modules Where Address = '{ZKEYPADMODULE}'",
         Expect::Rows,
         {},
         {"DeviceSubType"}},
        {"keypad of a module",
         "SELECT     ZRII_Keypads.PhysicalTamperLockout, ZRII_Keypads.CodeTamperLockout, ZRII_Modules.Online, "
         "ZRII_Readers.Address AS ReaderAddress " +
             kKeypadFrom + "WHERE     (ZRII_Modules.Address = '{ZKEYPADMODULE}')",
         Expect::Rows,
         {},
         {"ReaderAddress"}},
        {"controllers of an address",
         "KSP_Fetch_ControllersFromAddress  '{CONTROLLER}'",
         Expect::Rows,
         {},
         {"Installed"}},
        {"port request", "select PortID,1 from ServerPorts Where Address ='{PORT}'"},
        {"box request", "select PylonID,1 from Pylons Where Address ='{PYLON}'"},
        {"controller request", "select Controller_ID,Installed from Controllers Where Address ='{CONTROLLER}'"},

        // Threat level names.
        {"threat level name", "Select [Name] From ThreatLevels Where ThreatID = {THREAT}", Expect::Rows, {}, {"Name"}},

        // Point roles: the bounded operator is kept from the boundary address, the administrator is not.
        {"role point",
         "Select Address from boundaries Where boundaries.Address = '{BOUNDARY}' and objecttype = 21 and WorkstationID "
         "= 1 and GroupID IN (SELECT     OperatorsToGroups.GroupID FROM         Operators INNER JOIN "
         "OperatorsToGroups ON Operators.OperatorID = OperatorsToGroups.OperatorID WHERE     "
         "(Operators.OperatorID = {BOUNDED}))"},
        {"role point",
         "Select Address from boundaries Where boundaries.Address = '{BOUNDARY}' and objecttype = 21 and WorkstationID "
         "= 1 and GroupID IN (SELECT     OperatorsToGroups.GroupID FROM         Operators INNER JOIN "
         "OperatorsToGroups ON Operators.OperatorID = OperatorsToGroups.OperatorID WHERE     "
         "(Operators.OperatorID = {ADMIN}))",
         Expect::NoRows},

        // Filling a status group.
        {"kinds of a group",
         "Select Distinct ObjectID from Status_Points Where GroupID = {SMALL}",
         Expect::Rows,
         {},
         {"ObjectId"}},
        {"fill doors", "STATUS_Fetch_Doors {SMALL}", Expect::Rows, {}, doorFields},
        {"fill inputs", "STATUS_Fetch_Inputs {SMALL}", Expect::Rows, {}, inputFields},
        {"fill relays", "STATUS_Fetch_Relays {SMALL}", Expect::Rows, {}, relayFields},
        {"fill readers", "STATUS_Fetch_Readers {SMALL}", Expect::Rows, {}, readerFields},
        {"fill controllers", "STATUS_Fetch_Controllers {SMALL}", Expect::Rows, {}, controllerFields},
        {"fill boxes", "STATUS_Fetch_Pylons {SMALL}", Expect::Rows, {}, pylonFields},
        {"fill ports", "STATUS_Fetch_Ports {SMALL}", Expect::Rows, {}, portFields},
        {"fill expansion inputs", "STATUS_Fetch_XInputs {SMALL}", Expect::Rows, {}, xinputFields},
        {"fill expansion relays", "STATUS_Fetch_XRelays {SMALL}", Expect::Rows, {}, xrelayFields},
        {"fill newer doors",
         "ZRII_Status_Fetch_DoorInfo {SMALL}",
         Expect::Rows,
         {},
         {"Name", "DoorId", "Address", "TwoPersonRule", "Disabled", "LineModuleType", "NormalStateEnergized",
          "MaskSource", "NormallyClosed", "ContactStatus"}},
        {"fill newer inputs",
         "[ZRII_Status_Fetch_InputInfo] {SMALL}",
         Expect::Rows,
         {},
         {"Name", "InputID", "Address", "MaskSource", "ContactStatus", "LineModuleType", "Disabled", "NormallyClosed"}},
        {"fill newer relays",
         "[ZRII_Status_Fetch_RelayInfo] {SMALL}",
         Expect::Rows,
         {},
         {"Name", "RelayId", "Address", "NormalStateEnergized"}},
        {"fill newer readers",
         "ZRII_Status_Fetch_ReaderInfo {SMALL}",
         Expect::Rows,
         {},
         {"Name", "ReaderId", "Address", "CodeTamperLockout", "PhysicalTamperLockout"}},
        {"fill newer controllers",
         "[ZRII_Status_Fetch_ControllerInfo] {SMALL}",
         Expect::Rows,
         {},
         {"Name", "ID", "Address", "Installed", "Online"}},
        {"fill newer modules",
         "[ZRII_Status_Fetch_ModuleInfo] {SMALL}",
         Expect::Rows,
         {},
         {"Name", "ID", "Address", "Installed", "Online"}},

        // Database refresh of single rows.
        {"refresh classic door",
         "SELECT Doors.*, Inputs.AnlgMode, Inputs.Disabled, Outputs.TwoMan , Inputs.NormalyOpen, Inputs.PanelType "
         "FROM Doors INNER JOIN Controllers ON Doors.ControllerID = Controllers.Controller_ID INNER JOIN Inputs ON "
         "Doors.ControllerID = Inputs.ControllerID AND Doors.InputIndex = Inputs.[Index] INNER JOIN Outputs ON "
         "Doors.OutputIndex = Outputs.[Index] AND Doors.ControllerID = Outputs.ControllerID LEFT OUTER JOIN "
         "ServerPorts ON Controllers.PortID = ServerPorts.PortID Where Doors.Address = ?",
         Expect::Rows,
         {"DOOR"},
         {"TwoMan", "Disabled", "PanelType", "InputIndex", "Anlgmode", "NormalyOpen"}},
        {"refresh classic input",
         "SELECT * FROM Inputs Where Address = ?",
         Expect::Rows,
         {"INPUT"},
         {"Anlgmode", "Disabled", "NormalyOpen"}},
        {"refresh expansion input",
         "SELECT * FROM ExpInputs Where Address = '{XINPUT}'",
         Expect::Rows,
         {},
         {"Anlg_mode", "Disabled", "normal_open"}},
        {"refresh classic controller",
         "SELECT     Controllers.Installed, SuperStatus.Status FROM         SuperStatus INNER JOIN Controllers ON "
         "SuperStatus.Address = Controllers.Address WHERE     (SuperStatus.Address = ?) AND (SuperStatus.StatusType = "
         "32)",
         Expect::Rows,
         {"CONTROLLER"},
         {"Status", "Installed"}},
        {"refresh box", "SELECT * FROM Pylons WHERE Address = ?", Expect::Rows, {"PYLON"}, {"Revision", "Enabled"}},
        {"refresh port",
         "SELECT     ServerPorts.Enabled, ServerPorts.Address, SuperStatus.Status FROM         ServerPorts LEFT "
         "OUTER JOIN SuperStatus ON ServerPorts.Address = SuperStatus.Address WHERE     (ServerPorts.Address = ?)",
         Expect::Rows,
         {"PORT"},
         {"Status", "Enabled"}},
        {"refresh expansion input with its set-up",
         "SELECT ExpInputs.*, PanelBasicSetups.nxinputs FROM ExpInputs INNER JOIN Controllers ON "
         "ExpInputs.ControllerID = Controllers.Controller_ID INNER JOIN PanelBasicSetups ON ExpInputs.ControllerID = "
         "PanelBasicSetups.ControllerID LEFT OUTER Join ServerPorts ON Controllers.PortID = ServerPorts.PortID WHERE "
         "ExpInputs.Address = ? ORDER BY ExpInputs.Address ASC",
         Expect::Rows,
         {"XINPUT"},
         {"InputIndex", "nxinputs", "normal_open", "Anlg_mode", "Disabled"}},

        // Masked points list.
        {"masked input name", "Select [Name] From Inputs (NOLOCK) Where BelongToDoor = 0 and Address = '{INPUT}'"},
        {"masked door name", "Select [DoorName] From Doors (NOLOCK) Where Active = 1 and Address = '{DOOR}'"},
        {"masked expansion input name", "Select [Name] From ExpInputs (NOLOCK) Where Address = '{XINPUT}'"},
        {"masked newer input name", "Select [Name] From ZRII_Inputs (NOLOCK) Where Address = '{ZINPUT}'"},
        {"masked reports",
         "Select * From SuperStatus Where (StatusType >= 7 and StatusType <=9) or StatusType = 15 or StatusType = 14",
         Expect::Rows,
         {},
         {"Status", "StatusType", "Address"}},
        {"masked newer inputs", "Select [Name], [Address], [MaskSource] from ZRII_Inputs Where MaskSource > 0"},

        // Status window frame.
        {"default group",
         "Select StatusGroupID From Profiles Where ProfileID = {PROFILE}",
         Expect::Rows,
         {},
         {"StatusGroupID"}},
        {"visible groups", "[KSP_Roles_Fetch_StatusGroups] 1, {ADMIN}"},

        // Classic controller commands.
        {"controller number", "Select Controller_ID From Controllers Where Address = ?", Expect::Rows, {"CONTROLLER"}},

        // Newer-line door components.
        {"door relays",
         "SELECT *  From [ZRII_Relays]  WHERE RelayID IN (Select RelayID From ZRII_RelaysInDoorsRelations Where "
         "DoorID = {ZDOORID})",
         Expect::Rows,
         {},
         {"Name", "RelayId"}},
        {"door inputs",
         "SELECT *  From [ZRII_Inputs]  WHERE InputID IN (Select InputID From ZRII_InputsInDoorsRelations Where "
         "DoorID = {ZDOORID}) ORDER BY [Index]",
         Expect::Rows,
         {},
         {"Name", "InputID"}},
        {"door readers",
         "SELECT *  From [ZRII_Readers]  WHERE ReaderID IN (Select ReaderID From ZRII_ReadersInDoorsRelations Where "
         "DoorID = {ZDOORID})",
         Expect::Rows,
         {},
         {"Name", "ReaderId"}},

        // Device details and properties.
        {"port type", "Select PortType, Address From ServerPorts Where PortID = {DVRPORTID}"},
        {"recorder", "Select GlobalAddressID From DVR_Config Where Address2 = '{DVRPORT}'"},
        {"receiver", "Select GlobalAddressID From CSR_Config Where Address2 = '{CSRPORT}'"},
        {"controllers of a pane",
         "Select distinct left(ListAddress, case when len(ListAddress) > 5 then len(ListAddress) - 5 else 0 end) from "
         "Status_Points where GroupID = {SMALL} and ObjectID = 1"},
        {"controllers of a pane",
         "Select distinct left(ListAddress, case when len(ListAddress) > 5 then len(ListAddress) - 5 else 0 end) from "
         "Status_Points where GroupID = {SMALL} and (ObjectID = 1 or ObjectID = 9)"},
        {"controllers of the group",
         "Select distinct ListAddress from Status_Points where GroupID = {SMALL} and ObjectID = 5"},
        {"controllers of the site",
         "Select distinct left(ListAddress, case when len(ListAddress) > 5 then len(ListAddress) - 5 else 0 end) from "
         "Controllers"},
        {"newer door details", "ZRII_Status_Fetch_DoorInfo {ZDOORID}", Expect::Runs},
        {"newer input details", "ZRII_Status_Fetch_InputInfo {ZINPUTID}", Expect::Runs},
        {"newer relay details", "ZRII_Status_Fetch_RelayInfo {ZRELAYID}", Expect::Runs},
        {"newer reader details", "[ZRII_Status_Fetch_ReaderInfo] {ZREADERID}", Expect::Runs},
        {"newer controller details", "[ZRII_Status_Fetch_ControllerInfo] {ZCONTROLLERID}", Expect::Runs},

        // Status groups and the catalogue of points.
        {"duplicate name", "Select GroupName from Status_Groups Where GroupName = ?", Expect::Rows, {"SMALLNAME"}},
        {"catalogue expansion relays", "KSP_Fetch_Status_XOutputs N''", Expect::Rows, {}, xrelayFields},
        {"catalogue expansion inputs", "KSP_Fetch_Status_XInputs N'{WS}'", Expect::Rows, {}, xinputFields},
        {"catalogue ports", "KSP_Fetch_Status_Ports N'{WS}'", Expect::Rows, {}, portFields},
        {"catalogue boxes", "KSP_Fetch_Status_Pylons N'{WS}'", Expect::Rows, {}, pylonFields},
        {"catalogue controllers", "KSP_Fetch_Status_Controllers N'{WS}'", Expect::Rows, {}, controllerFields},
        {"catalogue readers", "KSP_Fetch_Status_Readers N'{WS}'", Expect::Rows, {}, readerFields},
        {"catalogue relays", "KSP_Fetch_Status_Relays N'{WS}'", Expect::Rows, {}, relayFields},
        {"catalogue inputs", "KSP_Fetch_Status_Inputs N'{WS}'", Expect::Rows, {}, inputFields},
        {"catalogue doors", "KSP_Fetch_Status_Doors N'{WS}'", Expect::Rows, {}, doorFields},
        {"catalogue newer controllers", "Select ID, [Name], [Address] from ZRII_Controllers"},
        {"catalogue newer modules",
         "Select ID, [Name], [Address] from ZRII_Modules Where DeviceSubType <> 8 AND DeviceSubType <> 1 AND "
         "DeviceSubType <> 2 "},
        {"catalogue newer readers", "Select ReaderID, [Name], Address From ZRII_Readers"},
        {"catalogue newer relays",
         "Select RelayID, [Name], [Address] From ZRII_Relays WHERE (RelayType = 4 OR  RelayType = 2) Order By "
         "[Address] ASC"},
        {"catalogue newer inputs",
         "Select InputID, [Name], [Address], NormallyClosed, Expansion  from ZRII_Inputs ORDER BY Address ASC"},
        {"catalogue newer doors", "Select DoorID, [Name], [Address] From ZRII_Doors Order By [Address] ASC"},
        {"group list",
         "Select * from Status_Groups Order By GroupName Desc",
         Expect::Rows,
         {},
         {"GroupID", "GroupName"}},
        {"points of a group",
         "Select * from Status_Points Where GroupID = ?",
         Expect::Rows,
         {"SMALL"},
         {"ListName", "ListAddress", "ObjectId", "PointId", "AlternateFlag", "ListSmallIcon"}},
    };
}

/// The site values the statements refer to, looked up in the generated site (or, without one, in
/// whatever site the connection reaches; a value that site lacks stays unset).
QHash<QString, QVariant> siteValues(Connection& c, const DemoSiteSummary* site) {
    const auto first = [&](const char* sql) {
        const QVariant value = scalar(c, QString::fromUtf8(sql));
        if (site)
            EXPECT_TRUE(value.isValid()) << sql;
        return value;
    };
    QHash<QString, QVariant> v;
    v["PROFILE"] = site ? QVariant(site->defaultProfileId) : first("SELECT ProfileID FROM Profiles ORDER BY ProfileID");
    v["SMALL"] = site ? QVariant(site->smallGroupId) : first("SELECT GroupID FROM Status_Groups ORDER BY GroupID");
    v["SMALLNAME"] = first("SELECT GroupName FROM Status_Groups ORDER BY GroupID");
    v["ADMIN"] = site ? QVariant(site->adminOperatorId) : first("SELECT OperatorID FROM Operators ORDER BY OperatorID");
    v["BOUNDED"] = site ? QVariant(site->boundedOperatorId) : v["ADMIN"];
    v["BOUNDARY"] = site ? QVariant(site->boundaryAddress) : first("SELECT Address FROM boundaries ORDER BY Address");
    v["WS"] =
        site ? QVariant(QStringLiteral("WS1")) : first("SELECT ComputerName FROM Workstations ORDER BY WorkstationID");
    v["THREAT"] = site ? QVariant(3) : first("SELECT ThreatID FROM ThreatLevels ORDER BY ThreatID");
    v["CONTROLLER"] = first("SELECT Address FROM Controllers ORDER BY Controller_ID");
    v["DOOR"] = first("SELECT Address FROM Doors ORDER BY DoorId");
    v["DOORID"] = first("SELECT DoorId FROM Doors ORDER BY DoorId");
    v["INPUT"] = first("SELECT Address FROM Inputs WHERE BelongToDoor = 0 ORDER BY InputID");
    v["XINPUT"] = first(
        "SELECT e.Address FROM ExpInputs e JOIN PanelBasicSetups b ON b.ControllerID = e.ControllerID "
        "WHERE e.InputIndex <= b.nxinputs ORDER BY e.ExpInputID");
    v["PYLON"] = first("SELECT Address FROM Pylons ORDER BY PylonID");
    v["PORT"] = first("SELECT Address FROM ServerPorts WHERE PortType = 1 ORDER BY PortID");
    v["DVRPORT"] = first("SELECT Address FROM ServerPorts WHERE PortType = 7");
    v["DVRPORTID"] = first("SELECT PortID FROM ServerPorts WHERE PortType = 7");
    v["CSRPORT"] = first("SELECT Address FROM ServerPorts WHERE PortType = 8");
    v["ZDOORID"] = first("SELECT DoorID FROM ZRII_Doors ORDER BY DoorID");
    for (auto it = v.begin(); it != v.end();)
        it = it->isValid() ? std::next(it) : v.erase(it);
    v["ZINPUT"] = first("SELECT Address FROM ZRII_Inputs WHERE MaskSource > 0 ORDER BY InputID");
    v["ZINPUTID"] = first("SELECT InputID FROM ZRII_Inputs WHERE MaskSource > 0 ORDER BY InputID");
    v["ZRELAYID"] = first("SELECT RelayID FROM ZRII_Relays WHERE RelayType IN (2, 4) ORDER BY RelayID");
    v["ZREADERID"] = first("SELECT ReaderID FROM ZRII_Readers ORDER BY ReaderID");
    v["ZCONTROLLERID"] = first("SELECT ID FROM ZRII_Controllers ORDER BY ID");
    v["ZKEYPADMODULE"] = first("SELECT Address FROM ZRII_Modules WHERE DeviceSubType = 8 ORDER BY ID");
    return v;
}

const QRegularExpression& placeholder() {
    static const QRegularExpression re(QStringLiteral("\\{(\\w+)\\}"));
    return re;
}

/// True when every {NAME} of the text and every bound value has a value.
bool hasValues(const QString& text, const QStringList& parameters, const QHash<QString, QVariant>& values) {
    for (auto it = placeholder().globalMatch(text); it.hasNext();)
        if (!values.contains(it.next().captured(1)))
            return false;
    return std::all_of(parameters.begin(), parameters.end(),
                       [&](const QString& name) { return values.contains(name); });
}

QString substituted(QString text, const QHash<QString, QVariant>& values) {
    for (auto it = values.begin(); it != values.end(); ++it)
        text.replace("{" + it.key() + "}", it.value().toString());
    return text;
}

/// The bound form of a text: each site value, with its quotes, becomes "?"; the names in order.
QString boundForm(const QString& text, QStringList* names) {
    static const QRegularExpression value(QStringLiteral("N?'\\{(\\w+)\\}'|\\{(\\w+)\\}"));
    QString result;
    qsizetype last = 0;
    for (auto it = value.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        result += text.mid(last, m.capturedStart() - last) + QLatin1Char('?');
        names->append(m.captured(1).isEmpty() ? m.captured(2) : m.captured(1));
        last = m.capturedEnd();
    }
    return result + text.mid(last);
}

bool isProcedureCall(const QString& text) {
    return text.startsWith('[') || text.startsWith("KSP_") || text.startsWith("STATUS_") || text.startsWith("ZRII_");
}

class SiteStatements : public ::testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        auto connection = Connection::open("sqlite:" + templatePath());
        DemoSiteOptions options;
        options.points = 800;
        const DemoSiteSummary site = generateDemoSite(*connection, options);
        demoValues_ = new QHash<QString, QVariant>(siteValues(*connection, &site));
    }
    static void TearDownTestSuite() {
        delete demoValues_;
        delete dir_;
    }
    static QString templatePath() { return dir_->filePath("template.db"); }

    void SetUp() override {
        const QString backend = QString::fromUtf8(GetParam());
        if (backend == "odbc" && sqliteOdbcDriver().isEmpty())
            GTEST_SKIP() << "the SQLite ODBC driver (libsqliteodbc) or Qt's QODBC plugin is not installed";
        if (backend == "sqlserver" && !so::test::SqlServerLike::skipReason().isEmpty())
            GTEST_SKIP() << so::test::SqlServerLike::skipReason().toStdString();
        if (backend == "server") {
            const QString url = qEnvironmentVariable("STATUSOBJECT_SQLSERVER");
            if (url.isEmpty())
                GTEST_SKIP()
                    << "set STATUSOBJECT_SQLSERVER=\"odbc:...\" to run the statements against a site's SQL Server";
            onServer_ = true;
            connection_ = Connection::open(url);
            serverValues_ = siteValues(*connection_, nullptr);
            values_ = &serverValues_;
            untouched_.emplace(*connection_);
            return;
        }
        const QString path = dir_->filePath(QStringLiteral("%1-%2.db").arg(backend).arg(++copies_));
        ASSERT_TRUE(QFile::copy(templatePath(), path));
        connection_ = Connection::open(backend == "odbc"        ? "odbc:DRIVER={SQLite3};Database=" + path
                                       : backend == "sqlserver" ? so::test::SqlServerLike::url(path)
                                                                : "sqlite:" + path);
    }
    void TearDown() override {
        untouched_.reset();  // a server's site keeps nothing of the test
        connection_.reset();
    }

    /// Runs one text with its bound values and counts its rows, reading the named fields of each.
    int run(const QString& text, const QStringList& parameters, const QStringList& fields) {
        Command command(*connection_, text);
        for (const QString& name : parameters) {
            const QVariant value = values_->value(name);
            const bool number = value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong;
            command.appendParameter("@" + name, number ? so::db::ParamType::Integer : so::db::ParamType::VarChar,
                                    ParamDirection::Input, number ? 4 : 50, value);
        }
        int rows = 0;
        for (Recordset rs = command.open(); !rs.eof(); rs.moveNext(), ++rows)
            for (const QString& field : fields)
                EXPECT_GE(rs.fieldIndex(field), 0) << field.toStdString();
        return rows;
    }

    void check(const Statement& s, const QString& text, const QStringList& parameters) {
        SCOPED_TRACE(std::string(s.purpose) + ": " + text.toStdString());
        int rows = -1;
        try {
            rows = run(text, parameters, s.fields);
        } catch (const DbError& e) {
            ADD_FAILURE() << e.message().toStdString() << " | " << e.driverMessage().toStdString();
            return;
        }
        if (s.expect == Expect::Rows && !onServer_)
            EXPECT_GT(rows, 0);
        if (s.expect == Expect::NoRows && !onServer_)
            EXPECT_EQ(rows, 0);
    }

    std::unique_ptr<Connection> connection_;
    std::optional<Transaction> untouched_;
    bool onServer_ = false;
    QHash<QString, QVariant> serverValues_;
    const QHash<QString, QVariant>* values_ = demoValues_;
    static QTemporaryDir* dir_;
    static QHash<QString, QVariant>* demoValues_;
    static int copies_;
};
QTemporaryDir* SiteStatements::dir_ = nullptr;
QHash<QString, QVariant>* SiteStatements::demoValues_ = nullptr;
int SiteStatements::copies_ = 0;

TEST_P(SiteStatements, EveryStatementRunsAndThoseThatShouldReturnRowsDo) {
    for (const Statement& s : statements()) {
        if (!hasValues(s.text, s.parameters, *values_)) {
            EXPECT_TRUE(onServer_) << s.purpose;
            continue;  // the site has nothing of that kind
        }
        check(s, substituted(s.text, *values_), s.parameters);
        if (!s.text.contains('?') && !isProcedureCall(s.text) && s.text.contains(placeholder())) {
            QStringList names;
            const QString bound = boundForm(s.text, &names);
            check(s, bound, names);
        }
    }
}

TEST_P(SiteStatements, GroupStorageStatementsCreateFillAndRemoveAGroup) {
    Command create(*connection_, "KSP_Insert_Status_Group");
    create.setProcedure(true);
    create.appendParameter("@SiteID", so::db::ParamType::Integer, ParamDirection::Input, 4, 1);
    create.appendParameter("@GroupName", so::db::ParamType::VarChar, ParamDirection::Input, 50, "Manager's Rounds");
    create.appendParameter("@ReturnedID", so::db::ParamType::Integer, ParamDirection::Output, 4);
    create.execute();
    const int groupId = create.parameterValue("@ReturnedID").toInt();
    ASSERT_GT(groupId, 0);

    Command lookup(*connection_, "Select GroupName from Status_Groups Where GroupName = ?");
    lookup.appendParameter("@GroupName", so::db::ParamType::VarChar, ParamDirection::Input, 50, "Manager's Rounds");
    EXPECT_FALSE(lookup.open().eof());

    Command insert(*connection_,
                   "Insert Into Status_Points (GroupID, ObjectID, PointID, ListName, ListSmallIcon, "
                   "ListAddress, AlternateFlag) Values (?, ?, ?, ?, ?, ?, ?)");
    const QList<QVariant> point{groupId, 1, values_->value("DOORID"), "Front Entrance", 16, values_->value("DOOR"), 0};
    const QStringList names{"@GroupID",       "@ObjectID",    "@PointID",      "@ListName",
                            "@ListSmallIcon", "@ListAddress", "@AlternateFlag"};
    const so::db::ParamType types[] = {
        so::db::ParamType::Integer,  so::db::ParamType::Integer, so::db::ParamType::Integer, so::db::ParamType::VarChar,
        so::db::ParamType::SmallInt, so::db::ParamType::VarChar, so::db::ParamType::TinyInt};
    for (int i = 0; i < 7; ++i)
        insert.appendParameter(names[i], types[i], ParamDirection::Input, 0, point[i]);
    EXPECT_EQ(insert.execute(), 1);
    Recordset door = connection_->query(QStringLiteral("STATUS_Fetch_Doors %1").arg(groupId));
    ASSERT_FALSE(door.eof());
    EXPECT_EQ(door.field("Address").toString(), values_->value("DOOR").toString());
    door.close();

    Command removePoints(*connection_, "Delete From Status_Points Where GroupID = ?");
    removePoints.appendParameter("@GroupId", so::db::ParamType::Integer, ParamDirection::Input, 4, groupId);
    EXPECT_EQ(removePoints.execute(), 1);
    EXPECT_EQ(insert.execute(), 1);  // the same command inserts again
    Command removeGroup(*connection_, "Delete From Status_Groups Where GroupID = ?");
    removeGroup.appendParameter("@GroupID", so::db::ParamType::Integer, ParamDirection::Input, 4, groupId);
    EXPECT_EQ(removeGroup.execute(), 1);
    EXPECT_EQ(scalar(*connection_, QStringLiteral("Select count(*) from Status_Points Where GroupID = %1").arg(groupId))
                  .toInt(),
              0);
}

TEST_P(SiteStatements, LayoutTextsWithApostrophesReadBackUnchanged) {
    const QString layout = "Name][Door''s Name][1][85][True,Address][Address][2][129][True";
    connection_->execute(QStringLiteral("KSP_Update_Profile_Persisted_Details %1, 10, 'ColumnHeaderPos0', N'%2'")
                             .arg(values_->value("PROFILE").toInt())
                             .arg(layout));
    connection_->execute(QStringLiteral("KSP_Update_Profile_Persisted_Details %1, 10, 'Width', '9000'")
                             .arg(values_->value("PROFILE").toInt()));
    QHash<QString, QString> details;
    for (Recordset rs =
             connection_->query(QStringLiteral("Select * from Profile_Details Where ObjectID = 10 AND ProfileID = %1")
                                    .arg(values_->value("PROFILE").toInt()));
         !rs.eof(); rs.moveNext())
        details.insert(rs.field(2).toString(), rs.field(3).toString());
    EXPECT_EQ(details.value("ColumnHeaderPos0"), QString(layout).replace("''", "'"));
    EXPECT_EQ(details.value("Width"), "9000");
    if (!onServer_)
        EXPECT_EQ(details.value("ColumnHeaderPos7"), "Use Object Default");
}

INSTANTIATE_TEST_SUITE_P(Backends, SiteStatements, ::testing::Values("sqlite", "odbc", "sqlserver", "server"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
