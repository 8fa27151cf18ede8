#include "status/SuperStatus.h"

#include "base/ErrorTrap.h"
#include "domain/Address.h"
#include "domain/Formatting.h"
#include "domain/SuperStatusText.h"
#include "status/LiveIntake.h"
#include "status/StatusDecoder.h"

#include <statusobject/Vocabulary.h>

#include <QDateTime>

#include <algorithm>
#include <array>
#include <span>

namespace so {
namespace {

constexpr int kClassicControllerLength = 17;

/// How the entries of a per-point status type map to points: the device type word reported, the
/// point code and the number of the first point; maxPoints entries at most. An empty code means the
/// controller's own conditions (one entry, reported for the controller's address).
struct PointRange {
    const char* deviceType;
    const char* code;
    int firstPoint;
    int maxPoints;
};

std::optional<PointRange> pointRange(qint32 statusType) {
    if (statusType == StatusController)
        return PointRange{"Controller", "", 0, 1};
    const std::optional<StatusPointRange> points = statusPointRange(statusType);
    if (!points)
        return std::nullopt;
    const auto reported = [&](const char* deviceType, const char* code) {
        return PointRange{deviceType, code, points->firstPoint, points->count()};
    };
    switch (statusType) {
    case StatusRelays: return reported("STD_Relay", "BR");
    case StatusExpRelays: return reported("EXP_Relay", "XR");
    case StatusReaders: return reported("Reader", "SM");
    case StatusInputs: return reported("STD_Input", "BI");
    case StatusInputVoltages: return reported("STD_InputV", "BI");
    case StatusExpVoltages1to16:
    case StatusExpVoltages17to32: return reported("EXP_InputV", "XI");
    default: return reported("EXP_Input", "XI");  // the expansion inputs in ranges of eight
    }
}

/// Every status type a request for "all types" (0) replays, in this order: a controller's, then a
/// port's and a communication box's.
constexpr auto kAllStatusTypes = [] {
    std::array<qint32, std::size(kControllerStatusTypes) + 2> types{};
    std::copy(std::begin(kControllerStatusTypes), std::end(kControllerStatusTypes), types.begin());
    types[types.size() - 2] = StatusPort;
    types[types.size() - 1] = StatusPylon;
    return types;
}();

/// The status types a point's refresh asks for, by point kind (object type - 1).
std::span<const qint32> statusTypesOfPointKind(qint16 pointKind) {
    static constexpr qint32 kDoor[] = {StatusInputs, StatusInputVoltages, StatusRelays};
    static constexpr qint32 kInput[] = {StatusInputs, StatusInputVoltages};
    static constexpr qint32 kRelay[] = {StatusRelays, StatusExpRelays};
    static constexpr qint32 kReader[] = {StatusReaders, StatusThreatLevels};
    static constexpr qint32 kController[] = {StatusController, StatusControllerLink, StatusControllerCodes};
    static constexpr qint32 kPylon[] = {StatusPylon};
    static constexpr qint32 kPort[] = {StatusPort};
    static constexpr qint32 kExpInput[] = {StatusExpInputs1to8,    StatusExpInputs17to24,   StatusExpInputs25to32,
                                           StatusExpVoltages1to16, StatusExpVoltages17to32, StatusExpInputs9to16};
    static constexpr qint32 kExpRelay[] = {StatusExpRelays};
    switch (pointKind) {
    case 0: return kDoor;
    case 1: return kInput;
    case 2: return kRelay;
    case 3: return kReader;
    case 4: return kController;
    case 5: return kPylon;
    case 6: return kPort;
    case 7: return kExpInput;
    case 8: return kExpRelay;
    default: return {};
    }
}

/// A flag column as the site database hands it back (1, -1, true, "True").
bool isTrue(const QVariant& value) {
    if (value.isNull())
        return false;
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (ok)
        return number != 0;
    return value.toString().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

QString timeText(const QVariant& value) {
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(Qt::ISODate);
    return value.toString();
}

}  // namespace

// ---- snapshot

void SuperStatusSnapshot::load(db::Connection& db) {
    release();
    append(db.query(QStringLiteral("Select * From SuperStatus")));
    valid_ = true;
}

void SuperStatusSnapshot::load(db::Connection& db, std::span<const qint32> ids) {
    release();
    for (const qint32 id : ids) {
        db::Command command(db, QStringLiteral("Select * From SuperStatus Where ControllerID = ?"));
        command.appendParameter(QStringLiteral("@ControllerID"), db::ParamType::Integer, db::ParamDirection::Input, 4,
                                id);
        append(command.open());
    }
    valid_ = true;
}

void SuperStatusSnapshot::append(db::Recordset rs) {
    for (; !rs.eof(); rs.moveNext()) {
        StoredReport report{rs.field(0).toString(), rs.field(1).toInt(), rs.field(2).toInt(), rs.field(3).toString(),
                            timeText(rs.field(4))};
        // The first row of a controller and status type is the one used.
        const quint64 k = key(report.controllerId, report.statusType);
        if (!first_.contains(k))
            first_.insert(k, int(reports_.size()));
        reports_.append(std::move(report));
    }
    rs.close();
}

void SuperStatusSnapshot::release() {
    reports_.clear();
    first_.clear();
    valid_ = false;
}

const StoredReport* SuperStatusSnapshot::find(qint32 controllerId, qint32 statusType) const {
    const auto it = first_.constFind(key(controllerId, statusType));
    return it == first_.constEnd() ? nullptr : &reports_[*it];
}

// ---- one request: a snapshot for its duration when none was taken

class SuperStatusReplay::RequestScope {
public:
    explicit RequestScope(SuperStatusReplay& replay) : replay_(replay), ownsSnapshot_(!replay.snapshot_.isValid()) {
        if (ownsSnapshot_)
            replay_.snapshot_.load(replay_.ctx_.db());
    }
    ~RequestScope() {
        if (ownsSnapshot_)
            replay_.snapshot_.release();
    }
    RequestScope(const RequestScope&) = delete;
    RequestScope& operator=(const RequestScope&) = delete;

private:
    SuperStatusReplay& replay_;
    bool ownsSnapshot_;
};

// ---- replay

SuperStatusReplay::SuperStatusReplay(ComponentContext& ctx, StatusDecoder& decoder, LiveIntake& intake)
    : ctx_(ctx), decoder_(decoder), intake_(intake) {}

void SuperStatusReplay::takeSnapshot() {
    trap(ctx_, QStringLiteral("SuperStatus.GetSuperStatus"), [&] { snapshot_.load(ctx_.db()); });
}

void SuperStatusReplay::takeSnapshot(std::span<const qint32> ids) {
    trap(ctx_, QStringLiteral("SuperStatus.GetSuperStatus"), [&] { snapshot_.load(ctx_.db(), ids); });
}

void SuperStatusReplay::RefreshStatusItem(qint32 controllerId) {
    trap(ctx_, QStringLiteral("Status.RefreshStatusItem"), [&] {
        RequestScope scope(*this);
        replayStored(controllerId, 10, ReportMode::StatusRequest);
        replayStored(controllerId, 13, ReportMode::StatusRequest);
    });
}

void SuperStatusReplay::RequestSuperStatus(bool allOfController, const QString& address, qint16 pointKind) {
    trap(ctx_, QStringLiteral("SuperStatus.RequestSuperStatus"), [&] {
        if (isNewerLineAddress(address))
            return;  // the newer line keeps its state in its own tables
        RequestScope scope(*this);
        db::Connection& db = ctx_.db();
        // A point's address is its controller's (17 characters) and the point part (".BI01"):
        // drop the point part. (Testing for more than 22 characters would keep the point part of
        // every two-digit point, and the request would find no controller.)
        const QString controllerAddress = address.size() > kClassicControllerLength ? address.chopped(5) : address;

        if (allOfController) {
            db::Command controllers(db, QStringLiteral("KSP_Fetch_ControllersFromAddress"));
            controllers.setProcedure(true);
            controllers.appendParameter(QStringLiteral("@Address"), db::ParamType::VarChar, db::ParamDirection::Input,
                                        30, controllerAddress);
            QVector<qint32> installed;
            for (db::Recordset rs = controllers.open(); !rs.eof(); rs.moveNext())
                if (isTrue(rs.field(QStringLiteral("Installed"))))
                    installed.append(rs.field(0).toInt());
            for (const qint32 id : installed)
                replayStored(id, 0, ReportMode::StatusRequest);
            return;
        }

        const QString prefix = address.section(QLatin1Char('.'), 0, 0);
        QString sql;
        QString key = address;
        if (prefix == QLatin1String("\\\\PORT")) {
            sql = QStringLiteral("select PortID,1 from ServerPorts Where Address =?");
        } else if (prefix == QLatin1String("\\\\PYLON")) {
            sql = QStringLiteral("select PylonID,1 from Pylons Where Address =?");
        } else if (prefix == QLatin1String("\\\\SNET") || prefix == QLatin1String("\\\\PNET")) {
            sql = QStringLiteral("select Controller_ID,Installed from Controllers Where Address =?");
            key = controllerAddress;
        } else {
            return;
        }
        db::Command devices(db, sql);
        devices.appendParameter(QStringLiteral("@Address"), db::ParamType::VarChar, db::ParamDirection::Input, 30, key);
        QVector<qint32> ids;
        for (db::Recordset rs = devices.open(); !rs.eof(); rs.moveNext())
            if (isTrue(rs.field(1)))
                ids.append(rs.field(0).toInt());
        for (const qint32 id : ids)
            for (const qint32 type : statusTypesOfPointKind(pointKind))
                replayStored(id, type, ReportMode::StatusRequest);
    });
}

void SuperStatusReplay::GetSuperStatus(qint32 controllerId, qint32 statusType) {
    replayStored(controllerId, statusType, ReportMode::Current);
}

void SuperStatusReplay::replayStored(qint32 controllerId, qint32 statusType, ReportMode mode) {
    trap(ctx_, QStringLiteral("SuperStatus.GetSuperStatus"), [&] {
        RequestScope scope(*this);
        const qint32 one[] = {statusType};
        const std::span<const qint32> types = statusType > 0 ? std::span<const qint32>(one) : kAllStatusTypes;
        for (const qint32 type : types)
            if (const StoredReport* report = snapshot_.find(controllerId, type))
                replay(*report, mode);
    });
}

void SuperStatusReplay::replay(const StoredReport& report, ReportMode mode) {
    switch (report.statusType) {
    case StatusThreatLevels: replayThreatLevels(report, mode); return;
    case StatusControllerCodes: replayCodes(report, QStringLiteral("Controller"), mode); return;
    case StatusPort: replayCodes(report, QStringLiteral("PORT"), mode); return;
    case StatusPylon: replayCodes(report, QStringLiteral("PYLON"), mode); return;
    default: break;
    }
    if (const std::optional<PointRange> range = pointRange(report.statusType)) {
        const ParsedPointStatus parsed = parsePointStatus(report.status, range->maxPoints);
        logProblems(report, parsed.problems);
        V_OnSuperStatus(report, parsed, mode);
    }
}

void SuperStatusReplay::replayCodes(const StoredReport& report, const QString& deviceType, ReportMode mode) {
    QStringList problems;
    const StateCodes codes = parseStateCodes(report.status, problems);
    logProblems(report, problems);
    for (const quint8 code : codes)
        intake_.reportStateChange(deviceType, report.address, code, report.lastUpdated, QString(), mode);
}

void SuperStatusReplay::replayThreatLevels(const StoredReport& report, ReportMode mode) {
    QStringList problems;
    const QVector<std::optional<qint32>> levels = parseThreatLevels(report.status, problems);
    logProblems(report, problems);
    qint32 highest = 0;
    for (int i = 0; i < levels.size(); ++i) {
        if (!levels[i])
            continue;
        const QString readerAddress = report.address + QStringLiteral(".SM") + padded(i + 1, 2);
        intake_.reportStateChange(QStringLiteral("READER_THREAT_LEVEL"), readerAddress, state::ReaderThreatLevel,
                                  report.lastUpdated, QString::number(*levels[i]), mode);
        highest = std::max(highest, *levels[i]);
    }
    // A controller shows the highest threat level of its readers.
    decoder_.UpdateList(Section::Controllers, report.address, state::ControllerThreatLevel, QStringLiteral("CA"),
                        report.lastUpdated, QString::number(highest), mode);
}

void SuperStatusReplay::V_OnSuperStatus(const StoredReport& report, const ParsedPointStatus& parsed, ReportMode mode) {
    trap(ctx_, QStringLiteral("SuperStatus.V_OnSuperStatus"), [&] {
        const std::optional<PointRange> range = pointRange(report.statusType);
        if (!range)
            return;
        const QString deviceType = QLatin1String(range->deviceType);
        const QString pointPrefix = report.address + QLatin1Char('.') + QLatin1String(range->code);
        const bool ownConditions = range->code[0] == '\0';
        for (const PointStatus& point : parsed.points) {
            const QString pointAddress =
                ownConditions ? report.address : pointPrefix + padded(range->firstPoint + point.index, 2);
            for (const quint8 code : point.codes) {
                // A mask change carries the point's mask source: the masked list shows its reason.
                const bool maskCode = code == state::MaskSet || code == state::MaskCleared;
                const QString value = maskCode ? QString::number(point.maskSource) : point.value;
                intake_.reportStateChange(deviceType, pointAddress, code, report.lastUpdated, value, mode);
            }
        }
    });
}

void SuperStatusReplay::logProblems(const StoredReport& report, const QStringList& problems) {
    if (problems.isEmpty())
        return;
    const QString description = QStringLiteral("Stored status of %1 (controller %2, type %3) not fully readable: %4")
                                    .arg(report.address)
                                    .arg(report.controllerId)
                                    .arg(report.statusType)
                                    .arg(problems.join(QStringLiteral("; ")));
    reportFailure(ctx_, QStringLiteral("SuperStatus.GetSuperStatus"),
                  {ComponentError::TypeMismatch, description, QStringLiteral("StatusObject")}, /*quiet=*/true);
}

}  // namespace so
