#include "Session.h"
#include "ServerFunctions.h"
#include "TSqlCheck.h"

#include "db/ProcedureCatalog.h"
#include "db/TSqlRewriter.h"

#include <statusobject/Db.h>

#include <QDate>
#include <QRegularExpression>

#include <cstring>
#include <limits>
#include <optional>

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

namespace so::sqlserverdriver {
namespace {

using db::tsql::Token;
using db::tsql::TokenKind;

constexpr const char* kTruncated = "String or binary data would be truncated";
constexpr const char* kNoDate = "Conversion failed when converting date and/or time from character string.";
constexpr const char* kDateOutOfRange =
    "The conversion of a nvarchar data type to a datetime data type resulted in an out-of-range value.";
constexpr const char* kGuardPrefix = "so_guard_";

QString quoted(const QString& name) { return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"'; }

QString literal(const QString& text) { return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\''; }

// An error of SQLite as SQL Server would classify it.
[[noreturn]] void throwSqlite(sqlite3* db, const QString& statement) {
    const QString message = QString::fromUtf8(sqlite3_errmsg(db));
    const int code = sqlite3_extended_errcode(db);
    const char* state = "HY000";
    int native = 50000;
    if (message.startsWith(QLatin1String(kTruncated))) {
        state = "22001";
        native = 2628;
    } else if (message == QLatin1String(kNoDate)) {
        state = "22007";
        native = 241;
    } else if (message == QLatin1String(kDateOutOfRange)) {
        state = "22008";
        native = 242;
    } else if ((code & 0xff) == SQLITE_CONSTRAINT) {
        state = "23000";
        native = code == SQLITE_CONSTRAINT_NOTNULL ? 515 : code == SQLITE_CONSTRAINT_FOREIGNKEY ? 547 : 2627;
    } else if (message.startsWith(QLatin1String("no such table"))) {
        state = "42S02";
        native = 208;
    } else if (message.startsWith(QLatin1String("no such column"))) {
        state = "42S22";
        native = 207;
    } else if (message.startsWith(QLatin1String("no such function"))) {
        state = "42000";
        native = 195;
    } else if ((code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED) {
        // What the server says when SET LOCK_TIMEOUT ran out (error 1222).
        throw ServerError("HY000", 1222,
                          QStringLiteral("Lock request time out period exceeded. (statement: %1)").arg(statement));
    } else if (message.contains(QLatin1String("syntax error"))) {
        state = "42000";
        native = 102;
    }
    throw ServerError(state, native, message + QStringLiteral(" (statement: %1)").arg(statement));
}

// The connection string's attributes: KEY=value pairs separated by ";", a value in {...} may
// hold ";". Keys are compared in upper case.
QHash<QString, QString> attributes(const QString& connectionString) {
    QHash<QString, QString> result;
    qsizetype i = 0;
    const qsizetype n = connectionString.size();
    while (i < n) {
        const qsizetype eq = connectionString.indexOf(u'=', i);
        if (eq < 0)
            break;
        const QString key = connectionString.mid(i, eq - i).trimmed().toUpper();
        qsizetype j = eq + 1;
        QString value;
        if (j < n && connectionString.at(j) == u'{') {
            const qsizetype close = connectionString.indexOf(u'}', j);
            value = connectionString.mid(j + 1, (close < 0 ? n : close) - j - 1);
            j = close < 0 ? n : close + 1;
            const qsizetype semi = connectionString.indexOf(u';', j);
            j = semi < 0 ? n : semi + 1;
        } else {
            const qsizetype semi = connectionString.indexOf(u';', j);
            value = connectionString.mid(j, (semi < 0 ? n : semi) - j).trimmed();
            j = semi < 0 ? n : semi + 1;
        }
        result.insert(key, value);
        i = j;
    }
    return result;
}

// Login languages whose dates read day-month-year (besides the plain "dmy").
bool readsDayMonthYear(const QString& language) {
    static const QStringList dmy{"dmy", "british", "deutsch", "français", "italiano", "español", "nederlands"};
    return dmy.contains(language.trimmed().toLower());
}

void datetimeFunction(sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) {
        sqlite3_result_value(context, argv[0]);
        return;
    }
    const auto* session = static_cast<const Session*>(sqlite3_user_data(context));
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])));
    try {
        const QByteArray value = toDateTime(text, session->dateOrder()).toUtf8();
        sqlite3_result_text(context, value.constData(), int(value.size()), SQLITE_TRANSIENT);
    } catch (const ServerError& e) {
        const QByteArray message = e.message.toUtf8();
        sqlite3_result_error(context, message.constData(), int(message.size()));
    }
}

void unknownFunction(sqlite3_context* context, int, sqlite3_value**) {
    const QByteArray message = QByteArray("'") + static_cast<const char*>(sqlite3_user_data(context)) +
                               "' is not a recognized built-in function name.";
    sqlite3_result_error(context, message.constData(), int(message.size()));
}

/// How SQL Server describes a column of this declared type; for an expression (no declared
/// type) the values decide.
Column describe(const QString& name, const char* declared, const QVector<QVector<Value>>& rows, int column) {
    Column c{name, SQL_WVARCHAR, 4000, 0, {}};
    const QString decl = QString::fromUtf8(declared ? declared : "").trimmed().toUpper();
    static const QRegularExpression sized(QStringLiteral("^(N?)(VAR)?CHAR\\s*\\(\\s*(\\d+)\\s*\\)"));
    if (const QRegularExpressionMatch m = sized.match(decl); m.hasMatch()) {
        const bool national = !m.captured(1).isEmpty();
        const bool varying = !m.captured(2).isEmpty();
        c.sqlType = national ? (varying ? SQL_WVARCHAR : SQL_WCHAR) : (varying ? SQL_VARCHAR : SQL_CHAR);
        c.size = m.captured(3).toULongLong();
    } else if (decl.contains(QLatin1String("DATETIME"))) {
        c = {name, SQL_TYPE_TIMESTAMP, 23, 3, {}};
    } else if (decl == QLatin1String("DATE")) {
        c = {name, SQL_TYPE_DATE, 10, 0, {}};
    } else if (decl == QLatin1String("BIT")) {
        c = {name, SQL_BIT, 1, 0, {}};
    } else if (decl == QLatin1String("TINYINT")) {
        c = {name, SQL_TINYINT, 3, 0, {}};
    } else if (decl == QLatin1String("SMALLINT")) {
        c = {name, SQL_SMALLINT, 5, 0, {}};
    } else if (decl == QLatin1String("BIGINT")) {
        c = {name, SQL_BIGINT, 19, 0, {}};
    } else if (decl.contains(QLatin1String("INT"))) {
        c = {name, SQL_INTEGER, 10, 0, {}};
    } else if (decl.contains(QLatin1String("REAL")) || decl.contains(QLatin1String("FLOA")) ||
               decl.contains(QLatin1String("DOUB"))) {
        c = {name, SQL_DOUBLE, 15, 0, {}};
    } else if (decl.isEmpty()) {
        bool text = false, real = false, wide = false, blob = false;
        qsizetype longest = 1;
        for (const QVector<Value>& row : rows) {
            const Value& v = row[column];
            text |= v.kind == Value::Kind::Text;
            blob |= v.kind == Value::Kind::Blob;
            real |= v.kind == Value::Kind::Real;
            wide |= v.kind == Value::Kind::Integer && (v.integer < INT_MIN || v.integer > INT_MAX);
            if (v.kind == Value::Kind::Text)
                longest = std::max(longest, v.text.size());
        }
        if (blob)
            c = {name, SQL_VARBINARY, 8000, 0, {}};
        else if (text)
            c = {name, SQL_WVARCHAR, quint64(longest), 0, {}};
        else if (real)
            c = {name, SQL_DOUBLE, 15, 0, {}};
        else
            c = {name, wide ? SQLSMALLINT(SQL_BIGINT) : SQLSMALLINT(SQL_INTEGER), wide ? 19u : 10u, 0, {}};
    }
    return c;
}

Value columnValue(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER: return Value::ofInteger(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT: return Value::ofReal(sqlite3_column_double(statement, column));
    case SQLITE_TEXT:
        return Value::ofText(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                                               sqlite3_column_bytes(statement, column)));
    case SQLITE_BLOB:
        return Value::ofBlob(QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, column)),
                                        sqlite3_column_bytes(statement, column)));
    default: return {};
    }
}

void bind(sqlite3_stmt* statement, int index, const Value& value) {
    switch (value.kind) {
    case Value::Kind::Null: sqlite3_bind_null(statement, index); break;
    case Value::Kind::Integer: sqlite3_bind_int64(statement, index, value.integer); break;
    case Value::Kind::Real: sqlite3_bind_double(statement, index, value.real); break;
    case Value::Kind::Text: {
        const QByteArray utf8 = value.text.toUtf8();
        sqlite3_bind_text(statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        break;
    }
    case Value::Kind::Blob:
        sqlite3_bind_blob(statement, index, value.blob.constData(), int(value.blob.size()), SQLITE_TRANSIENT);
        break;
    }
}

QString firstWord(const QString& text) {
    static const QRegularExpression word(QStringLiteral("^\\s*([A-Za-z_]+)"));
    return word.match(text).captured(1).toUpper();
}

int placeholders(const QVector<Token>& tokens, int first, int last) {
    int count = 0;
    for (int k = first; k <= last; ++k)
        count += tokens[k].kind == TokenKind::Parameter && tokens[k].len == 1;
    return count;
}

// Refuses a parameter of a long type (ntext, text, image) next to a comparison operator outside
// an UPDATE's SET list, as the server does ("The data types ntext and nvarchar are incompatible
// in the equal to operator").
void checkComparisons(const QString& s, const QVector<Token>& t, int first, int last,
                      const QVector<BoundParameter>& parameters, int offset) {
    const auto comparison = [&](int k) {
        if (k < first || k > last)
            return false;
        const QChar c = t[k].kind == TokenKind::Punct ? s.at(t[k].pos) : QChar();
        return c == u'=' || c == u'<' || c == u'>' || c == u'!' || t[k].isWord(s, QLatin1StringView("LIKE")) ||
               t[k].isWord(s, QLatin1StringView("IN"));
    };
    const auto significant = [&](int k, int step) {
        for (k += step; k >= first && k <= last && !t[k].significant(); k += step) {
        }
        return k;
    };
    bool inSetList = false;
    int index = offset;
    for (int k = first; k <= last; ++k) {
        if (t[k].kind == TokenKind::Identifier) {
            if (t[k].isWord(s, QLatin1StringView("SET")))
                inSetList = true;
            else if (t[k].isWord(s, QLatin1StringView("WHERE")) || t[k].isWord(s, QLatin1StringView("FROM")))
                inSetList = false;
        }
        if (t[k].kind != TokenKind::Parameter || t[k].len != 1)
            continue;
        int before = significant(k, -1);
        if (before >= first && t[before].isPunct(s, u'('))
            before = significant(before, -1);  // IN (?, ...
        if (index < parameters.size() && parameters[index].longType && !inSetList &&
            (comparison(before) || comparison(significant(k, 1))))
            throw ServerError("42000", 402,
                              QStringLiteral("The data types ntext and nvarchar are incompatible in a comparison "
                                             "(parameter %1 of: %2)")
                                  .arg(index + 1)
                                  .arg(s.mid(t[first].pos, t[last].pos + t[last].len - t[first].pos)));
        ++index;
    }
}

// A literal argument of an ODBC procedure call: a string, a (signed) number or NULL.
Value literalArgument(const QString& s, const QVector<Token>& t, int& k) {
    bool negative = false;
    if (t[k].isPunct(s, u'-')) {
        negative = true;
        ++k;
        while (k < t.size() && !t[k].significant())
            ++k;
    }
    if (k < t.size() && t[k].kind == TokenKind::String && !negative)
        return Value::ofText(db::tsql::stringValue(s, t[k]));
    if (k < t.size() && t[k].isWord(s, QLatin1StringView("NULL")) && !negative)
        return {};
    if (k < t.size() && t[k].kind == TokenKind::Number) {
        const QString number = (negative ? QStringLiteral("-") : QString()) + t[k].text(s).toString();
        bool ok = false;
        const qint64 whole = number.toLongLong(&ok);
        return ok ? Value::ofInteger(whole) : Value::ofReal(number.toDouble());
    }
    throw ServerError("42000", 102, QStringLiteral("Incorrect syntax in the procedure call: %1").arg(s));
}

/// An ODBC procedure call: {CALL name[(arg, ...)]}.
struct OdbcCall {
    QString name;
    QVector<Value> literals;   // the literal arguments; NULL where the argument is a "?"
    QVector<int> parameterOf;  // per argument: the bound parameter of a "?", -1 for a literal
};

/// The call in `sql` when it is written as an ODBC call escape; throws ServerError when the
/// escape is malformed or its "?" do not match the `parameters` bound.
std::optional<OdbcCall> odbcCall(const QString& sql, int parameters) {
    const QString trimmed = sql.trimmed();
    if (!trimmed.startsWith(u'{') || !trimmed.endsWith(u'}'))
        return std::nullopt;
    const QString s = trimmed.mid(1, trimmed.size() - 2);
    const QVector<Token> t = db::tsql::tokenize(s);
    const auto malformed = [&] {
        return ServerError("42000", 102, QStringLiteral("Incorrect syntax in the procedure call: %1").arg(sql));
    };
    int k = -1;
    const auto next = [&] {
        for (++k; k < t.size() && !t[k].significant(); ++k) {
        }
        return k < t.size();
    };
    if (!next() || !t[k].isWord(s, QLatin1StringView("CALL")) || !next())
        throw malformed();
    OdbcCall call;
    // A qualified name (dbo.NAME) names the procedure by its last part.
    while (k < t.size() && (t[k].kind == TokenKind::Identifier || t[k].kind == TokenKind::QuotedName)) {
        call.name = db::tsql::nameValue(s, t[k]);
        if (!next() || !t[k].isPunct(s, u'.') || !next())
            break;
    }
    if (call.name.isEmpty())
        throw malformed();
    int bound = 0;
    if (k < t.size() && t[k].isPunct(s, u'(')) {
        if (!next())
            throw malformed();
        while (!t[k].isPunct(s, u')')) {
            if (t[k].kind == TokenKind::Parameter && t[k].len == 1) {
                call.literals.append(Value());
                call.parameterOf.append(bound++);
            } else {
                call.literals.append(literalArgument(s, t, k));
                call.parameterOf.append(-1);
            }
            if (!next() || !(t[k].isPunct(s, u',') || t[k].isPunct(s, u')')))
                throw malformed();
            if (t[k].isPunct(s, u',') && !next())
                throw malformed();
        }
        next();
    }
    if (k < t.size())
        throw malformed();
    if (bound != parameters)
        throw ServerError("07002", 0, QStringLiteral("COUNT field incorrect: %1").arg(sql));
    return call;
}

}  // namespace

struct Session::Batch {
    const QVector<BoundParameter>* parameters = nullptr;
    QVector<Result> results;
    QVector<Value> outputs;
};

QString toDateTime(const QString& input, DateOrder order) {
    const QString text = input.trimmed();
    static const QRegularExpression iso(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{1,7}))?)?$"));
    static const QRegularExpression compact(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})(?:\\s+(.*))?$"));
    static const QRegularExpression separated(
        QStringLiteral("^(\\d{1,4})([-/.])(\\d{1,2})\\2(\\d{1,4})(?:\\s+(.*))?$"));
    static const QRegularExpression clock(QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{1,7}))?)?$"));
    int y = 0, m = 0, d = 0;
    QString hh, mi, ss, fraction;
    QString time;
    if (const QRegularExpressionMatch x = iso.match(text); x.hasMatch()) {
        y = x.captured(1).toInt();
        m = x.captured(2).toInt();
        d = x.captured(3).toInt();
        time = x.captured(4) + u':' + x.captured(5) + (x.hasCaptured(6) ? u':' + x.captured(6) : QString()) +
               (x.hasCaptured(7) ? u'.' + x.captured(7) : QString());
    } else if (const QRegularExpressionMatch x = compact.match(text); x.hasMatch()) {
        y = x.captured(1).toInt();
        m = x.captured(2).toInt();
        d = x.captured(3).toInt();
        time = x.captured(4);
    } else if (const QRegularExpressionMatch x = separated.match(text); x.hasMatch()) {
        const int a = x.captured(1).toInt(), b = x.captured(3).toInt(), c = x.captured(4).toInt();
        const bool dayFirst = order == DateOrder::DayMonthYear;
        if (x.captured(1).size() == 4) {
            y = a;
            m = dayFirst ? c : b;
            d = dayFirst ? b : c;
        } else {
            y = x.captured(4).size() <= 2 ? (c < 50 ? 2000 + c : 1900 + c) : c;
            m = dayFirst ? b : a;
            d = dayFirst ? a : b;
        }
        time = x.captured(5);
    } else {
        throw ServerError("22007", 241, QString::fromLatin1(kNoDate));
    }
    int h = 0, minute = 0, second = 0, ms = 0;
    if (!time.isEmpty()) {
        const QRegularExpressionMatch t = clock.match(time);
        if (!t.hasMatch())
            throw ServerError("22007", 241, QString::fromLatin1(kNoDate));
        h = t.captured(1).toInt();
        minute = t.captured(2).toInt();
        second = t.captured(3).toInt();
        ms = (t.captured(4) + QStringLiteral("000")).left(3).toInt();
    }
    if (!QDate(y, m, d).isValid() || y < 1753 || y > 9999 || h > 23 || minute > 59 || second > 59)
        throw ServerError("22008", 242, QString::fromLatin1(kDateOutOfRange));
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d.%03d", y, m, d, h, minute, second, ms);
}

Session::Session(const QString& connectionString) {
    const QHash<QString, QString> attrs = attributes(connectionString);
    const QString database = attrs.value(QStringLiteral("DATABASE"), QStringLiteral(":memory:"));
    if (readsDayMonthYear(attrs.value(QStringLiteral("LANGUAGE"))))
        dateOrder_ = DateOrder::DayMonthYear;
    caseSensitive_ =
        QStringList({"yes", "true", "1"}).contains(attrs.value(QStringLiteral("CASESENSITIVE")).trimmed().toLower());
    const QByteArray path = (database.isEmpty() ? QStringLiteral(":memory:") : database).toUtf8();
    if (sqlite3_open_v2(path.constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        const QString message = QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : "out of memory");
        sqlite3_close(db_);
        db_ = nullptr;
        throw ServerError("08001", 4060, QStringLiteral("Cannot open database \"%1\": %2").arg(database, message));
    }
    sqlite3_busy_timeout(db_, 5000);
    sqlite3_create_function_v2(db_, "so_datetime", 1, SQLITE_UTF8, this, datetimeFunction, nullptr, nullptr, nullptr);
    // The server has no SQLite functions; a probe for them fails as on the server.
    for (const char* name : {"sqlite_version", "sqlite_source_id"})
        sqlite3_create_function_v2(db_, name, 0, SQLITE_UTF8, const_cast<char*>(name), unknownFunction, nullptr,
                                   nullptr, nullptr);
    installServerFunctions(db_);
    exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    installGuards();
}

Session::~Session() { sqlite3_close_v2(db_); }

void Session::exec(const QString& sql) {
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throwSqlite(db_, sql);
}

// Length and date rules as temporary triggers of this connection (the database file is not
// changed): a string longer than its column's declared length is refused; text stored into a
// DATETIME column is read in the session's date order and kept as ISO 8601. Learns the spellings
// of the table and column names on the way.
void Session::installGuards() {
    names_.clear();
    const auto learn = [&](const QString& name) {
        QStringList& spellings = names_[name.toLower()];
        if (!spellings.contains(name))
            spellings << name;
    };
    QStringList statements;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(
        db_, "SELECT name FROM sqlite_temp_master WHERE type = 'trigger' AND name LIKE 'so\\_guard\\_%' ESCAPE '\\'",
        -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        statements << QStringLiteral("DROP TRIGGER temp.%1")
                          .arg(quoted(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)))));
    sqlite3_finalize(st);

    QStringList tables;
    sqlite3_prepare_v2(
        db_, "SELECT name FROM main.sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'", -1,
        &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        tables << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);

    static const QRegularExpression sized(QStringLiteral("^N?(VAR)?CHAR\\s*\\(\\s*(\\d+)\\s*\\)"),
                                          QRegularExpression::CaseInsensitiveOption);
    int serial = 0;
    for (const QString& table : tables) {
        learn(table);
        const QByteArray info = QStringLiteral("PRAGMA main.table_xinfo(%1)").arg(quoted(table)).toUtf8();
        sqlite3_prepare_v2(db_, info.constData(), -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            const QString column = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
            learn(column);
            if (sqlite3_column_int(st, 6) != 0)
                continue;  // a generated column is never written
            const QString type = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 2))).trimmed();
            const QString on = QStringLiteral(" ON %1 ").arg(quoted(table));
            const QString name = QLatin1String(kGuardPrefix) + QString::number(++serial);
            if (const QRegularExpressionMatch m = sized.match(type); m.hasMatch()) {
                const QString body = QStringLiteral("WHEN length(NEW.%1) > %2 BEGIN SELECT RAISE(ABORT, %3); END")
                                         .arg(quoted(column), m.captured(2),
                                              literal(QStringLiteral("%1 in table '%2', column '%3'.")
                                                          .arg(QLatin1String(kTruncated), table, column)));
                statements << QStringLiteral("CREATE TEMP TRIGGER %1i BEFORE INSERT%2%3").arg(name, on, body)
                           << QStringLiteral("CREATE TEMP TRIGGER %1u BEFORE UPDATE OF %2%3%4")
                                  .arg(name, quoted(column), on, body);
            } else if (type.compare(QLatin1String("DATETIME"), Qt::CaseInsensitive) == 0) {
                const QString body = QStringLiteral(
                                         "WHEN NEW.%1 IS NOT NULL BEGIN UPDATE %2 SET %1 = so_datetime(NEW.%1) "
                                         "WHERE rowid = NEW.rowid; END")
                                         .arg(quoted(column), quoted(table));
                statements << QStringLiteral("CREATE TEMP TRIGGER %1i AFTER INSERT%2%3").arg(name, on, body)
                           << QStringLiteral("CREATE TEMP TRIGGER %1u AFTER UPDATE OF %2%3%4")
                                  .arg(name, quoted(column), on, body);
            }
        }
        sqlite3_finalize(st);
    }
    for (const QString& statement : statements)
        exec(statement);
}

// Under a case-sensitive collation a name in another letter case names nothing.
void Session::checkLetterCase(const QString& sql, const QVector<Token>& t, int first, int last) const {
    for (int k = first; k <= last; ++k) {
        if (t[k].kind != TokenKind::Identifier && t[k].kind != TokenKind::QuotedName)
            continue;
        int before = k - 1;
        while (before >= first && !t[before].significant())
            --before;
        if (before >= first && t[before].isWord(sql, QLatin1StringView("AS")))
            continue;  // an alias being defined
        const QString name = db::tsql::nameValue(sql, t[k]);
        const auto it = names_.constFind(name.toLower());
        if (it != names_.constEnd() && !it->contains(name))
            throw ServerError("42S22", 207,
                              QStringLiteral("Invalid object or column name '%1' (the names compare case-sensitively; "
                                             "the schema spells it %2)")
                                  .arg(name, it->join(QStringLiteral(" or "))));
    }
}

QStringList Session::tableNames(const QString& pattern, bool views) {
    sqlite3_stmt* st = nullptr;
    const char* sql =
        views ? "SELECT name, type FROM main.sqlite_master WHERE type IN ('table', 'view') AND name NOT LIKE "
                "'sqlite\\_%' ESCAPE '\\' AND name LIKE ?1 ESCAPE '\\' ORDER BY name"
              : "SELECT name, type FROM main.sqlite_master WHERE type = 'table' AND name NOT LIKE "
                "'sqlite\\_%' ESCAPE '\\' AND name LIKE ?1 ESCAPE '\\' ORDER BY name";
    if (sqlite3_prepare_v2(db_, sql, -1, &st, nullptr) != SQLITE_OK)
        throwSqlite(db_, QString::fromUtf8(sql));
    bind(st, 1, Value::ofText(pattern.isEmpty() ? QStringLiteral("%") : pattern));
    QStringList names;
    while (sqlite3_step(st) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) + u'\t' +
                     QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
    sqlite3_finalize(st);
    return names;
}

Result Session::tables(const QString& tablePattern) {
    Result result;
    for (const char* name : {"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "TABLE_TYPE", "REMARKS"})
        result.columns.append({QString::fromLatin1(name), SQL_WVARCHAR, 128, 0, {}});
    for (const QString& entry : tableNames(tablePattern, true)) {
        const QStringList parts = entry.split(u'\t');
        result.rows.append(
            {Value::ofText(QStringLiteral("site")), Value::ofText(QStringLiteral("dbo")), Value::ofText(parts[0]),
             Value::ofText(parts[1] == QLatin1String("view") ? QStringLiteral("VIEW") : QStringLiteral("TABLE")),
             Value()});
    }
    return result;
}

Result Session::columns(const QString& tablePattern, const QString& columnPattern) {
    Result result;
    const char* names[] = {
        "TABLE_CAT",   "TABLE_SCHEM",   "TABLE_NAME",       "COLUMN_NAME",       "DATA_TYPE",        "TYPE_NAME",
        "COLUMN_SIZE", "BUFFER_LENGTH", "DECIMAL_DIGITS",   "NUM_PREC_RADIX",    "NULLABLE",         "REMARKS",
        "COLUMN_DEF",  "SQL_DATA_TYPE", "SQL_DATETIME_SUB", "CHAR_OCTET_LENGTH", "ORDINAL_POSITION", "IS_NULLABLE"};
    for (const char* name : names) {
        const bool number = std::strcmp(name, "DATA_TYPE") == 0 || std::strcmp(name, "NULLABLE") == 0 ||
                            std::strcmp(name, "SQL_DATA_TYPE") == 0 || std::strcmp(name, "SQL_DATETIME_SUB") == 0 ||
                            std::strcmp(name, "NUM_PREC_RADIX") == 0 || std::strcmp(name, "DECIMAL_DIGITS") == 0;
        result.columns.append({QString::fromLatin1(name),
                               number ? SQLSMALLINT(SQL_SMALLINT) : SQLSMALLINT(SQL_WVARCHAR),
                               number ? 5u : 128u,
                               0,
                               {}});
    }
    for (const QString& entry : tableNames(tablePattern, false)) {
        const QString table = entry.section(u'\t', 0, 0);
        sqlite3_stmt* st = nullptr;
        const QByteArray info = QStringLiteral(
                                    "SELECT name, type, \"notnull\", dflt_value, cid FROM pragma_table_xinfo(?1) "
                                    "WHERE hidden = 0 AND name LIKE ?2 ESCAPE '\\'")
                                    .toUtf8();
        if (sqlite3_prepare_v2(db_, info.constData(), -1, &st, nullptr) != SQLITE_OK)
            throwSqlite(db_, QString::fromUtf8(info));
        bind(st, 1, Value::ofText(table));
        bind(st, 2, Value::ofText(columnPattern.isEmpty() ? QStringLiteral("%") : columnPattern));
        while (sqlite3_step(st) == SQLITE_ROW) {
            const Column c = describe(QString(), reinterpret_cast<const char*>(sqlite3_column_text(st, 1)), {}, 0);
            const bool nullable = sqlite3_column_int(st, 2) == 0;
            result.rows.append({Value::ofText(QStringLiteral("site")), Value::ofText(QStringLiteral("dbo")),
                                Value::ofText(table), columnValue(st, 0), Value::ofInteger(c.sqlType),
                                columnValue(st, 1), Value::ofInteger(qint64(c.size)), Value::ofInteger(qint64(c.size)),
                                Value::ofInteger(c.digits), Value::ofInteger(10), Value::ofInteger(nullable ? 1 : 0),
                                Value(), columnValue(st, 3), Value::ofInteger(c.sqlType), Value(), Value(),
                                Value::ofInteger(sqlite3_column_int(st, 4) + 1),
                                Value::ofText(nullable ? QStringLiteral("YES") : QStringLiteral("NO"))});
        }
        sqlite3_finalize(st);
    }
    return result;
}

void Session::setAutocommit(bool on) {
    if (on && !autocommit_ && !sqlite3_get_autocommit(db_))
        exec(QStringLiteral("COMMIT"));
    autocommit_ = on;
}

void Session::endTransaction(bool commit) {
    if (!sqlite3_get_autocommit(db_))
        exec(commit ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"));
}

void Session::beginIfNeeded() {
    if (!autocommit_ && sqlite3_get_autocommit(db_))
        exec(QStringLiteral("BEGIN"));
}

// SET NOCOUNT ON|OFF, SET DATEFORMAT dmy|mdy|ymd, SET QUOTED_IDENTIFIER ON (how SQLite reads
// "names" anyway) and SET LOCK_TIMEOUT milliseconds (-1: as long as it takes); false for any other
// statement.
bool Session::applySet(const QString& text, bool* nocount) {
    static const QRegularExpression set(
        QStringLiteral("^\\s*SET\\s+(NOCOUNT|DATEFORMAT|QUOTED_IDENTIFIER|LOCK_TIMEOUT)\\s+(-?\\w+)\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = set.match(text);
    if (!m.hasMatch())
        return false;
    const QString option = m.captured(1).toUpper();
    const QString value = m.captured(2).toLower();
    const bool onOff = value == QLatin1String("on") || value == QLatin1String("off");
    bool isNumber = false;
    const int milliseconds = value.toInt(&isNumber);
    if (option == QLatin1String("LOCK_TIMEOUT") && isNumber && milliseconds >= -1)
        sqlite3_busy_timeout(db_, milliseconds < 0 ? std::numeric_limits<int>::max() : milliseconds);
    else if (option == QLatin1String("NOCOUNT") && onOff)
        *nocount = value == QLatin1String("on");
    else if (option == QLatin1String("QUOTED_IDENTIFIER") && value == QLatin1String("on"))
        return true;
    else if (option == QLatin1String("DATEFORMAT") &&
             (value == QLatin1String("dmy") || value == QLatin1String("mdy") || value == QLatin1String("ymd")))
        dateOrder_ = value == QLatin1String("dmy") ? DateOrder::DayMonthYear : DateOrder::MonthDayYear;
    else
        throw ServerError("42000", 102, QStringLiteral("SET %1 %2 is not supported").arg(m.captured(1), m.captured(2)));
    return true;
}

Execution Session::execute(const QString& sql, const QVector<BoundParameter>& parameters) {
    beginIfNeeded();
    Batch batch;
    batch.parameters = &parameters;
    batch.outputs.resize(parameters.size());
    QVector<Value> inputs;
    for (const BoundParameter& p : parameters)
        inputs.append(p.value);
    try {
        const QVector<Token> tokens = db::tsql::tokenize(sql);
        // What a server would not parse is refused before the text is rewritten for SQLite.
        if (const QString foreign = notTSql(sql); !foreign.isEmpty())
            throw ServerError("42000", 102,
                              QStringLiteral("Incorrect syntax near '%1' (not T-SQL) in: %2").arg(foreign, sql));
        if (const std::optional<OdbcCall> call = odbcCall(sql, int(inputs.size()))) {
            QVector<Value> arguments = call->literals;
            for (int i = 0; i < arguments.size(); ++i)
                if (call->parameterOf[i] >= 0)
                    arguments[i] = inputs[call->parameterOf[i]];
            runProcedure(call->name, arguments, call->parameterOf, batch);
            return {batch.results, batch.outputs};
        }

        const QVector<QPair<int, int>> ranges = db::tsql::statementRanges(sql, tokens);
        if (ranges.isEmpty())
            throw ServerError("42000", 102, QStringLiteral("The statement is empty"));
        int offset = 0;
        for (const auto& [first, last] : ranges) {
            const QString text = sql.mid(tokens[first].pos, tokens[last].pos + tokens[last].len - tokens[first].pos);
            const int count = placeholders(tokens, first, last);
            if (offset + count > inputs.size())
                throw ServerError("07002", 0, QStringLiteral("COUNT field incorrect: %1").arg(sql));
            checkComparisons(sql, tokens, first, last, parameters, offset);
            if (caseSensitive_)
                checkLetterCase(sql, tokens, first, last);
            const QVector<Value> values = inputs.mid(offset, count);
            offset += count;
            if (applySet(text, &nocount_))
                continue;
            const db::tsql::Translation translation = db::tsql::translate(serverForms(text));
            if (translation.call) {
                QVector<Value> arguments;
                for (const QVariant& v : translation.call->arguments) {
                    if (v.isNull())
                        arguments.append(Value());
                    else if (v.typeId() == QMetaType::LongLong)
                        arguments.append(Value::ofInteger(v.toLongLong()));
                    else if (v.typeId() == QMetaType::Double)
                        arguments.append(Value::ofReal(v.toDouble()));
                    else
                        arguments.append(Value::ofText(v.toString()));
                }
                runProcedure(translation.call->name, arguments, QVector<int>(arguments.size(), -1), batch);
                continue;
            }
            int used = 0;
            for (const db::tsql::SqlStatement& statement : translation.statements) {
                runStatement(statement.text, values.mid(used, statement.placeholders), batch, nocount_, nullptr,
                             nullptr);
                used += statement.placeholders;
            }
            const QString word = firstWord(text);
            if ((word == QLatin1String("CREATE") || word == QLatin1String("ALTER") || word == QLatin1String("DROP")) &&
                text.contains(QLatin1String("TABLE"), Qt::CaseInsensitive))
                installGuards();
        }
        if (offset != inputs.size())
            throw ServerError("07002", 0, QStringLiteral("COUNT field incorrect: %1").arg(sql));
    } catch (const db::DbError& e) {
        throw ServerError("42000", 102, e.message() + QStringLiteral(" (statement: %1)").arg(sql));
    }
    return {batch.results, batch.outputs};
}

void Session::runProcedure(const QString& name, QVector<Value> arguments, const QVector<int>& parameterOf,
                           Batch& batch) {
    sqlite3_stmt* st = nullptr;
    const QString notFound = QStringLiteral("Could not find stored procedure '%1'.").arg(name);
    if (sqlite3_prepare_v2(db_, "SELECT name, params, body FROM sys_procedures WHERE name = ?", -1, &st, nullptr) !=
        SQLITE_OK)
        throw ServerError("42000", 2812, notFound);
    bind(st, 1, Value::ofText(name));
    const auto text = [&](int column) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, column)));
    };
    if (sqlite3_step(st) != SQLITE_ROW || (caseSensitive_ && text(0) != name)) {
        sqlite3_finalize(st);
        throw ServerError("42000", 2812, notFound);
    }
    db::Procedure procedure;
    try {
        procedure = db::parseProcedure(text(0), text(1), text(2));
    } catch (const db::DbError& e) {
        sqlite3_finalize(st);
        throw ServerError("42000", 102, e.message());
    }
    sqlite3_finalize(st);

    if (arguments.size() > procedure.parameters.size())
        throw ServerError(
            "42000", 8144,
            QStringLiteral("Procedure or function %1 has too many arguments specified.").arg(procedure.name));
    for (int i = 0; i < parameterOf.size(); ++i)
        if (parameterOf[i] >= 0 && (*batch.parameters)[parameterOf[i]].output && !procedure.parameters[i].output)
            throw ServerError(
                "42000", 8162,
                QStringLiteral("The formal parameter \"@%1\" was not declared as an OUTPUT parameter, but the "
                               "actual parameter passed in requested output.")
                    .arg(procedure.parameters[i].name));
    arguments.resize(procedure.parameters.size());
    bool nocount = nocount_;  // SET NOCOUNT in a procedure lasts until it returns
    for (const db::ProcedureStatement& statement : procedure.body) {
        if (applySet(statement.text, &nocount))
            continue;
        QVector<Value> bound;
        for (int index : statement.bindings)
            bound.append(arguments[index]);
        runStatement(statement.text, bound, batch, nocount, &procedure, &arguments);
    }
    for (int i = 0; i < parameterOf.size(); ++i)
        if (parameterOf[i] >= 0 && procedure.parameters[i].output)
            batch.outputs[parameterOf[i]] = arguments[i];
}

void Session::runStatement(const QString& text, const QVector<Value>& values, Batch& batch, bool nocount,
                           const db::Procedure* procedure, QVector<Value>* procedureValues) {
    sqlite3_stmt* st = nullptr;
    const QByteArray utf8 = text.toUtf8();
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()), &st, &tail) != SQLITE_OK)
        throwSqlite(db_, text);
    if (!st)
        return;  // nothing but a comment
    if (!QByteArray(tail).trimmed().isEmpty() && QByteArray(tail).trimmed() != ";") {
        sqlite3_finalize(st);
        throw ServerError("42000", 102, QStringLiteral("More than one statement in: %1").arg(text));
    }
    if (sqlite3_bind_parameter_count(st) != values.size()) {
        sqlite3_finalize(st);
        throw ServerError("07002", 0, QStringLiteral("COUNT field incorrect: %1").arg(text));
    }
    for (int i = 0; i < values.size(); ++i)
        bind(st, i + 1, values[i]);
    const int columns = sqlite3_column_count(st);
    Result result;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(st)) == SQLITE_ROW) {
        QVector<Value> row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row.append(columnValue(st, c));
        result.rows.append(row);
    }
    if (step != SQLITE_DONE) {
        sqlite3_finalize(st);
        throwSqlite(db_, text);
    }
    for (int c = 0; c < columns; ++c) {
        result.columns.append(
            describe(QString::fromUtf8(sqlite3_column_name(st, c)), sqlite3_column_decltype(st, c), result.rows, c));
        result.columns.back().table = QString::fromUtf8(sqlite3_column_table_name(st, c));
    }
    const bool writes = !sqlite3_stmt_readonly(st);
    const qint64 changes = sqlite3_changes64(db_);
    sqlite3_finalize(st);

    if (columns > 0) {
        // SELECT @Out = ...: every column names an output parameter of the running procedure.
        QVector<int> targets;
        for (const Column& c : result.columns) {
            const int index = procedure ? procedure->parameterIndex(c.name) : -1;
            if (index < 0 || !procedure->parameters[index].output)
                break;
            targets.append(index);
        }
        if (targets.size() == columns) {
            for (int c = 0; c < columns; ++c)
                (*procedureValues)[targets[c]] = result.rows.isEmpty() ? Value() : result.rows.first()[c];
            return;
        }
        batch.results.append(result);
        return;
    }
    const QString word = firstWord(text);
    const bool counted = word == QLatin1String("INSERT") || word == QLatin1String("UPDATE") ||
                         word == QLatin1String("DELETE") || word == QLatin1String("REPLACE") ||
                         (word == QLatin1String("WITH") && writes);
    if (counted && !nocount) {
        result.rowCount = changes;
        batch.results.append(result);
    }
}

}  // namespace so::sqlserverdriver
