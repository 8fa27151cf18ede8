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

}  // namespace

bool mayCommandPoint(const QString& address, const CommandRuleAnswers& answers) {
    qint32 permission = kCommandPermission;
    const bool operatorMay = answers.operatorPermission(permission);
    const bool pointAllowed = answers.outsideBoundaries(address);
    return operatorMay && pointAllowed;
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
