#include "status/FullRefresh.h"

#include "base/ErrorTrap.h"
#include "base/Texts.h"
#include "domain/Address.h"
#include "domain/SuperStatusText.h"
#include "status/StatusDecoder.h"
#include "status/SuperStatus.h"
#include "grid/ColumnLayout.h"
#include "status/Filler.h"
#include "base/RecordFields.h"
#include "grid/RedrawPause.h"
#include "status/RowCells.h"
#include "grid/Sections.h"

#include <statusobject/Vocabulary.h>

#include <QHash>
#include <QSet>
#include <QVector>

#include <optional>

namespace so {
namespace {

/// The stored report types of a classic controller that carry point or controller states: all of
/// kControllerStatusTypes but the controller's link.
constexpr qint32 kStateStatusTypes[] = {
    StatusRelays,          StatusExpRelays,         StatusReaders,       StatusInputs,           StatusExpInputs1to8,
    StatusExpInputs9to16,  StatusController,        StatusInputVoltages, StatusExpVoltages1to16, StatusExpInputs17to24,
    StatusExpInputs25to32, StatusExpVoltages17to32, StatusThreatLevels,  StatusControllerCodes,
};

/// The newer-line kinds whose rows the refresh renews, by object type.
constexpr ObjectType kNewerLineKinds[] = {ObjectType::ZR2Door,   ObjectType::ZR2Input,      ObjectType::ZR2Relay,
                                          ObjectType::ZR2Reader, ObjectType::ZR2Controller, ObjectType::ZR2Module};

/// Keeps ids in the order first seen, once each.
class IdList {
public:
    void add(qint32 id) {
        if (!seen_.contains(id)) {
            seen_.insert(id);
            ids_.append(id);
        }
    }
    const QVector<qint32>& ids() const { return ids_; }

private:
    QSet<qint32> seen_;
    QVector<qint32> ids_;
};

}  // namespace

FullRefresh::FullRefresh(ComponentContext& ctx, Sections& sections, StatusDecoder& decoder, Filler& filler,
                         SuperStatusReplay& replay)
    : ctx_(ctx), sections_(sections), decoder_(decoder), filler_(filler), replay_(replay) {}

void FullRefresh::run(qint32 groupId, Filler::KindRecords* fromFill) {
    trap(ctx_, QStringLiteral("FPopup.mnuMainArray_Click"), [&] {
        SectionsRedrawPause pause(sections_);
        StatusDecoder::KeptThreatNames names(decoder_);
        replayClassicRows();
        renewNewerLineRows(groupId, fromFill);
    });
}

void FullRefresh::replayClassicRows() {
    QVector<ShownRow> rows;
    for (Section section : kAllSections) {
        if (section > Section::Ports)
            break;
        for (int row = 1; row <= sections_.grid(section).rowCount(); ++row)
            rows.append({section, row});
    }
    replay(rows, true);
}

void FullRefresh::replayRows(std::span<const ShownRow> rows) { replay(rows, false); }

void FullRefresh::replay(std::span<const ShownRow> rows, bool wholeTable) {
    trap(ctx_, QStringLiteral("FPopup.mnuMainArray_Click"), [&] {
        // Which controllers, ports and communication boxes have shown classic rows.
        QHash<QString, qint32> controllerIdOfAddress;
        db::Recordset rs = ctx_.db().query(QStringLiteral("Select Controller_ID, Address From Controllers"));
        for (; !rs.eof(); rs.moveNext())
            controllerIdOfAddress.insert(fields::text(rs, QStringLiteral("Address")),
                                         qint32(fields::number(rs, QStringLiteral("Controller_ID"))));
        rs.close();

        IdList controllers;
        IdList ports;
        IdList pylons;
        for (const ShownRow& shown : rows) {
            const StatusGrid& grid = sections_.grid(shown.section);
            const int addressColumn = grid.columnIndex(col::Address);
            if (addressColumn < 0 || shown.row < 1 || shown.row > grid.rowCount())
                continue;
            const GridCell& cell = grid.cell(shown.row, addressColumn);
            const QString& address = grid.text(shown.row, addressColumn);
            if (isNewerLineAddress(address))
                continue;
            if (shown.section == Section::Boxes) {
                pylons.add(qint32(cell.data));
            } else if (shown.section == Section::Ports) {
                ports.add(qint32(cell.data));
            } else if (shown.section <= Section::Ports) {
                // A point's controller is its address without the point part.
                const QString controller =
                    shown.section == Section::Controllers ? address : address.chopped(qMin(5, int(address.size())));
                const auto it = controllerIdOfAddress.constFind(controller);
                if (it != controllerIdOfAddress.constEnd())
                    controllers.add(*it);
            }
        }
        if (controllers.ids().isEmpty() && ports.ids().isEmpty() && pylons.ids().isEmpty())
            return;

        StatusDecoder::KeptThreatNames names(decoder_);
        // One copy of SuperStatus serves every replay below: of the whole table for every row, of
        // these ids alone for a few (a controller's, a port's and a box's reports share the table).
        std::optional<SnapshotScope> snapshot;
        if (wholeTable)
            snapshot.emplace(replay_);
        else
            snapshot.emplace(replay_, controllers.ids() + ports.ids() + pylons.ids());
        for (const qint32 id : controllers.ids())
            for (const qint32 type : kStateStatusTypes)
                replay_.GetSuperStatus(id, type);
        for (const qint32 id : ports.ids())
            replay_.GetSuperStatus(id, StatusPort);
        for (const qint32 id : pylons.ids())
            replay_.GetSuperStatus(id, StatusPylon);
    });
}

void FullRefresh::renewNewerLineRows(qint32 groupId, Filler::KindRecords* fromFill) {
    if (groupId <= 0)
        return;
    const UpdatedStamp now = filler_.nowStamp();
    for (const ObjectType type : kNewerLineKinds) {
        const int objectId = objectTypeNumber(type);
        const Filler::Kind& kind = *Filler::kindFor(objectId);
        StatusGrid& grid = sections_.grid(kind.section);
        if (grid.rowCount() == 0)
            continue;
        // A failure ends this kind's renewal; the other kinds still refresh.
        trap(ctx_, QStringLiteral("FPopup.mnuMainArray_Click"), [&] {
            const bool filled = fromFill != nullptr && fromFill->count(objectId) != 0;
            db::Recordset rs = filled ? std::move(fromFill->at(objectId))
                                      : ctx_.db().query(QString::fromLatin1(kind.command) + QString::number(groupId));
            rs.readAll();  // the rows' renewal reads threat level names meanwhile
            for (; !rs.eof(); rs.moveNext()) {
                const QString address = fields::text(rs, QStringLiteral("Address"));
                const int row = grid.findRow(address);
                if (row == 0)
                    continue;
                filler_.renewRow(kind, grid, row, rs, now);
            }
            rs.close();
        });
    }
}

}  // namespace so
