// The statement catalogue, taken from what the code sends: the application runs two workstations
// on a demo site (field traffic, every group, full refreshes, the masked list, each row's refresh,
// the context menu's refresh entries, a group created, changed and deleted) while an observer of the database layer
// records each distinct statement text with its values. Every recorded statement then runs again
// on each backend from the same starting site (the SQL Server-like test driver with a
// case-sensitive collation among them), and every table, column and procedure name in it must be
// spelled as the site's schema spells it.
#include "SiteTestSupport.h"
#include "status/StatusBoard.h"
#include "support/SqlServerLike.h"

#include "commands/ContextMenus.h"
#include "component/StatusInternals.h"
#include "db/StatementObserver.h"
#include "db/TSqlTokenizer.h"
#include "demo/App.h"
#include "grid/StatusGrid.h"
#include "groups/GroupStore.h"
#include "host/AppSite.h"
#include "status/DbRefresh.h"
#include "window/StatusWindow.h"

#include "TSqlCheck.h"

#include <statusobject/Status.h>

#include <gtest/gtest.h>

#include <QHash>
#include <QSet>
#include <QTemporaryDir>

using namespace so::db;

namespace {

/// Drives the application and records the first sending of each statement text, in order.
QVector<SentStatement> collectSentStatements(const QString& siteFile, const QString& logFolder) {
    QVector<SentStatement> sent;
    QSet<QString> seen;
    const StatementObserver previous = setStatementObserver([&](const SentStatement& s) {
        if (!seen.contains(s.text)) {
            seen.insert(s.text);
            sent.append(s);
        }
    });
    {
        sv::AppConfig config;
        config.siteUrl = QStringLiteral("sqlite:") + siteFile;
        config.workstations = 2;
        config.logFolder = logFolder;
        sv::StatusViewerApp app(config);
        app.log().setEcho(false);
        app.field().step(300);

        so::Status& status = app.workstation(0).status();
        so::StatusWindow& window = windowOf(status);
        so::ContextMenus menus(contextOf(status), window, superStatusOf(status));
        for (int group = 0; group < window.groupEntries().size(); ++group) {
            window.selectGroupEntry(group);
            window.RefreshAllRows();
            for (int section = 0; section < 8; ++section) {
                so::StatusGrid& grid = window.board().sections().grid(section);
                for (int row = 1; row <= grid.rowCount(); ++row) {
                    // Each row through the grid code of its line.
                    const QString address = grid.text(row, QStringLiteral("Address"));
                    const bool newerLine = address.contains(QLatin1String("ZRII"));
                    using so::RefreshTarget;
                    const RefreshTarget classic[] = {RefreshTarget::Door,       RefreshTarget::Input,
                                                     RefreshTarget::Relay,      RefreshTarget::Door,
                                                     RefreshTarget::Controller, RefreshTarget::Box,
                                                     RefreshTarget::Port,       RefreshTarget::ExpansionInput};
                    const RefreshTarget newer[] = {RefreshTarget::Door,          RefreshTarget::Input,
                                                   RefreshTarget::Relay,         RefreshTarget::ZR2Reader,
                                                   RefreshTarget::ZR2Controller, RefreshTarget::Box,
                                                   RefreshTarget::Port,          RefreshTarget::ZR2Module};
                    // A classic reader's grid code renews nothing (its entry above is not used).
                    if (!newerLine && section == 3)
                        continue;
                    window.board().dbRefresh().DBStatusUpdate((newerLine ? newer : classic)[section], address, row);
                }
                if (grid.rowCount() > 0) {
                    window.setCurrentCell(so::Section(section), 1, 1);
                    menus.details().runMainEntry(so::entry::RefreshPane);
                    menus.details().runMainEntry(so::entry::RefreshControllers);
                }
            }
        }
        window.board().maskedPoints().FillMaskedGrid();

        so::GroupStore& groups = groupStoreOf(status);
        Recordset rs = app.siteDb().query(QStringLiteral(
            "SELECT ObjectID, PointID, ListName, ListSmallIcon, ListAddress, AlternateFlag FROM Status_Points"));
        const so::SelectedPoint point{rs.field(2).toString(), rs.field(4).toString(), rs.field(0).toInt(),
                                      rs.field(1).toInt(),    rs.field(5).toInt(),    qint16(rs.field(3).toInt())};
        rs.close();
        const qint32 id = groups.createGroup(QStringLiteral("Night Rounds"), {point});
        EXPECT_GT(id, 0);
        groups.replacePoints(id, QStringLiteral("Night Rounds"), {point, point});
        groups.deleteGroup(id, QStringLiteral("Night Rounds"));
        EXPECT_EQ(app.summary().errors, 0) << app.log().lines().join(u'\n').toStdString();
    }
    setStatementObserver(previous);
    return sent;
}

ParamType typeOf(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong: return ParamType::Integer;
    case QMetaType::Bool: return ParamType::Boolean;
    case QMetaType::Double: return ParamType::Double;
    case QMetaType::QDateTime: return ParamType::DateTime;
    default: return ParamType::NVarChar;
    }
}

/// Table, column and procedure names of a site, by their lower-case form.
QHash<QString, QString> schemaNames(Connection& site) {
    QHash<QString, QString> names;
    QStringList tables;
    for (Recordset rs = site.query(QStringLiteral("SELECT name FROM sqlite_master WHERE type IN ('table', 'view') "
                                                  "AND name NOT LIKE 'sqlite_%'"));
         !rs.eof(); rs.moveNext())
        tables << rs.field(0).toString();
    for (const QString& table : std::as_const(tables)) {
        names.insert(table.toLower(), table);
        for (Recordset rs = site.query(QStringLiteral("SELECT name FROM pragma_table_xinfo('%1')").arg(table));
             !rs.eof(); rs.moveNext())
            names.insert(rs.field(0).toString().toLower(), rs.field(0).toString());
    }
    for (Recordset rs = site.query(QStringLiteral("SELECT name FROM sys_procedures")); !rs.eof(); rs.moveNext())
        names.insert(rs.field(0).toString().toLower(), rs.field(0).toString());
    return names;
}

class SentStatements : public ::testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        sv::prepareSite(QStringLiteral("sqlite:") + templatePath(), 300, {}, true);
        const QString capture = dir_->filePath(QStringLiteral("capture.db"));
        QFile::copy(templatePath(), capture);
        sent_ = new QVector<SentStatement>(collectSentStatements(capture, dir_->path()));
        names_ =
            new QHash<QString, QString>(schemaNames(*Connection::open(QStringLiteral("sqlite:") + templatePath())));
    }
    static void TearDownTestSuite() {
        delete names_;
        delete sent_;
        delete dir_;
    }
    static QString templatePath() { return dir_->filePath(QStringLiteral("template.db")); }

    void SetUp() override {
        const QString backend = QString::fromUtf8(GetParam());
        if (backend == QLatin1String("odbc") && test::sqliteOdbcDriver().isEmpty())
            GTEST_SKIP() << "the SQLite ODBC driver (libsqliteodbc) or Qt's QODBC plugin is not installed";
        if (backend == QLatin1String("sqlserver") && !so::test::SqlServerLike::skipReason().isEmpty())
            GTEST_SKIP() << so::test::SqlServerLike::skipReason().toStdString();
        const QString path = dir_->filePath(QStringLiteral("%1.db").arg(backend));
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(templatePath(), path));
        connection_ =
            Connection::open(backend == QLatin1String("odbc") ? QStringLiteral("odbc:DRIVER={SQLite3};Database=") + path
                             : backend == QLatin1String("sqlserver")
                                 ? so::test::SqlServerLike::url(path, QStringLiteral("CaseSensitive=yes"))
                                 : QStringLiteral("sqlite:") + path);
    }

    std::unique_ptr<Connection> connection_;
    static QTemporaryDir* dir_;
    static QVector<SentStatement>* sent_;
    static QHash<QString, QString>* names_;
};
QTemporaryDir* SentStatements::dir_ = nullptr;
QVector<SentStatement>* SentStatements::sent_ = nullptr;
QHash<QString, QString>* SentStatements::names_ = nullptr;

TEST_P(SentStatements, EveryStatementSentRunsAgainInOrder) {
    // Both the component's and the application's statements are among them.
    EXPECT_GT(sent_->size(), 100);
    for (const SentStatement& s : std::as_const(*sent_)) {
        Command command(*connection_, s.text);
        command.setProcedure(s.procedure);
        for (int i = 0; i < s.values.size(); ++i)
            command.appendParameter(QStringLiteral("@P%1").arg(i + 1), typeOf(s.values[i]),
                                    i < s.directions.size() ? s.directions[i] : ParamDirection::Input, 0, s.values[i]);
        try {
            command.open().close();
        } catch (const DbError& e) {
            ADD_FAILURE() << s.text.toStdString() << ": " << e.message().toStdString() << " | "
                          << e.driverMessage().toStdString();
        }
    }
}

TEST_P(SentStatements, NamesAreSpelledAsTheSchemaSpellsThem) {
    const QHash<QString, QString>& names = *names_;
    for (const SentStatement& s : std::as_const(*sent_)) {
        for (const tsql::Token& token : tsql::tokenize(s.text)) {
            if (token.kind != tsql::TokenKind::Identifier && token.kind != tsql::TokenKind::QuotedName)
                continue;
            const QString name = tsql::nameValue(s.text, token);
            const auto it = names.constFind(name.toLower());
            EXPECT_TRUE(it == names.constEnd() || *it == name) << name.toStdString() << " (the schema writes "
                                                               << it->toStdString() << ") in: " << s.text.toStdString();
        }
    }
}

TEST_P(SentStatements, EveryStatementSentIsTSqlBeforeAnyRewriting) {
    for (const SentStatement& s : std::as_const(*sent_)) {
        if (s.procedure)
            continue;
        EXPECT_EQ(so::sqlserverdriver::notTSql(s.text), QString()) << "not T-SQL, in: " << s.text.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, SentStatements, ::testing::Values("sqlite", "odbc", "sqlserver"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
