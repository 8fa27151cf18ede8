#include "groups/GroupStore.h"

#include "base/ErrorTrap.h"
#include "base/Texts.h"

#include <statusobject/Vocabulary.h>

namespace so {
namespace {

/// Characters that change the direction of the text around them: a name holding one can show as
/// another name (or push the text after it around in every list, log and export).
bool isDirectionControl(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

/// Characters that show nothing: white space, format characters (zero-width space and joiners,
/// word joiner, byte order mark, soft hyphen ...), variation selectors and the fillers of Hangul.
bool isInvisible(char32_t c) {
    const QChar::Category category = QChar::category(c);
    return QChar::isSpace(c) || category == QChar::Other_Format || c == 0x034F || (c >= 0xFE00 && c <= 0xFE0F) ||
           (c >= 0xE0100 && c <= 0xE01EF) || c == 0x115F || c == 0x1160 || c == 0x3164 || c == 0xFFA0;
}

/// A name an operator cannot read or type back, or that shows as something it is not: blank or
/// made only of invisible characters, or holding a control character, a direction control or half
/// of a surrogate pair.
bool isUnreadableName(const QString& name) {
    bool visible = false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        char32_t code = c.unicode();
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(c, name[i + 1]);
            ++i;
        } else if (c.isSurrogate()) {
            return true;
        }
        if (QChar::category(code) == QChar::Other_Control || isDirectionControl(code))
            return true;
        visible = visible || !isInvisible(code);
    }
    return !visible;
}

}  // namespace

qint32 refusalTextNumber(GroupNameProblem problem) {
    switch (problem) {
    case GroupNameProblem::None: return 0;
    case GroupNameProblem::Empty: return res::GroupNameEmpty;
    case GroupNameProblem::TooLong: return res::GroupNameTooLong;
    case GroupNameProblem::Taken: return res::GroupNameTaken;
    }
    return 0;
}

GroupNameProblem GroupStore::checkName(const QString& name, bool checkTaken) {
    if (isUnreadableName(name))
        return GroupNameProblem::Empty;
    if (name.size() > kMaxNameLength)
        return GroupNameProblem::TooLong;
    if (!checkTaken)
        return GroupNameProblem::None;
    db::Command lookup(ctx_.db(), QStringLiteral("Select GroupName from Status_Groups Where GroupName = ?"));
    lookup.appendParameter(QStringLiteral("@GroupName"), db::ParamType::VarChar, db::ParamDirection::Input,
                           kMaxNameLength, name);
    db::Recordset rs = lookup.open();
    const bool taken = !rs.eof();
    rs.close();
    return taken ? GroupNameProblem::Taken : GroupNameProblem::None;
}

qint32 GroupStore::createGroup(const QString& name, const QVector<SelectedPoint>& points, const QString& reportName) {
    if (points.isEmpty())
        return 0;
    return trapOr(ctx_, reportName, qint32(0), [&] {
        // The rules hold for every caller: the dialog asks first, a host calling in directly is told here.
        if (const GroupNameProblem problem = checkName(name); problem != GroupNameProblem::None)
            throw ComponentError(ComponentError::InvalidArgument, GRS(ctx_, refusalTextNumber(problem)));
        db::Connection& db = ctx_.db();
        const qint32 siteId = ctx_.site().SecurityDomain();
        db::Transaction transaction(db);
        db::Command insertGroup(db, QStringLiteral("KSP_Insert_Status_Group"));
        insertGroup.setProcedure(true);
        insertGroup.appendParameter(QStringLiteral("SiteID"), db::ParamType::Integer, db::ParamDirection::Input, 4,
                                    siteId);
        insertGroup.appendParameter(QStringLiteral("GroupName"), db::ParamType::VarChar, db::ParamDirection::Input,
                                    kMaxNameLength, name);
        insertGroup.appendParameter(QStringLiteral("ReturnedID"), db::ParamType::Integer, db::ParamDirection::Output,
                                    4);
        insertGroup.execute();
        bool ok = false;
        const qint32 groupId = insertGroup.parameterValue(QStringLiteral("ReturnedID")).toInt(&ok);
        // Group ids start at 1: a group is never stored under 0.
        if (!ok || groupId <= 0)
            throw db::DbError(QStringLiteral("KSP_Insert_Status_Group returned no group identifier"));
        insertPoints(groupId, points);
        transaction.commit();

        if (dialog_.groupCreated)
            dialog_.groupCreated(groupId, name);
        announce(notice::GroupCreated, name, groupId);
        logEvent(QStringLiteral("Added"), name, 1184);
        return groupId;
    });
}

bool GroupStore::replacePoints(qint32 groupId, const QString& name, const QVector<SelectedPoint>& points,
                               const QString& reportName) {
    return trap(ctx_, reportName, [&] {
        db::Connection& db = ctx_.db();
        {
            // The old points go only together with the arrival of the new ones.
            db::Transaction transaction(db);
            db::Command removal(db, QStringLiteral("Delete From Status_Points Where GroupID = ?"));
            removal.appendParameter(QStringLiteral("@GroupId"), db::ParamType::Integer, db::ParamDirection::Input, 4,
                                    groupId);
            removal.execute();
            insertPoints(groupId, points);
            transaction.commit();
        }
        announce(notice::GroupChanged, name, groupId);
        logEvent(QStringLiteral("Modified"), name, 1185);
    });
}

bool GroupStore::deleteGroup(qint32 groupId, const QString& name, const QString& reportName) {
    return trap(ctx_, reportName, [&] {
        db::Command removal(ctx_.db(), QStringLiteral("Delete From Status_Groups Where GroupID = ?"));
        removal.appendParameter(QStringLiteral("@GroupID"), db::ParamType::Integer, db::ParamDirection::Input, 4,
                                groupId);
        removal.execute();
        announce(notice::GroupDeleted, name, groupId);
        if (window_.groupDeleted)
            window_.groupDeleted(groupId);
        if (dialog_.groupDeleted)
            dialog_.groupDeleted(groupId);
        logEvent(QStringLiteral("Deleted"), name, 1186);
        ctx_.site().SendSyncData(notice::Topic, notice::VisibleGroupsChanged, qint32(0), ctx_.site().WorkstationID());
    });
}

std::optional<QString> GroupStore::storedName(qint32 groupId) {
    db::Command lookup(ctx_.db(), QStringLiteral("Select GroupName from Status_Groups Where GroupID = ?"));
    lookup.appendParameter(QStringLiteral("@GroupID"), db::ParamType::Integer, db::ParamDirection::Input, 4, groupId);
    db::Recordset rs = lookup.open();
    std::optional<QString> name;
    if (!rs.eof())
        name = rs.field(0).isNull() ? QString() : rs.field(0).toString();
    rs.close();
    return name;
}

void GroupStore::insertPoints(qint32 groupId, const QVector<SelectedPoint>& points) {
    db::Command insert(ctx_.db(),
                       QStringLiteral("Insert Into Status_Points (GroupID, ObjectID, PointID, ListName, ListSmallIcon, "
                                      "ListAddress, AlternateFlag) Values (?, ?, ?, ?, ?, ?, ?)"));
    using db::ParamDirection;
    using db::ParamType;
    for (const SelectedPoint& point : points) {
        ClearParameters(insert);
        insert.appendParameter(QStringLiteral("@GroupID"), ParamType::Integer, ParamDirection::Input, 4, groupId);
        insert.appendParameter(QStringLiteral("@ObjectID"), ParamType::Integer, ParamDirection::Input, 4,
                               point.objectId);
        insert.appendParameter(QStringLiteral("@PointID"), ParamType::Integer, ParamDirection::Input, 4, point.pointId);
        insert.appendParameter(QStringLiteral("@ListName"), ParamType::VarChar, ParamDirection::Input, 64,
                               point.listName);
        insert.appendParameter(QStringLiteral("@ListSmallIcon"), ParamType::SmallInt, ParamDirection::Input, 2,
                               point.listSmallIcon);
        insert.appendParameter(QStringLiteral("@ListAddress"), ParamType::VarChar, ParamDirection::Input, 30,
                               point.listAddress);
        insert.appendParameter(QStringLiteral("@AlternateFlag"), ParamType::TinyInt, ParamDirection::Input, 1,
                               point.alternateFlag);
        insert.execute();
    }
}

void GroupStore::announce(qint16 action, const QString& name, qint32 groupId) {
    SiteConnection& site = ctx_.site();
    site.SendSyncData(notice::Topic, action, name + QLatin1Char('|') + QString::number(groupId), site.WorkstationID());
}

void GroupStore::logEvent(const QString& action, const QString& name, qint16 eventCode) {
    qint32 deviceNumber = 0;
    ctx_.site().LogEvent(action, QStringLiteral("Status Group"), deviceNumber,
                         QStringLiteral("Status Group ") + FixA(ctx_, name), eventCode);
}

}  // namespace so
