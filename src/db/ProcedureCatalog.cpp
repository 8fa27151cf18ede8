#include "db/ProcedureCatalog.h"

#include "db/TSqlRewriter.h"

#include <statusobject/Db.h>

#include <QSqlError>
#include <QSqlQuery>

namespace so::db {
namespace {

QStringView withoutAt(QStringView name) { return name.startsWith(u'@') ? name.mid(1) : name; }

QVector<ProcedureParameter> parseParameters(const QString& procedure, const QString& params) {
    QVector<ProcedureParameter> result;
    if (params.trimmed().isEmpty())
        return result;
    for (QStringView part : QStringView(params).split(u',')) {
        QStringList words = part.trimmed().toString().split(u' ', Qt::SkipEmptyParts);
        ProcedureParameter p;
        if (words.size() == 2 && (words[1].compare(QLatin1String("OUTPUT"), Qt::CaseInsensitive) == 0 ||
                                  words[1].compare(QLatin1String("OUT"), Qt::CaseInsensitive) == 0)) {
            p.output = true;
            words.removeLast();
        }
        if (words.size() != 1)
            throw DbError(QStringLiteral("Procedure %1 has a malformed parameter list: %2").arg(procedure, params));
        p.name = withoutAt(words[0]).toString();
        result.append(p);
    }
    return result;
}

}  // namespace

int Procedure::parameterIndex(QStringView wanted) const {
    wanted = withoutAt(wanted);
    for (int i = 0; i < parameters.size(); ++i)
        if (wanted.compare(parameters[i].name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

Procedure parseProcedure(const QString& name, const QString& params, const QString& body) {
    Procedure procedure;
    procedure.name = name;
    procedure.parameters = parseParameters(name, params);

    const QVector<tsql::Token> tokens = tsql::tokenize(body);
    for (const auto& [first, last] : tsql::statementRanges(body, tokens)) {
        ProcedureStatement statement;
        for (int k = first; k <= last; ++k) {
            const tsql::Token& tok = tokens[k];
            if (tok.kind != tsql::TokenKind::Parameter) {
                statement.text += tok.text(body);
                continue;
            }
            const QStringView ref = tok.text(body);
            if (!ref.startsWith(u':'))
                throw DbError(QStringLiteral("Procedure %1 refers to a parameter as %2; parameters are written :Name")
                                  .arg(name, ref.toString()),
                              body);
            const int index = procedure.parameterIndex(ref.mid(1));
            if (index < 0)
                throw DbError(QStringLiteral("Procedure %1 refers to %2, which is not one of its parameters")
                                  .arg(name, ref.toString()),
                              body);
            statement.text += u'?';
            statement.bindings.append(index);
        }
        procedure.body.append(statement);
    }
    return procedure;
}

const Procedure& ProcedureCatalog::find(const QSqlDatabase& db, const QString& name) {
    const QString key = name.toLower();
    auto it = procedures_.constFind(key);
    if (it != procedures_.constEnd())
        return *it;

    const QString unknown = QStringLiteral("Unknown procedure %1").arg(name);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const QString lookup =
        QStringLiteral("SELECT name, params, body FROM %1 WHERE name = ?").arg(tsql::kProcedureTable);
    if (!query.prepare(lookup))
        throw DbError(unknown, name, query.lastError().text());
    query.addBindValue(name);
    if (!query.exec())
        throw DbError(unknown, name, query.lastError().text());
    if (!query.next())
        throw DbError(unknown, name);
    Procedure procedure =
        parseProcedure(query.value(0).toString(), query.value(1).toString(), query.value(2).toString());
    return *procedures_.insert(key, std::move(procedure));
}

}  // namespace so::db
