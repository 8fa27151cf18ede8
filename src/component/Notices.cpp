#include "component/Notices.h"

#include "base/ComponentContext.h"
#include "base/Convert.h"
#include "base/ErrorTrap.h"
#include "base/Errors.h"
#include "domain/Address.h"
#include "domain/Permissions.h"
#include "grid/ColumnLayout.h"
#include "grid/RedrawPause.h"
#include "grid/Sections.h"
#include "grid/StatusGrid.h"
#include "groups/GroupStore.h"
#include "status/DbRefresh.h"
#include "status/LiveIntake.h"
#include "status/StatusBoard.h"
#include "window/StatusWindow.h"

#include <statusobject/Vocabulary.h>

#include <cmath>

namespace so {
namespace {

const QString kReportName = QStringLiteral("Status.SyncPipe");

/// Two parts of a notice's data.
struct DataParts {
    QString first;
    QString second;
};

/// Splits "name|id" at the last "|": a group name may itself hold "|", an identifier never does.
/// TypeMismatch when there is no "|".
DataParts splitNameAndId(const QString& data) {
    const qsizetype bar = data.lastIndexOf(QLatin1Char('|'));
    if (bar < 0)
        throw ComponentError(ComponentError::TypeMismatch, QStringLiteral("No \"|\" in \"%1\"").arg(data));
    return {data.left(bar), data.mid(bar + 1)};
}

/// Splits "address|kind" or "address|state" into its first two parts; TypeMismatch without "|".
DataParts splitAddressAnd(const QString& data) {
    const QStringList parts = data.split(QLatin1Char('|'));
    if (parts.size() < 2)
        throw ComponentError(ComponentError::TypeMismatch, QStringLiteral("No \"|\" in \"%1\"").arg(data));
    return {parts[0], parts[1]};
}

/// Checks that a state sent as text reads as an unsigned 8-bit number (rounded); TypeMismatch or
/// Overflow otherwise.
void checkState(const QString& text) {
    const double value = std::nearbyint(toNumber(text));
    if (value < 0 || value > 255)
        throw ComponentError(ComponentError::Overflow, QStringLiteral("Overflow: \"%1\"").arg(text));
}

}  // namespace

QVector<NoticeTarget> noticeTargets(const QString& address, const QString& kind) {
    if (isNewerLineAddress(address)) {
        // The newer line's own codes: a reader, a module, a relay of no door, and the controller
        // itself (an address without a point part) re-read their own rows.
        const QStringList parts = address.split(QLatin1Char('.'));
        const QString code = parts.value(3).left(2);
        if (parts.size() == 3)
            return {{RefreshTarget::ZR2Controller, address}};
        if (code == QLatin1String("RL"))
            return {{RefreshTarget::ZR2Reader, address}};
        if (code == QLatin1String("MD"))
            return {{RefreshTarget::ZR2Module, address}};
        if (code == QLatin1String("VR"))
            return {{RefreshTarget::Relay, address}};
    }
    const PointKind pointKind = classifyAddress(address);
    switch (pointKind) {
    case PointKind::Reader: return {{RefreshTarget::Door, address}};
    case PointKind::Input:
        return {{RefreshTarget::Input, address},
                {RefreshTarget::Door, address},
                {RefreshTarget::Door, QString(address).replace(QStringLiteral("BI"), QStringLiteral("DR"))}};
    // A door's strike shows on the door's row too.
    case PointKind::Relay:
        return {{RefreshTarget::Relay, address},
                {RefreshTarget::Door, QString(address).replace(QStringLiteral("BR"), QStringLiteral("DR"))}};
    case PointKind::Door: return {{RefreshTarget::Door, address}};
    case PointKind::ExpRelay: return {{RefreshTarget::Relay, address}};
    case PointKind::ExpInput: return {{RefreshTarget::Input, address}};
    default: break;
    }
    if (pointKind == PointKind::Controller || kind == QLatin1String("CONT"))
        return {{RefreshTarget::Controller, address}, {RefreshTarget::ZR2Controller, address}};
    if (pointKind == PointKind::Pylon || kind == QLatin1String("PYLON"))
        return {{RefreshTarget::Box, address}};
    if (pointKind == PointKind::ServerPort || kind == QLatin1String("PORT"))
        return {{RefreshTarget::Port, address}};
    return {};
}

// A notice about a group says only which group changed: what the box shows is read from the site,
// so a notice naming a group that is not stored, or another name than the stored one, changes
// nothing. The enabled flags are stored by whoever changed them; the rows re-read them.
const Notices::Kind Notices::kKinds[] = {
    {notice::GroupCreated, true, "", &Notices::groupCreated},
    {notice::GroupDeleted, true, "", &Notices::groupDeleted},
    {notice::GroupChanged, true, "", &Notices::groupChanged},
    {notice::PointConfigured, false, "", &Notices::pointConfigured},
    {notice::VisibleGroupsChanged, false, "", &Notices::visibleGroupsChanged},
    {notice::PointConfiguredOfKind, false, "", &Notices::pointConfiguredOfKind},
    {notice::ControllerEnabled, false, "CONT", &Notices::enabledChanged},
    {notice::PortEnabled, false, "PORT", &Notices::enabledChanged},
    {notice::PylonEnabled, false, "PYLON", &Notices::enabledChanged},
};

std::span<const Notices::Kind> Notices::kinds() { return kKinds; }

Notices::Notices(ComponentContext& ctx, StatusWindow& window, GroupStore& groups, LiveIntake& intake)
    : ctx_(ctx), window_(window), groups_(groups), intake_(intake) {}

void Notices::receive(const QString& topic, qint32 action, const QString& data, const QString& sender) {
    if (topic.toUpper() != notice::Topic) {
        refuseInput(ctx_, kReportName, IgnoredInput::Kind::NoticeTopic, topic, QStringLiteral("not a status notice"));
        return;
    }
    for (const Kind& kind : kKinds) {
        if (kind.action != action)
            continue;
        if (kind.skipOwn && sender == ctx_.site().WorkstationID())
            return;
        (this->*kind.handle)(data, kind);
        return;
    }
    refuseInput(ctx_, kReportName, IgnoredInput::Kind::NoticeAction, QString::number(action),
                QStringLiteral("no status notice has that action"));
}

void Notices::groupCreated(const QString& data, const Kind&) {
    const DataParts parts = splitNameAndId(data);
    qint32 groupId = toInt32(parts.second);
    // A notice sent again for a group the box holds, or naming a group the name rule refuses, adds
    // nothing; a group is shown under the name the site stores.
    if (window_.findGroupEntry(groupId) >= 0 || groups_.checkName(parts.first, false) != GroupNameProblem::None)
        return;
    const std::optional<QString> name = groups_.storedName(groupId);
    if (name && CheckSyncPermission(ctx_, groupId))
        window_.appendGroupEntry(*name, groupId);
}

void Notices::groupDeleted(const QString& data, const Kind&) {
    const qint32 groupId = toInt32(splitNameAndId(data).second);
    const int index = window_.findGroupEntry(groupId);
    if (index >= 0 && !groups_.storedName(groupId))
        window_.removeGroupEntry(index);
}

void Notices::groupChanged(const QString& data, const Kind&) {
    const DataParts parts = splitNameAndId(data);
    const qint32 groupId = toInt32(parts.second);
    const int index = window_.findGroupEntry(groupId);
    if (index < 0 || groups_.checkName(parts.first, false) != GroupNameProblem::None)
        return;
    if (const std::optional<QString> name = groups_.storedName(groupId))
        window_.setGroupEntryText(index, *name);
    else
        window_.removeGroupEntry(index);
}

void Notices::pointConfigured(const QString& data, const Kind&) { refreshPoint(data.trimmed(), QString()); }

void Notices::pointConfiguredOfKind(const QString& data, const Kind&) {
    const DataParts parts = splitAddressAnd(data);
    refreshPoint(parts.first.trimmed(), parts.second);
}

void Notices::enabledChanged(const QString& data, const Kind& kind) {
    // A notice whose state cannot be read is still reported, though the state is not used.
    const DataParts parts = splitAddressAnd(data);
    checkState(parts.second);
    refreshPoint(parts.first.trimmed(), QString::fromLatin1(kind.kindWord));
}

void Notices::visibleGroupsChanged(const QString&, const Kind&) {
    // The box is read again; the group selected before stays selected when the operator still sees it.
    const int selected = window_.selectedGroupIndex();
    const bool hadSelection = selected >= 0 && selected < window_.groupEntries().size();
    const qint32 remembered = hadSelection ? window_.groupEntries().at(selected).itemData : 0;
    window_.loadGroupBox();
    const int index = hadSelection ? window_.findGroupEntry(remembered) : -1;
    if (index >= 0)
        window_.selectGroupEntry(index);
}

void Notices::refreshPoint(const QString& address, const QString& kind) {
    // The point's configuration changed: what is kept about modules may be stale.
    intake_.forgetConfiguration();
    StatusBoard& board = window_.board();
    SectionsRedrawPause pause(board.sections());
    // The targets of one notice share one controller: its stored reports are replayed once when a
    // classic row's configuration changed, as a full load would decode them.
    std::optional<FullRefresh::ShownRow> changed;
    for (const NoticeTarget& target : noticeTargets(address, kind)) {
        const Section section = refreshedSection(target.target);
        const int row = board.sections().FindRowForAddress(section, target.address);
        if (board.dbRefresh().DBStatusUpdate(target.target, target.address, row) && !changed)
            changed = FullRefresh::ShownRow{section, row};
    }
    if (changed)
        board.fullRefresh().replayRows({&*changed, 1});
}

void Notices::renamePoint(const QString& name, const QString& address) {
    Sections& sections = window_.board().sections();
    for (Section section : kAllSections) {
        StatusGrid& grid = sections.grid(section);
        const int row = grid.findRow(address);  // the first row holding it
        if (row > 0)
            grid.setText(row, col::Name, name);
    }
}

}  // namespace so
