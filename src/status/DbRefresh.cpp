#include "status/DbRefresh.h"

#include "base/ErrorTrap.h"
#include "base/Texts.h"
#include "domain/Address.h"
#include "base/Convert.h"
#include "domain/StateTexts.h"
#include "domain/SuperStatusText.h"
#include "status/Filler.h"
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

/// How a row's record is read: Streamed as it comes, or Whole first, for writers that send
/// statements of their own while the record is open (a threat level's name, the decoder's reads).
enum class Read { Streamed, Whole };

/// Renews a row from the first record of a statement for the point's address: `write` gets the
/// record; no record writes nothing.
template <typename Write>
void writeFromRecord(ComponentContext& ctx, const QString& sql, const QString& address, Read read, Write&& write) {
    db::Recordset rs = rows::openForAddress(ctx, sql, address);
    if (read == Read::Whole)
        rs.readAll();
    if (!rs.eof())
        write(rs);
    rs.close();
}

/// A cell's text and item data.
using CellValue = std::pair<QString, qint64>;

/// Every cell of a row but its time, as a re-read may change them.
QVector<CellValue> rowValues(const StatusGrid& grid, int row) {
    QVector<CellValue> values;
    for (int column = 0; column < grid.columnCount(); ++column)
        if (grid.column(column).key != col::LastUpdated)
            values.append({grid.text(row, column), grid.cell(row, column).data});
    return values;
}

}  // namespace

DbRefresh::DbRefresh(ComponentContext& ctx, Sections& sections, Filler& filler)
    : ctx_(ctx), sections_(sections), filler_(filler) {}

bool DbRefresh::DBStatusUpdate(RefreshTarget target, const QString& address, int row) {
    if (row == 0)
        return false;
    const QString reportName =
        QStringLiteral("FMain.DBStatusUpdate(%1, %2, %3)").arg(refreshCode(target)).arg(address).arg(row);
    StatusGrid& grid = sections_.grid(refreshedSection(target));
    const bool classic = !isNewerLineAddress(address) && grid.data(row, col::Name) != Filler::kNewerLineDoorMark;
    const QVector<CellValue> before = classic ? rowValues(grid, row) : QVector<CellValue>();
    trap(ctx_, reportName, [&] {
        switch (target) {
        case RefreshTarget::Door: {
            StatusGrid& doors = sections_.grid(Section::Doors);
            if (doors.data(row, col::Name) == Filler::kNewerLineDoorMark)
                filler_.renewPoint(ObjectType::ZR2Door, doors, row, address);
            else
                classicDoor(doors, address, row);
            break;
        }
        case RefreshTarget::Input:
            if (isNewerLineAddress(address))
                filler_.renewPoint(ObjectType::ZR2Input, sections_.grid(Section::Inputs), row, address);
            else if (address.contains(QLatin1String("XI")))
                expansionInput(sections_.grid(Section::Inputs), address, row, false);
            else
                classicInput(sections_.grid(Section::Inputs), address, row);
            break;
        case RefreshTarget::Relay:
            filler_.renewPoint(ObjectType::ZR2Relay, sections_.grid(Section::Relays), row, address);
            break;
        case RefreshTarget::Controller: classicController(sections_.grid(Section::Controllers), address, row); break;
        case RefreshTarget::Box: pylon(sections_.grid(Section::Boxes), address, row); break;
        case RefreshTarget::Port: serverPort(sections_.grid(Section::Ports), address, row); break;
        case RefreshTarget::ExpansionInput:
            // Expansion inputs live in the inputs section: their row is renewed there, never in
            // the modules grid that shares the number.
            expansionInput(sections_.grid(Section::Inputs), address, row, true);
            break;
        case RefreshTarget::ZR2Reader:
            filler_.renewPoint(ObjectType::ZR2Reader, sections_.grid(Section::Readers), row, address);
            break;
        case RefreshTarget::ZR2Controller:
            filler_.renewPoint(ObjectType::ZR2Controller, sections_.grid(Section::Controllers), row, address);
            break;
        case RefreshTarget::ZR2Module:
            filler_.renewPoint(ObjectType::ZR2Module, sections_.grid(Section::Modules), row, address);
            break;
        }
    });
    return classic && rowValues(grid, row) != before;
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
        grid.setUpdated(row, filler_.nowStamp());
    });
}

void DbRefresh::classicInput(StatusGrid& grid, const QString& address, int row) {
    const QString sql = QStringLiteral("SELECT * FROM Inputs Where Address = ?");
    writeFromRecord(ctx_, sql, address, Read::Streamed, [&](const db::Recordset& rs) {
        grid.setText(row, col::LMType, QString::number(fields::number(rs, QStringLiteral("AnlgMode"))));
        grid.setText(row, col::Enabled, fields::yesNoText(ctx_, fields::number(rs, QStringLiteral("Disabled")) == 0));
        grid.setData(row, col::Status, qAbs(fields::number(rs, QStringLiteral("NormalyOpen"))));
        grid.setUpdated(row, filler_.nowStamp());
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
        grid.setUpdated(row, filler_.nowStamp());
        grid.setText(row, col::Enabled, fields::yesNoText(ctx_, fields::number(rs, QStringLiteral("Disabled")) == 0));
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
        grid.setUpdated(row, filler_.nowStamp());
    });
}

void DbRefresh::pylon(StatusGrid& grid, const QString& address, int row) {
    const QString sql = QStringLiteral("SELECT * FROM Pylons WHERE Address = ?");
    writeFromRecord(ctx_, sql, address, Read::Streamed, [&](const db::Recordset& rs) {
        grid.setText(row, col::Rev, fields::text(rs, QStringLiteral("Revision")));
        grid.setText(row, col::Enabled, fields::yesNoText(ctx_, fields::flag(rs, QStringLiteral("Enabled"))));
        grid.setUpdated(row, filler_.nowStamp());
    });
}

void DbRefresh::serverPort(StatusGrid& grid, const QString& address, int row) {
    const QString sql = QStringLiteral(
        "SELECT     ServerPorts.Enabled, ServerPorts.Address, SuperStatus.Status "
        "FROM         ServerPorts LEFT OUTER JOIN "
        "SuperStatus ON ServerPorts.Address = SuperStatus.Address "
        "WHERE     (ServerPorts.Address = ?)");
    writeFromRecord(ctx_, sql, address, Read::Streamed, [&](const db::Recordset& rs) {
        grid.setUpdated(row, filler_.nowStamp());
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

}  // namespace so
