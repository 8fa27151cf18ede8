#include "status/MaskedPoints.h"

#include "base/ErrorTrap.h"
#include "domain/Address.h"
#include "domain/KindIcon.h"
#include "base/Convert.h"
#include "domain/Formatting.h"
#include "domain/StateTexts.h"
#include "domain/SuperStatusText.h"
#include "base/RecordFields.h"
#include "grid/RedrawPause.h"
#include "grid/StatusGrid.h"

#include <QStringList>

namespace so {
namespace {

const QString kFillName = QStringLiteral("FMain.FillMaskedGrid");
const QString kUpdateName = QStringLiteral("MPublic.UpdateMaskedItem");
constexpr quint32 kNameFormat = 0x40020;  // single line, word ellipsis
const QString kNotConfigured = QStringLiteral("(not configured)");

/// Point number of the first entry of a stored mask report: expansion inputs come in reports of
/// eight (type 8 points 1-8, 9 points 9-16, 14 points 17-24, 15 points 25-32).
int firstPointOfType(int statusType) {
    const std::optional<StatusPointRange> points = statusPointRange(statusType);
    return points ? points->firstPoint : 1;
}

bool isExpansionType(int statusType) {
    return statusType == StatusExpInputs1to8 || statusType == StatusExpInputs9to16 ||
           statusType == StatusExpInputs17to24 || statusType == StatusExpInputs25to32;
}

}  // namespace

MaskedPoints::MaskedPoints(ComponentContext& ctx, StatusGrid& grid) : ctx_(ctx), grid_(grid) {}

bool MaskedPoints::queryName(const QString& sql, Point& point) {
    db::Command command(ctx_.db(), sql);
    command.appendParameter(QStringLiteral("@Address"), db::ParamType::NVarChar, db::ParamDirection::Input,
                            int(point.address.size()), point.address);
    db::Recordset rs = command.open();
    point.known = !rs.eof();
    point.name = !point.known || rs.field(0).isNull() ? QString() : rs.field(0).toString();
    rs.close();
    return point.known;
}

MaskedPoints::Point MaskedPoints::lookupPoint(const QString& controllerAddress, int statusType, int pointNumber) {
    const QString key = QString::number(statusType) + QLatin1Char('|') + controllerAddress + QLatin1Char('|') +
                        QString::number(pointNumber);
    if (const auto it = kept_.constFind(key); it != kept_.constEnd())
        return *it;

    Point point;
    if (statusType == kNewerLineInput) {
        point.address = controllerAddress;
        // A door's refresh reports its inputs' masks under the door's own address.
        if (!queryName(QStringLiteral("Select [Name] From ZRII_Inputs (NOLOCK) Where Address = ?"), point))
            queryName(QStringLiteral("Select [Name] From ZRII_Doors (NOLOCK) Where Address = ?"), point);
    } else if (isExpansionType(statusType)) {
        point.address = controllerAddress + QStringLiteral(".XI") + padded(pointNumber, 2);
        queryName(QStringLiteral("Select [Name] From ExpInputs (NOLOCK) Where Address = ?"), point);
    } else {
        point.address = controllerAddress + QStringLiteral(".BI") + padded(pointNumber, 2);
        if (!queryName(QStringLiteral("Select [Name] From Inputs (NOLOCK) Where BelongToDoor = 0 and Address = ?"),
                       point)) {
            // The input belongs to a door: it is listed under the door with the same number.
            point.address = controllerAddress + QStringLiteral(".DR") + padded(pointNumber, 2);
            queryName(QStringLiteral("Select [DoorName] From Doors (NOLOCK) Where Active = 1 and Address = ?"), point);
        }
    }
    // Keys come from outside: the kept answers are bounded in number, and keys in length (an
    // address longer than the site's never gets here), so in bytes too.
    if (kept_.size() >= kMaxKept)
        kept_.clear();
    kept_.insert(key, point);
    return point;
}

bool MaskedPoints::listedUnderAnyAddressOf(const QString& controllerAddress, int statusType, int pointNumber) const {
    if (grid_.rowCount() == 0)
        return false;
    if (statusType == kNewerLineInput)
        return grid_.findRow(controllerAddress) > 0;
    if (statusType != kBaseInputs)
        return grid_.findRow(controllerAddress + QStringLiteral(".XI") + padded(pointNumber, 2)) > 0;
    // A base-board input is listed under its own address or under its door's.
    return grid_.findRow(controllerAddress + QStringLiteral(".BI") + padded(pointNumber, 2)) > 0 ||
           grid_.findRow(controllerAddress + QStringLiteral(".DR") + padded(pointNumber, 2)) > 0;
}

void MaskedPoints::addRow(const QString& name, int icon, const QString& address, const QString& reason) {
    const int row = grid_.addRow();
    grid_.setCell(row, QStringLiteral("Name"), name, kNameFormat, icon);
    grid_.setText(row, QStringLiteral("Address"), address);
    grid_.setText(row, QStringLiteral("Status"), reason);
}

void MaskedPoints::FillMaskedGrid() {
    trap(ctx_, kFillName, [&] {
        kept_.clear();
        RedrawPause pause(grid_);
        grid_.clear();

        // Stored mask reports: Status holds one "#"-ended entry per point, fields split by "|",
        // field 2 the point's mask sources (0 when not masked).
        db::Recordset rs =
            ctx_.db().query(QStringLiteral("Select * From SuperStatus Where (StatusType >= 7 and StatusType <=9) or "
                                           "StatusType = 15 or StatusType = 14"));
        rs.readAll();  // each masked point's name is looked up meanwhile
        for (; !rs.eof(); rs.moveNext()) {
            const int statusType = int(fields::number(rs, QStringLiteral("StatusType")));
            if (statusType != kBaseInputs && !isExpansionType(statusType))
                continue;
            const QString controller = fields::text(rs, QStringLiteral("Address"));
            const QString text = fields::text(rs, QStringLiteral("Status"));
            const ParsedPointStatus parsed = parsePointStatus(text, int(text.count(QLatin1Char('#'))));
            // A malformed stored entry is logged and skipped; the rest of the list still fills.
            const auto malformed = [&](const QString& problem) {
                reportFailure(ctx_, kFillName,
                              {ComponentError::TypeMismatch,
                               QStringLiteral("Malformed mask entry of status type %1 of %2: %3")
                                   .arg(statusType)
                                   .arg(controller, problem),
                               QStringLiteral("StatusObject")},
                              true);
            };
            for (const QString& problem : parsed.problems)
                malformed(problem);
            for (const PointStatus& entry : parsed.points) {
                if (entry.maskSource > 255) {
                    malformed(QStringLiteral("entry %1: mask source %2").arg(entry.index + 1).arg(entry.maskSource));
                    continue;
                }
                if (entry.maskSource == 0)
                    continue;
                const int pointNumber = firstPointOfType(statusType) + entry.index;
                Point point = lookupPoint(controller, statusType, pointNumber);
                if (!point.known) {
                    // A stored mask of an input the site does not configure (any more): listed by the
                    // input's own address, saying so, never as a row without a name.
                    point.address = controller +
                                    (statusType == kBaseInputs ? QStringLiteral(".BI") : QStringLiteral(".XI")) +
                                    padded(pointNumber, 2);
                    point.name = kNotConfigured;
                }
                const int icon = statusType == kBaseInputs
                                     ? (point.address.contains(QLatin1String("DR")) ? iconIndex(KindIcon::Door)
                                                                                    : iconIndex(KindIcon::Input))
                                     : iconIndex(KindIcon::ExpansionInput);
                addRow(point.name, icon, point.address, GetStatusValue(entry.maskSource));
            }
        }
        rs.close();

        db::Recordset zr = ctx_.db().query(
            QStringLiteral("Select [Name], [Address], [MaskSource] from ZRII_Inputs Where MaskSource > 0"));
        for (; !zr.eof(); zr.moveNext())
            addRow(fields::text(zr, QStringLiteral("Name")), iconIndex(KindIcon::ExpansionInput),
                   fields::text(zr, QStringLiteral("Address")),
                   GetMaskSourceText(qint32(fields::number(zr, QStringLiteral("MaskSource")))));
        zr.close();
    });
}

void MaskedPoints::UpdateMaskedItem(const QString& address, qint32 maskValue) {
    trap(ctx_, kUpdateName, [&] {
        const bool wasVisible = grid_.isVisible();
        applyMaskChange(address, maskValue);
        // Hiding and showing the list again repaints it.
        grid_.setVisible(false);
        grid_.setVisible(wasVisible);
    });
}

void MaskedPoints::applyMaskChange(const QString& address, qint32 maskValue) {
    if (address.size() > kMaxAddressLength)
        return;  // no point of the site has such an address
    if (maskValue == 0 && grid_.rowCount() == 0)
        return;  // an empty list has nothing to remove (a group load replays many unmasked inputs)
    RedrawPause pause(grid_);
    int statusType = kNewerLineInput;
    QString controller = address;
    int pointNumber = 0;
    if (!address.contains(QLatin1String("ZRII"))) {
        // Classic: "<controller>.<code><number>".
        const int lastDot = address.lastIndexOf(QLatin1Char('.'));
        const QString piece = address.mid(lastDot + 1);
        controller = lastDot < 0 ? QString() : address.left(lastDot);
        pointNumber = toInt32(piece.mid(2));
        statusType = piece.left(2) == QLatin1String("XI") ? kExpInputs : kBaseInputs;
    }
    if (maskValue == 0 && !listedUnderAnyAddressOf(controller, statusType, pointNumber))
        return;  // not masked and not listed: nothing to remove, no name to look up
    const Point point = lookupPoint(controller, statusType, pointNumber);
    if (!point.known)
        return;  // a reported address the site does not know is never listed
    // The icon follows the address the row is keyed by, as in the filled list: a base-board input
    // listed under its door shows the door icon.
    int icon = iconIndex(KindIcon::ExpansionInput);
    if (statusType == kBaseInputs)
        icon = point.address.contains(QLatin1String("DR")) ? iconIndex(KindIcon::Door) : iconIndex(KindIcon::Input);
    else if (statusType == kNewerLineInput)
        icon = point.address.contains(QLatin1String("BI")) ? iconIndex(KindIcon::Input)
                                                           : iconIndex(KindIcon::ExpansionInput);

    const int row = grid_.rowCount() > 0 ? grid_.findRow(point.address) : 0;
    if (row > 0 && maskValue == 0) {
        grid_.removeRow(row);
        return;
    }
    if (maskValue == 0)
        return;
    const QString reason = statusType == kNewerLineInput ? GetMaskSourceText(maskValue) : GetStatusValue(maskValue);
    if (row > 0)
        grid_.setText(row, QStringLiteral("Status"), reason);
    else
        addRow(point.name, icon, point.address, reason);
}

}  // namespace so
