// The SQL Server scripts of the site (sql/sqlserver) hold the same tables, columns (in order) and
// procedures with the same parameters as the embedded site schema.
#include "SiteTestSupport.h"

#include "site/SiteSchema.h"
#include "db/TSqlTokenizer.h"

#include <gtest/gtest.h>

#include <QMap>

using namespace so::db;
using namespace so::db::test;

namespace {

QString script(const char* name) {
    QFile file(QStringLiteral(STATUSOBJECT_SOURCE_DIR "/sql/sqlserver/") + QString::fromLatin1(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return QString::fromUtf8(file.readAll());
}

/// The significant tokens of a script, as written.
QStringList words(const QString& sql) {
    QStringList out;
    for (const tsql::Token& t : tsql::tokenize(sql))
        if (t.significant())
            out << t.text(sql).toString();
    return out;
}

QString unquoted(const QString& name) { return name.startsWith(u'[') ? name.mid(1, name.size() - 2) : name; }

bool is(const QString& word, const char* keyword) {
    return word.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

/// Table name -> its column names in order, from the CREATE TABLE statements.
QMap<QString, QStringList> scriptTables(const QStringList& w) {
    QMap<QString, QStringList> tables;
    for (int k = 0; k + 3 < w.size(); ++k) {
        if (!is(w[k], "CREATE") || !is(w[k + 1], "TABLE"))
            continue;
        QStringList& columns = tables[unquoted(w[k + 2])];
        int depth = 0;
        bool atDefinition = true;
        for (k += 3; k < w.size(); ++k) {
            if (w[k] == u'(') {
                atDefinition = ++depth == 1;
                continue;
            }
            if (w[k] == u')') {
                if (--depth == 0)
                    break;
            } else if (depth == 1 && w[k] == u',') {
                atDefinition = true;
                continue;
            } else if (depth == 1 && atDefinition) {
                static const char* const constraints[] = {"PRIMARY",    "UNIQUE", "FOREIGN",
                                                          "CONSTRAINT", "CHECK",  "INDEX"};
                if (std::none_of(std::begin(constraints), std::end(constraints),
                                 [&](const char* c) { return is(w[k], c); }))
                    columns << unquoted(w[k]);
            }
            atDefinition = false;
        }
    }
    return tables;
}

/// Procedure name -> its parameters as the embedded site lists them ("A,B,C OUTPUT").
QMap<QString, QString> scriptProcedures(const QStringList& w) {
    QMap<QString, QString> procedures;
    for (int k = 0; k + 2 < w.size(); ++k) {
        if (!is(w[k], "CREATE") || !is(w[k + 1], "PROCEDURE"))
            continue;
        const QString name = w[k + 2];
        QStringList parameters;
        for (k += 3; k < w.size() && !is(w[k], "AS"); ++k) {
            if (w[k].startsWith(u'@'))
                parameters << w[k].mid(1);
            else if (is(w[k], "OUTPUT") || is(w[k], "OUT"))
                parameters.last() += QStringLiteral(" OUTPUT");
        }
        procedures.insert(name, parameters.join(u','));
    }
    return procedures;
}

}  // namespace

TEST(SqlServerScripts, HoldTheTablesColumnsAndProceduresOfTheEmbeddedSite) {
    auto connection = memorySite();
    createSiteSchema(*connection);
    QMap<QString, QStringList> embeddedTables;
    for (Recordset t =
             connection->query("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
                               "AND name <> 'sys_procedures'");
         !t.eof(); t.moveNext())
        embeddedTables.insert(t.field(0).toString(), {});
    for (auto it = embeddedTables.begin(); it != embeddedTables.end(); ++it)
        for (Recordset c = connection->query("SELECT name FROM pragma_table_xinfo('" + it.key() + "')"); !c.eof();
             c.moveNext())
            it.value() << c.field(0).toString();
    QMap<QString, QString> embeddedProcedures;
    for (const SiteProcedure& p : siteProcedures())
        embeddedProcedures.insert(p.name, QString(p.params).remove(u' ').replace("OUTPUT", " OUTPUT"));

    const QMap<QString, QStringList> tables = scriptTables(words(script("01-tables.sql")));
    EXPECT_EQ(tables.keys().join(u' ').toStdString(), embeddedTables.keys().join(u' ').toStdString());
    for (auto it = embeddedTables.begin(); it != embeddedTables.end(); ++it)
        EXPECT_EQ(tables.value(it.key()).join(u',').toStdString(), it.value().join(u',').toStdString())
            << it.key().toStdString();
    const QMap<QString, QString> procedures = scriptProcedures(words(script("02-procedures.sql")));
    EXPECT_EQ(procedures.keys().join(u' ').toStdString(), embeddedProcedures.keys().join(u' ').toStdString());
    for (auto it = embeddedProcedures.begin(); it != embeddedProcedures.end(); ++it)
        EXPECT_EQ(procedures.value(it.key()).toStdString(), it.value().toStdString()) << it.key().toStdString();
}
