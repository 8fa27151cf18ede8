#include <statusobject/CommandRule.h>

namespace so {

namespace {

const QString kBoundaryQuery = QStringLiteral(
    "Select Address from boundaries Where boundaries.Address = ?"
    " and objecttype = 21 and WorkstationID = 1 and GroupID IN"
    " (SELECT     OperatorsToGroups.GroupID"
    " FROM         Operators INNER JOIN"
    " OperatorsToGroups ON Operators.OperatorID = OperatorsToGroups.OperatorID"
    " WHERE     (Operators.OperatorID = ?))");

/// Expansion points are numbered after the eight points of the base board.
constexpr qint16 kBoardPoints = 8;

QString pointAddress(const QString& controller, const char* code, int number) {
    return controller + QLatin1Char('.') + QLatin1String(code) +
           QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

}  // namespace

bool mayCommandPoint(const QString& address, const CommandRuleAnswers& answers) {
    return mayActOnPoint(kCommandPermission, address, answers);
}

bool mayActOnPoint(qint32 permission, const QString& address, const CommandRuleAnswers& answers) {
    const bool operatorMay = answers.operatorPermission(permission);
    const bool pointAllowed = answers.outsideBoundaries(address);
    return operatorMay && pointAllowed;
}

bool mayCommandPoints(const QStringList& addresses, const CommandRuleAnswers& answers) {
    if (addresses.isEmpty())
        return false;
    for (const QString& address : addresses)
        if (!mayCommandPoint(address, answers))
            return false;
    return true;
}

QStringList classicCommandPoints(const QString& controllerAddress, const QString& command, qint16 pointNumber) {
    const QStringList parts = command.split(QLatin1Char('|'));
    if (parts.size() != 3 || parts[0] != QLatin1String("CALL_API") || pointNumber < 1)
        return {};
    const QString& family = parts[1];
    const QString& function = parts[2];
    const bool door = family == QLatin1String("DOORFUNCTION");
    if (!door && family != QLatin1String("CONTROLFUNCTION"))
        return {};
    const bool input = !door && (function == QLatin1String("MASK") || function == QLatin1String("UNMASK") ||
                                 function == QLatin1String("MOMENTARY_MASK"));
    const bool expansion = pointNumber > kBoardPoints;
    if (expansion)
        return {pointAddress(controllerAddress, input ? "XI" : "XR", pointNumber - kBoardPoints)};
    return {pointAddress(controllerAddress, input ? "BI" : "BR", pointNumber),
            pointAddress(controllerAddress, "DR", pointNumber)};
}

bool outsideOperatorBoundaries(db::Connection& db, qint32 operatorId, const QString& address) {
    db::Command command(db, kBoundaryQuery);
    command.appendParameter(QStringLiteral("@Address"), db::ParamType::NVarChar, db::ParamDirection::Input,
                            int(address.size()), address);
    command.appendParameter(QStringLiteral("@OperatorID"), db::ParamType::Integer, db::ParamDirection::Input, 0,
                            operatorId);
    db::Recordset boundaries = command.open();
    const bool noBoundary = boundaries.eof();
    boundaries.close();
    return noBoundary;
}

}  // namespace so
