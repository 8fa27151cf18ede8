#include "window/OverriddenPoints.h"

#include "base/ErrorTrap.h"
#include "base/RecordFields.h"
#include "domain/StateTexts.h"
#include "grid/ColumnLayout.h"
#include "grid/RedrawPause.h"
#include "grid/Sections.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>

namespace so {
namespace {

const QString kNotRecorded = QStringLiteral("not recorded");

struct Done {
    QString when;
    QString by;
};

}  // namespace

OverriddenPoints::OverriddenPoints(ComponentContext& ctx, Sections& sections) : ctx_(ctx), sections_(sections) {
    grid_.addColumn(col::Name, QCoreApplication::translate("so::OverriddenPoints", "Name"), 0, -1, 200, true);
    grid_.addColumn(col::Address, QCoreApplication::translate("so::OverriddenPoints", "Address"), 0, -1, 228, true);
    grid_.addColumn(col::Status, QCoreApplication::translate("so::OverriddenPoints", "Override"), 0, -1, 160, true);
    grid_.addColumn(kSinceKey, QCoreApplication::translate("so::OverriddenPoints", "Since"), 0, -1, 130, true);
    grid_.addColumn(kByKey, QCoreApplication::translate("so::OverriddenPoints", "By"), 0, -1, 160, true);
}

void OverriddenPoints::addRow(const StatusGrid& from, int row, const QString& what) {
    const int added = grid_.addRow();
    grid_.setCell(added, col::Name, from.text(row, col::Name), 0, from.icon(row, col::Name));
    grid_.setText(added, col::Address, from.text(row, col::Address));
    grid_.setText(added, col::Status, what);
}

void OverriddenPoints::fill() {
    trap(ctx_, QStringLiteral("FMain.FillOverridden"), [&] {
        RedrawPause pause(grid_);
        grid_.clear();
        // Doors released and points masked, from the conditions the decoding recorded.
        const StatusGrid& doors = sections_.grid(Section::Doors);
        for (int row = 1; row <= doors.rowCount(); ++row)
            if (doors.conditions(row).has(Condition::RelayNotNormal))
                addRow(doors, row, QStringLiteral("Unlocked"));
        for (int section = 0; section < kSectionCount; ++section) {
            const StatusGrid& grid = sections_.grid(section);
            for (int row = 1; row <= grid.rowCount(); ++row)
                if (grid.conditions(row).has(Condition::Masked))
                    addRow(grid, row, QStringLiteral("Masked"));
        }
        // Newer-line relays of the group under an operator's mode.
        const StatusGrid& relays = sections_.grid(Section::Relays);
        if (relays.rowCount() > 0) {
            db::Recordset rs = ctx_.db().query(
                QStringLiteral("Select Address, OperationsStatus From ZRII_Relays Where OperationsStatus <> 0"));
            for (; !rs.eof(); rs.moveNext()) {
                const qint32 modes = qint32(fields::number(rs, QStringLiteral("OperationsStatus"))) & kOperatorModes;
                const int row = modes != 0 ? relays.findRow(fields::text(rs, QStringLiteral("Address"))) : 0;
                if (row > 0)
                    addRow(relays, row, GetRelayModeText(modes));
            }
            rs.close();
        }
        if (grid_.rowCount() == 0)
            return;

        // When and by whom: the newest operator event whose details name the point.
        db::Command events(ctx_.db(),
                           QStringLiteral("Select TOP %1 EventLog.EventTime, EventLog.Details, Operators.LoginName, "
                                          "Workstations.ComputerName From EventLog Left Join Operators On "
                                          "Operators.OperatorID = EventLog.OperatorID Left Join Workstations On "
                                          "Workstations.WorkstationID = EventLog.WorkstationID Where "
                                          "EventLog.EventCode = ? Order By EventLog.EventID Desc")
                               .arg(kEventsRead));
        events.appendParameter(QStringLiteral("@EventCode"), db::ParamType::Integer, db::ParamDirection::Input, 2,
                               kOperatorEventCode);
        QHash<QString, Done> newest;  // by the text after the command's " to "
        for (db::Recordset rs = events.open(); !rs.eof(); rs.moveNext()) {
            const QString details = fields::text(rs, QStringLiteral("Details"));
            const qsizetype at = details.indexOf(QLatin1String(" to "));
            if (at < 0)
                continue;
            const QString name = details.mid(at + 4);
            if (newest.contains(name))
                continue;
            const QString login = fields::text(rs, QStringLiteral("LoginName"));
            const QString desk = fields::text(rs, QStringLiteral("ComputerName"));
            newest.insert(
                name,
                {rs.field(QStringLiteral("EventTime")).toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                 desk.isEmpty() ? login : QStringLiteral("%1 at %2").arg(login, desk)});
        }
        for (int row = 1; row <= grid_.rowCount(); ++row) {
            const auto found = newest.constFind(grid_.text(row, col::Name));
            grid_.setText(row, kSinceKey, found != newest.constEnd() ? found->when : kNotRecorded);
            grid_.setText(row, kByKey, found != newest.constEnd() ? found->by : kNotRecorded);
        }
    });
}

}  // namespace so
