#include "status/DbRefresh.h"

#include "base/ErrorTrap.h"
#include "base/Texts.h"
#include "domain/Address.h"
#include "base/Convert.h"
#include "domain/StateTexts.h"
#include "domain/SuperStatusText.h"
#include "status/StatusDecoder.h"
#include "status/Summaries.h"
#include "grid/ColumnLayout.h"
#include "base/RecordFields.h"
#include "status/RowCells.h"
#include "grid/Sections.h"

#include <QDateTime>
#include <QStringList>

#include <algorithm>

namespace so {
namespace {

// The newer line's relay with the Online flag of its controller (a door's relay and a relay row).
const QString kNewerLineRelayQuery = QStringLiteral(
    "SELECT ZRII_Relays.RelayID, ZRII_Relays.Name, ZRII_Relays.Address, ZRII_Relays.NormalStateEnergized, "
    "ZRII_Relays.OperationsStatus, ZRII_Relays.EnergizedStatus, (Select ZRII_Controllers.[Online] From "
    "ZRII_Controllers Where Address = LEFT(ZRII_Relays.Address,15)) as ControllerOnline FROM ZRII_Relays Where "
    "Address = ?");

/// Opens a statement whose one "?" is the point's address, bound as "@Address".
db::Recordset openForAddress(ComponentContext& ctx, const QString& sql, const QString& address) {
    db::Command command(ctx.db(), sql);
    command.appendParameter(QStringLiteral("@Address"), db::ParamType::NVarChar, db::ParamDirection::Input,
                            int(address.size()), address);
    return command.open();
}

/// How a row's record is read: Streamed as it comes, or Whole first, for writers that send
/// statements of their own while the record is open (a threat level's name, the decoder's reads).
enum class Read { Streamed, Whole };

/// Renews a row from the first record of a statement for the point's address: `write` gets the
/// record; no record writes nothing.
template <typename Write>
void writeFromRecord(ComponentContext& ctx, const QString& sql, const QString& address, Read read, Write&& write) {
    db::Recordset rs = openForAddress(ctx, sql, address);
    if (read == Read::Whole)
        rs.readAll();
    if (!rs.eof())
        write(rs);
    rs.close();
}

}  // namespace

DbRefresh::DbRefresh(ComponentContext& ctx, Sections& sections, StatusDecoder& decoder)
    : ctx_(ctx), sections_(sections), decoder_(decoder) {}

UpdatedStamp DbRefresh::nowStamp() {
    return decoder_.ConvertDateTime(QDateTime::currentDateTime().toString(dateTimeFormat(ctx_)));
}

void DbRefresh::DBStatusUpdate(RefreshTarget target, const QString& address, int row) {
    if (row == 0)
        return;
    const QString reportName =
        QStringLiteral("FMain.DBStatusUpdate(%1, %2, %3)").arg(refreshCode(target)).arg(address).arg(row);
    trap(ctx_, reportName, [&] {
        switch (target) {
        case RefreshTarget::Door: {
            StatusGrid& doors = sections_.grid(Section::Doors);
            if (doors.data(row, col::Name) == kNewerLineDoorMark)
                newerLineDoor(doors, address, row);
            else
                classicDoor(doors, address, row);
            break;
        }
        case RefreshTarget::Input:
            if (isNewerLineAddress(address))
                newerLineInput(sections_.grid(Section::Inputs), address, row);
            else if (address.contains(QLatin1String("XI")))
                expansionInput(sections_.grid(Section::Inputs), address, row, false);
            else
                classicInput(sections_.grid(Section::Inputs), address, row);
            break;
        case RefreshTarget::Relay: newerLineRelay(sections_.grid(Section::Relays), address, row); break;
        case RefreshTarget::Controller: classicController(sections_.grid(Section::Controllers), address, row); break;
        case RefreshTarget::Box: pylon(sections_.grid(Section::Boxes), address, row); break;
        case RefreshTarget::Port: serverPort(sections_.grid(Section::Ports), address, row); break;
        case RefreshTarget::ExpansionInput:
            // Expansion inputs live in the inputs section: their row is renewed there, never in
            // the modules grid that shares the number.
            expansionInput(sections_.grid(Section::Inputs), address, row, true);
            break;
        case RefreshTarget::ZR2Reader: newerLineReader(sections_.grid(Section::Readers), address, row); break;
        case RefreshTarget::ZR2Controller:
            newerLineController(sections_.grid(Section::Controllers), address, row);
            break;
        case RefreshTarget::ZR2Module: newerLineModule(sections_.grid(Section::Modules), address, row); break;
        }
    });
}

void DbRefresh::newerLineDoor(StatusGrid& grid, const QString& address, int row) {
    // The door's inputs, record by record: the last one's values remain.
    db::Recordset inputs = openForAddress(
        ctx_,
        QStringLiteral("Select Disabled, NormallyClosed, LineModuleType, MaskSource, ContactStatus from ZRII_Inputs "
                       "Where InputID IN (Select InputID From ZRII_InputsInDoorsRelations Where DoorID = (Select "
                       "DoorID From ZRII_Doors where Address = ?))"),
        address);
    inputs.readAll();  // the decoder reads the site while each input is written
    for (; !inputs.eof(); inputs.moveNext()) {
        grid.setText(row, col::Enabled,
                     fields::yesNoText(ctx_, fields::number(inputs, QStringLiteral("Disabled")) == 0));
        grid.setText(row, col::LMType, QString::number(fields::number(inputs, QStringLiteral("LineModuleType"))));
        grid.setData(row, col::Status, rows::newerLinePolarity(fields::flag(inputs, QStringLiteral("NormallyClosed"))));
        const UpdatedStamp now = nowStamp();
        grid.setUpdated(row, now);
        decoder_.UpdateList(Section::Doors, address, 0, QStringLiteral("ZR2_INPUT"), now.text,
                            QString::number(fields::number(inputs, QStringLiteral("MaskSource"))));
        decoder_.UpdateList(Section::Doors, address, 1, QStringLiteral("ZR2_INPUT"), now.text,
                            QString::number(fields::number(inputs, QStringLiteral("ContactStatus"))));
    }
    inputs.close();

    // The door's relay has the door's address with its code "DR" replaced by "BR".
    const QString relayAddress = QString(address).replace(QLatin1String("DR"), QLatin1String("BR"));
    writeFromRecord(ctx_, kNewerLineRelayQuery, relayAddress, Read::Streamed, [&](const db::Recordset& relay) {
        rows::writeNewerLineRelayState(grid, row, relay, col::RelayStatus);
        if (fields::flag(relay, QStringLiteral("ControllerOnline")))
            grid.setUpdated(row, nowStamp());
        RowConditions shown;
        grid.setText(row, col::Status, GetDoorStatus(ctx_, grid, row, &shown));
        grid.addConditions(row, shown);
    });
}

void DbRefresh::classicDoor(StatusGrid& grid, const QString& address, int row) {
    const QString sql = QStringLiteral(
        "SELECT Doors.*, Inputs.AnlgMode, Inputs.Disabled, Outputs.TwoMan , Inputs.NormalyOpen, Inputs.PanelType "
        "FROM Doors INNER JOIN Controllers ON Doors.ControllerID = Controllers.Controller_ID INNER JOIN Inputs ON "
        "Doors.ControllerID = Inputs.ControllerID AND Doors.InputIndex = Inputs.[Index] INNER JOIN Outputs ON "
        "Doors.OutputIndex = Outputs.[Index] AND Doors.ControllerID = Outputs.ControllerID LEFT OUTER JOIN "
        "ServerPorts ON Controllers.PortID = ServerPorts.PortID Where Doors.Address = ?");
    writeFromRecord(ctx_, sql, address, Read::Streamed, [&](const db::Recordset& rs) {
        grid.setText(row, col::TwoPersonRule, fields::yesNoText(ctx_, fields::flag(rs, QStringLiteral("TwoMan"))));
        grid.setText(row, col::Enabled, fields::yesNoText(ctx_, fields::number(rs, QStringLiteral("Disabled")) == 0));
        grid.setText(row, col::LMType,
                     rows::classicDoorLineModule(fields::number(rs, QStringLiteral("PanelType")),
                                                 fields::number(rs, QStringLiteral("InputIndex")),
                                                 fields::number(rs, QStringLiteral("AnlgMode"))));
        // The fill keeps the absolute value (1 for a normally open contact); so does the refresh.
        grid.setData(row, col::Status, qAbs(fields::number(rs, QStringLiteral("NormalyOpen"))));
        grid.setUpdated(row, nowStamp());
    });
}

void DbRefresh::newerLineInput(StatusGrid& grid, const QString& address, int row) {
    const QString sql = QStringLiteral(
        "SELECT MaskSource, ContactStatus, Disabled,LineModuleType,NormallyClosed, Address, (Select "
        "ZRII_Controllers.[Online] From ZRII_Controllers Where Address = LEFT(ZRII_Inputs.Address,15)) "
        "as ControllerOnline FROM ZRII_Inputs Where Address = ?");
    writeFromRecord(ctx_, sql, address, Read::Streamed, [&](const db::Recordset& rs) {
        // Configuration first: the input summary reads LM Type and the polarity.
        grid.setText(row, col::LMType, QString::number(fields::number(rs, QStringLiteral("LineModuleType"))));
        grid.setText(row, col::Enabled, fields::yesNoText(ctx_, fields::number(rs, QStringLiteral("Disabled")) == 0));
        grid.setData(row, col::Status, rows::newerLinePolarity(fields::flag(rs, QStringLiteral("NormallyClosed"))));
        if (fields::flag(rs, QStringLiteral("ControllerOnline"))) {
            const qint32 maskSource = qint32(fields::number(rs, QStringLiteral("MaskSource")));
            grid.setText(row, col::Masked, GetMaskSourceText(maskSource));
            if (maskSource != 0)
                grid.addConditions(row, Condition::Masked);
            rows::writeLineStates(grid, row, qint32(fields::number(rs, QStringLiteral("ContactStatus"))));
            RowConditions shown;
            grid.setText(row, col::Status, GetInputStatus(ctx_, grid, row, &shown));
            grid.addConditions(row, shown);
        } else {
            for (const QString& key : {col::Masked, col::Input1, col::Input2, col::Input3})
                grid.setText(row, key, rows::kOffline);
        }
        grid.setUpdated(row, nowStamp());
    });
}

void DbRefresh::classicInput(StatusGrid& grid, const QString& address, int row) {
    const QString sql = QStringLiteral("SELECT * FROM Inputs Where Address = ?");
    writeFromRecord(ctx_, sql, address, Read::Streamed, [&](const db::Recordset& rs) {
        grid.setText(row, col::LMType, QString::number(fields::number(rs, QStringLiteral("AnlgMode"))));
        grid.setText(row, col::Enabled, fields::yesNoText(ctx_, fields::number(rs, QStringLiteral("Disabled")) == 0));
        grid.setData(row, col::Status, qAbs(fields::number(rs, QStringLiteral("NormalyOpen"))));
        grid.setUpdated(row, nowStamp());
    });
}

void DbRefresh::expansionInput(StatusGrid& grid, const QString& address, int row, bool checkPresent) {
    const QString sql = checkPresent ? QStringLiteral(
                                           "SELECT ExpInputs.*, PanelBasicSetups.nxinputs FROM ExpInputs INNER JOIN "
                                           "Controllers ON ExpInputs.ControllerID = Controllers.Controller_ID INNER "
                                           "JOIN PanelBasicSetups ON ExpInputs.ControllerID = "
                                           "PanelBasicSetups.ControllerID LEFT OUTER Join ServerPorts ON "
                                           "Controllers.PortID = ServerPorts.PortID WHERE ExpInputs.Address = ? "
                                           "ORDER BY ExpInputs.Address ASC")
                                     : QStringLiteral("SELECT * FROM ExpInputs Where Address = ?");
    writeFromRecord(ctx_, sql, address, Read::Streamed, [&](const db::Recordset& rs) {
        if (checkPresent &&
            fields::number(rs, QStringLiteral("InputIndex")) > fields::number(rs, QStringLiteral("nxinputs")))
            return;  // an input beyond the count its controller's setup has
        grid.setData(row, col::Status, qAbs(fields::number(rs, QStringLiteral("normal_open"))));
        grid.setText(row, col::LMType, QString::number(fields::number(rs, QStringLiteral("Anlg_mode"))));
        grid.setUpdated(row, nowStamp());
        grid.setText(row, col::Enabled, fields::yesNoText(ctx_, fields::number(rs, QStringLiteral("Disabled")) == 0));
    });
}

void DbRefresh::newerLineRelay(StatusGrid& grid, const QString& address, int row) {
    writeFromRecord(ctx_, kNewerLineRelayQuery, address, Read::Streamed, [&](const db::Recordset& rs) {
        rows::writeNewerLineRelayState(grid, row, rs, col::Status);
        if (fields::flag(rs, QStringLiteral("ControllerOnline")))
            grid.setUpdated(row, nowStamp());
    });
}

void DbRefresh::classicController(StatusGrid& grid, const QString& address, int row) {
    const QString sql = QStringLiteral(
        "SELECT     Controllers.Installed, SuperStatus.Status "
        "FROM         SuperStatus INNER JOIN "
        "Controllers ON SuperStatus.Address = Controllers.Address "
        "WHERE     (SuperStatus.Address = ?) AND (SuperStatus.StatusType = 32)");
    // Whole: the threat level's name is read meanwhile.
    writeFromRecord(ctx_, sql, address, Read::Whole, [&](const db::Recordset& rs) {
        grid.setText(row, col::ThreatLevel, GetContThreatLevelForStatus(fields::text(rs, QStringLiteral("Status"))));
        grid.setText(row, col::Enabled, fields::yesNoText(ctx_, fields::flag(rs, QStringLiteral("Installed"))));
        grid.setUpdated(row, nowStamp());
    });
}

void DbRefresh::pylon(StatusGrid& grid, const QString& address, int row) {
    const QString sql = QStringLiteral("SELECT * FROM Pylons WHERE Address = ?");
    writeFromRecord(ctx_, sql, address, Read::Streamed, [&](const db::Recordset& rs) {
        grid.setText(row, col::Rev, fields::text(rs, QStringLiteral("Revision")));
        grid.setText(row, col::Enabled, fields::yesNoText(ctx_, fields::flag(rs, QStringLiteral("Enabled"))));
        grid.setUpdated(row, nowStamp());
    });
}

void DbRefresh::serverPort(StatusGrid& grid, const QString& address, int row) {
    const QString sql = QStringLiteral(
        "SELECT     ServerPorts.Enabled, ServerPorts.Address, SuperStatus.Status "
        "FROM         ServerPorts LEFT OUTER JOIN "
        "SuperStatus ON ServerPorts.Address = SuperStatus.Address "
        "WHERE     (ServerPorts.Address = ?)");
    writeFromRecord(ctx_, sql, address, Read::Streamed, [&](const db::Recordset& rs) {
        grid.setUpdated(row, nowStamp());
        grid.setText(row, col::Enabled, fields::yesNoText(ctx_, fields::flag(rs, QStringLiteral("Enabled"))));
        const std::optional<qint32> state = wholeNumber(fields::text(rs, QStringLiteral("Status")));
        if (state == 0) {
            grid.setText(row, col::Status, GRS(ctx_, res::PortOffLine));
            grid.addConditions(row, Condition::Offline);
        } else if (state == 1) {
            grid.setText(row, col::Status, GRS(ctx_, res::OnLine));
        }
    });
}

void DbRefresh::newerLineReader(StatusGrid& grid, const QString& address, int row) {
    const QString sql = QStringLiteral(
        "SELECT     ZRII_Keypads.PhysicalTamperLockout, ZRII_Keypads.CodeTamperLockout, "
        "ZRII_Modules.Online, ZRII_Modules.Address, ZRII_Modules.Installed, (Select "
        "ZRII_Controllers.[Online] From ZRII_Controllers Where Address = LEFT(ZRII_Keypads.Address,15)) "
        "as ControllerOnline, ZRII_Readers.ThreatLevel, ZRII_Readers.Address as ReaderAddress  "
        "FROM         ZRII_Modules INNER JOIN "
        "ZRII_Readers INNER JOIN "
        "ZRII_KeypadsInReader ON ZRII_Readers.ReaderID = ZRII_KeypadsInReader.ReaderID INNER JOIN "
        "ZRII_Keypads ON ZRII_KeypadsInReader.KeypadID = ZRII_Keypads.ID ON ZRII_Modules.ID = "
        "ZRII_Keypads.KeypadModuleID "
        "WHERE     (ZRII_Readers.Address = ?)");
    // Whole: the decoder reads the threat level's name meanwhile.
    writeFromRecord(ctx_, sql, address, Read::Whole, [&](const db::Recordset& rs) {
        const UpdatedStamp now = nowStamp();
        if (fields::flag(rs, QStringLiteral("ControllerOnline"))) {
            // The keypad module answers for the reader: on line when installed and on line.
            const bool moduleUp =
                fields::flag(rs, QStringLiteral("Online")) && fields::flag(rs, QStringLiteral("Installed"));
            grid.setText(row, col::Status, GRS(ctx_, moduleUp ? res::OnLine : res::NotKnown));
            const bool physicalLockout = fields::flag(rs, QStringLiteral("PhysicalTamperLockout"));
            const bool codeLockout = fields::flag(rs, QStringLiteral("CodeTamperLockout"));
            grid.setText(row, col::PTamper, rows::lockoutText(physicalLockout));
            grid.setText(row, col::CTamper, rows::lockoutText(codeLockout));
            grid.addConditions(row, RowConditions(moduleUp ? RowConditions() : Condition::Offline) |
                                        (physicalLockout ? Condition::PhysicalTamper : RowConditions()) |
                                        (codeLockout ? Condition::CodeTamper : RowConditions()));
            grid.setUpdated(row, now);
            const QVariant threat = rs.field(QStringLiteral("ThreatLevel"));
            if (!threat.isNull())
                decoder_.UpdateList(Section::Readers, address, 32, QStringLiteral("SM"), now.text, threat.toString());
        } else {
            for (const QString& key : {col::Status, col::PTamper, col::CTamper, col::ThreatLevel})
                grid.setText(row, key, rows::kOffline);
            grid.addConditions(row, Condition::Offline);
            grid.setUpdated(row, now);
        }
    });
}

void DbRefresh::newerLineController(StatusGrid& grid, const QString& address, int row) {
    const QString sql = QStringLiteral(
        "Select ZRII_Controllers.Name, ZRII_Controllers.Installed, ZRII_Controllers.Online, "
        "ZRII_Controllers.ID from ZRII_Controllers "
        "Where ZRII_Controllers.Address = ?");
    // Whole: the threat level's name is read meanwhile.
    writeFromRecord(ctx_, sql, address, Read::Whole, [&](const db::Recordset& rs) {
        const bool installed = fields::flag(rs, QStringLiteral("Installed"));
        const bool online = fields::flag(rs, QStringLiteral("Online"));
        grid.setCell(row, col::Name, fields::text(rs, QStringLiteral("Name")), rows::kNameFormat,
                     rows::newerLineIcon(rows::kZR2IconController, installed, online));
        grid.setText(row, col::Enabled, fields::yesNoText(ctx_, installed));
        if (online) {
            grid.setText(row, col::Status, GRS(ctx_, res::OnLine));
            grid.setText(row, col::ThreatLevel,
                         ZR2GetContThreatLevelForID(qint32(fields::number(rs, QStringLiteral("ID")))));
        } else {
            for (const QString& key : {col::Status, col::ThreatLevel, col::Enclosure})
                grid.setText(row, key, rows::kOffline);
            grid.addConditions(row, Condition::Offline);
        }
        grid.setUpdated(row, nowStamp());
    });
}

void DbRefresh::newerLineModule(StatusGrid& grid, const QString& address, int row) {
    const QString sql = QStringLiteral(
        "Select ZRII_Modules.ID, ZRII_Modules.Name, ZRII_Modules.Installed, ZRII_Modules.Online, "
        "ZRII_Modules.InTamper, (Select ZRII_Controllers.[Online] From ZRII_Controllers Where Address "
        "= LEFT(ZRII_Modules.Address,15)) as ControllerOnline from ZRII_Modules "
        "Where ZRII_Modules.Address = ?");
    writeFromRecord(ctx_, sql, address, Read::Streamed, [&](const db::Recordset& rs) {
        const bool online = fields::flag(rs, QStringLiteral("Online"));
        grid.setCell(row, col::Name, fields::text(rs, QStringLiteral("Name")), rows::kNameFormat,
                     rows::newerLineIcon(rows::kZR2IconModule, fields::flag(rs, QStringLiteral("Installed")), online));
        if (fields::flag(rs, QStringLiteral("ControllerOnline"))) {
            const bool open = fields::flag(rs, QStringLiteral("InTamper"));
            grid.setText(row, col::Enclosure, GRS(ctx_, open ? res::EnclosureOpen : res::EnclosureClosed));
            grid.setText(row, col::Status, GRS(ctx_, online ? res::OnLine : res::NotKnown));
            grid.addConditions(row, RowConditions(open ? Condition::EnclosureOpen : RowConditions()) |
                                        (online ? RowConditions() : Condition::Offline));
        } else {
            grid.setText(row, col::Enclosure, rows::kOffline);
            grid.setText(row, col::Status, rows::kOffline);
            grid.addConditions(row, Condition::Offline);
        }
        grid.setUpdated(row, nowStamp());
    });
}

QString DbRefresh::GetContThreatLevelForStatus(const QString& statusValue) {
    return trapOr(ctx_, QStringLiteral("FMain.GetContThreatLevelForStatus"), QString(), [&] {
        // The highest of the readers' levels; parts that are not whole numbers name none.
        QStringList problems;
        qint32 highest = 0;
        for (const std::optional<qint32>& level : parseThreatLevels(statusValue, problems))
            highest = std::max(highest, level.value_or(0));
        QString name;
        db::Recordset rs = ctx_.db().query(QStringLiteral("Select [Name] From ThreatLevels Where ThreatID = ") +
                                           QString::number(highest));
        for (; !rs.eof(); rs.moveNext())
            name = fields::text(rs, QStringLiteral("Name"));
        rs.close();
        return name;
    });
}

QString DbRefresh::ZR2GetContThreatLevelForID(qint32 controllerId) {
    return trapOr(ctx_, QStringLiteral("FMain.ZR2GetContThreatLevelForID"), QString(), [&] {
        QString name;
        db::Recordset rs = ctx_.db().query(
            QStringLiteral("Select [Name] From ThreatLevels Where ThreatID = (Select TOP 1 ThreatLevel from "
                           "ZRII_Readers where ControllerID = ") +
            QString::number(controllerId) + QStringLiteral(" order by ThreatLevel Desc)"));
        if (!rs.eof())
            name = fields::text(rs, QStringLiteral("Name"));
        rs.close();
        return name;
    });
}

}  // namespace so
