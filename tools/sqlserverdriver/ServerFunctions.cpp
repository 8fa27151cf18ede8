#include "ServerFunctions.h"

#include "db/TSqlTokenizer.h"

#include <QDateTime>
#include <QHash>
#include <QTimeZone>
#include <QUuid>

#include <sqlite3.h>

#include <algorithm>
#include <vector>

namespace so::sqlserverdriver {
namespace {

QString textOf(sqlite3_value* value) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(value)), sqlite3_value_bytes(value));
}

void resultText(sqlite3_context* context, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    sqlite3_result_text(context, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
}

void resultError(sqlite3_context* context, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    sqlite3_result_error(context, bytes.constData(), int(bytes.size()));
}

bool anyNull(int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return true;
    return false;
}

const QString kStoredFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz");

QDateTime parseStored(const QString& text) {
    QString iso = text.trimmed();
    if (iso.size() > 10 && iso.at(10) == u' ')
        iso[10] = u'T';
    QDateTime value = QDateTime::fromString(iso, Qt::ISODateWithMs);
    if (!value.isValid())
        value = QDateTime(QDate::fromString(iso, Qt::ISODate), QTime(0, 0));
    value.setTimeZone(QTimeZone::utc());  // arithmetic on the written clock, as the server's datetime does
    return value;
}

void now(sqlite3_context* context, int, sqlite3_value**) {
    const bool utc = sqlite3_user_data(context) != nullptr;
    const QDateTime time = utc ? QDateTime::currentDateTimeUtc() : QDateTime::currentDateTime();
    resultText(context, time.toString(kStoredFormat));
}

void scopeIdentity(sqlite3_context* context, int, sqlite3_value**) {
    sqlite3_result_int64(context, sqlite3_last_insert_rowid(sqlite3_context_db_handle(context)));
}

void newId(sqlite3_context* context, int, sqlite3_value**) {
    resultText(context, QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
}

// CHARINDEX(sought, text [, start]): from 1, 0 when absent; letter case ignored, as under the
// server's default collation.
void charIndex(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(context);
        return;
    }
    const qsizetype from = argc > 2 ? qMax<qsizetype>(0, qsizetype(sqlite3_value_int64(argv[2])) - 1) : 0;
    sqlite3_result_int64(context, textOf(argv[1]).indexOf(textOf(argv[0]), from, Qt::CaseInsensitive) + 1);
}

void dataLength(sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        sqlite3_result_null(context);
    else if (sqlite3_value_type(argv[0]) == SQLITE_BLOB)
        sqlite3_result_int(context, sqlite3_value_bytes(argv[0]));
    else
        sqlite3_result_int64(context, textOf(argv[0]).size() * 2);
}

void concat(sqlite3_context* context, int argc, sqlite3_value** argv) {
    QString out;
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) != SQLITE_NULL)
            out += textOf(argv[i]);
    resultText(context, out);
}

void space(sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        sqlite3_result_null(context);
    else
        resultText(context, QString(std::clamp<qint64>(sqlite3_value_int64(argv[0]), 0, 8000), u' '));
}

void replicate(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv))
        sqlite3_result_null(context);
    else
        resultText(context, textOf(argv[0]).repeated(std::clamp<qint64>(sqlite3_value_int64(argv[1]), 0, 8000)));
}

void right(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv))
        sqlite3_result_null(context);
    else
        resultText(context, textOf(argv[0]).right(qMax<qint64>(0, qint64(sqlite3_value_int64(argv[1])))));
}

enum class Part { Year, Quarter, Month, DayOfYear, Day, Week, Weekday, Hour, Minute, Second, Millisecond, None };

Part partOf(const QString& name) {
    static const QHash<QString, Part> parts = {{"year", Part::Year},
                                               {"yy", Part::Year},
                                               {"yyyy", Part::Year},
                                               {"quarter", Part::Quarter},
                                               {"qq", Part::Quarter},
                                               {"q", Part::Quarter},
                                               {"month", Part::Month},
                                               {"mm", Part::Month},
                                               {"m", Part::Month},
                                               {"dayofyear", Part::DayOfYear},
                                               {"dy", Part::DayOfYear},
                                               {"y", Part::DayOfYear},
                                               {"day", Part::Day},
                                               {"dd", Part::Day},
                                               {"d", Part::Day},
                                               {"week", Part::Week},
                                               {"wk", Part::Week},
                                               {"ww", Part::Week},
                                               {"weekday", Part::Weekday},
                                               {"dw", Part::Weekday},
                                               {"hour", Part::Hour},
                                               {"hh", Part::Hour},
                                               {"minute", Part::Minute},
                                               {"mi", Part::Minute},
                                               {"n", Part::Minute},
                                               {"second", Part::Second},
                                               {"ss", Part::Second},
                                               {"s", Part::Second},
                                               {"millisecond", Part::Millisecond},
                                               {"ms", Part::Millisecond}};
    return parts.value(name.trimmed().toLower(), Part::None);
}

/// The part, or an error on the context (and None) when the name is none.
Part partArgument(sqlite3_context* context, sqlite3_value* value) {
    const Part part = partOf(textOf(value));
    if (part == Part::None)
        resultError(context, QStringLiteral("'%1' is not a recognized datepart option.").arg(textOf(value)));
    return part;
}

void dateAdd(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(context);
        return;
    }
    const Part part = partArgument(context, argv[0]);
    const qint64 n = sqlite3_value_int64(argv[1]);
    const QDateTime d = parseStored(textOf(argv[2]));
    if (part == Part::None)
        return;
    if (!d.isValid()) {
        resultError(context,
                    QStringLiteral("Conversion failed when converting date and/or time from character string."));
        return;
    }
    QDateTime out;
    switch (part) {
    case Part::Year: out = d.addYears(int(n)); break;
    case Part::Quarter: out = d.addMonths(int(3 * n)); break;
    case Part::Month: out = d.addMonths(int(n)); break;
    case Part::DayOfYear:
    case Part::Day:
    case Part::Weekday: out = d.addDays(n); break;
    case Part::Week: out = d.addDays(7 * n); break;
    case Part::Hour: out = d.addSecs(3600 * n); break;
    case Part::Minute: out = d.addSecs(60 * n); break;
    case Part::Second: out = d.addSecs(n); break;
    case Part::Millisecond: out = d.addMSecs(n); break;
    case Part::None: return;
    }
    resultText(context, out.toString(kStoredFormat));
}

// DATEDIFF counts the boundaries of the part crossed between the two times.
void dateDiff(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(context);
        return;
    }
    const Part part = partArgument(context, argv[0]);
    const QDateTime a = parseStored(textOf(argv[1]));
    const QDateTime b = parseStored(textOf(argv[2]));
    if (part == Part::None)
        return;
    const auto floorDiv = [](qint64 x, qint64 unit) { return x >= 0 ? x / unit : -((-x + unit - 1) / unit); };
    const qint64 ms = a.msecsTo(b);
    const qint64 aMs = a.toMSecsSinceEpoch();
    const auto boundaries = [&](qint64 unit) { return floorDiv(aMs + ms, unit) - floorDiv(aMs, unit); };
    qint64 out = 0;
    switch (part) {
    case Part::Year: out = b.date().year() - a.date().year(); break;
    case Part::Quarter:
        out = 4 * (b.date().year() - a.date().year()) + (b.date().month() - 1) / 3 - (a.date().month() - 1) / 3;
        break;
    case Part::Month: out = 12 * (b.date().year() - a.date().year()) + b.date().month() - a.date().month(); break;
    case Part::DayOfYear:
    case Part::Day:
    case Part::Weekday: out = a.date().daysTo(b.date()); break;
    case Part::Week: out = floorDiv(a.date().daysTo(b.date()) + a.date().dayOfWeek() % 7, 7); break;
    case Part::Hour: out = boundaries(3600 * 1000); break;
    case Part::Minute: out = boundaries(60 * 1000); break;
    case Part::Second: out = boundaries(1000); break;
    case Part::Millisecond: out = ms; break;
    case Part::None: return;
    }
    sqlite3_result_int64(context, out);
}

qint64 partValue(Part part, const QDateTime& d) {
    switch (part) {
    case Part::Year: return d.date().year();
    case Part::Quarter: return (d.date().month() - 1) / 3 + 1;
    case Part::Month: return d.date().month();
    case Part::DayOfYear: return d.date().dayOfYear();
    case Part::Day: return d.date().day();
    case Part::Week: return d.date().weekNumber();
    case Part::Weekday: return d.date().dayOfWeek() % 7 + 1;  // Sunday is 1 (DATEFIRST 7)
    case Part::Hour: return d.time().hour();
    case Part::Minute: return d.time().minute();
    case Part::Second: return d.time().second();
    case Part::Millisecond: return d.time().msec();
    case Part::None: break;
    }
    return 0;
}

void datePart(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(context);
        return;
    }
    const Part part = partArgument(context, argv[0]);
    if (part != Part::None)
        sqlite3_result_int64(context, partValue(part, parseStored(textOf(argv[1]))));
}

// YEAR(d), MONTH(d), DAY(d): the part is the function's own.
void namedPart(sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        sqlite3_result_null(context);
    else
        sqlite3_result_int64(
            context, partValue(*static_cast<const Part*>(sqlite3_user_data(context)), parseStored(textOf(argv[0]))));
}

// STRING_AGG(value, separator): the values that are not NULL, joined.
struct Joined {
    QString* text;
};

void stringAggStep(sqlite3_context* context, int, sqlite3_value** argv) {
    auto* joined = static_cast<Joined*>(sqlite3_aggregate_context(context, sizeof(Joined)));
    if (joined == nullptr || sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    if (joined->text == nullptr)
        joined->text = new QString(textOf(argv[0]));
    else
        *joined->text += textOf(argv[1]) + textOf(argv[0]);
}

void stringAggFinal(sqlite3_context* context) {
    auto* joined = static_cast<Joined*>(sqlite3_aggregate_context(context, 0));
    if (joined == nullptr || joined->text == nullptr) {
        sqlite3_result_null(context);
        return;
    }
    resultText(context, *joined->text);
    delete joined->text;
    joined->text = nullptr;
}

void add(sqlite3* db, const char* name, int args, void (*function)(sqlite3_context*, int, sqlite3_value**),
         void* data = nullptr) {
    sqlite3_create_function_v2(db, name, args, SQLITE_UTF8, data, function, nullptr, nullptr, nullptr);
}

}  // namespace

void installServerFunctions(sqlite3* db) {
    static int utc = 1;
    static const Part year = Part::Year, month = Part::Month, day = Part::Day;
    add(db, "GETDATE", 0, now);
    add(db, "SYSDATETIME", 0, now);
    add(db, "GETUTCDATE", 0, now, &utc);
    add(db, "SYSUTCDATETIME", 0, now, &utc);
    add(db, "SCOPE_IDENTITY", 0, scopeIdentity);
    add(db, "NEWID", 0, newId);
    add(db, "CHARINDEX", 2, charIndex);
    add(db, "CHARINDEX", 3, charIndex);
    add(db, "DATALENGTH", 1, dataLength);
    add(db, "CONCAT", -1, concat);
    add(db, "SPACE", 1, space);
    add(db, "REPLICATE", 2, replicate);
    add(db, "so_right", 2, right);
    add(db, "DATEADD", 3, dateAdd);
    add(db, "DATEDIFF", 3, dateDiff);
    add(db, "DATEPART", 2, datePart);
    add(db, "YEAR", 1, namedPart, const_cast<Part*>(&year));
    add(db, "MONTH", 1, namedPart, const_cast<Part*>(&month));
    add(db, "DAY", 1, namedPart, const_cast<Part*>(&day));
    sqlite3_create_function_v2(db, "STRING_AGG", 2, SQLITE_UTF8, nullptr, nullptr, stringAggStep, stringAggFinal,
                               nullptr);
}

QString serverForms(const QString& sql) {
    using db::tsql::Token;
    using db::tsql::TokenKind;
    const QVector<Token> tokens = db::tsql::tokenize(sql);
    std::vector<int> t;  // significant tokens' indexes
    for (int i = 0; i < tokens.size(); ++i)
        if (tokens[i].significant())
            t.push_back(i);
    const auto tok = [&](std::size_t i) -> const Token* { return i < t.size() ? &tokens[t[i]] : nullptr; };
    const auto is = [&](std::size_t i, const char* word) {
        const Token* token = tok(i);
        return token != nullptr && token->isWord(sql, QLatin1StringView(word));
    };
    const auto text = [&](std::size_t i) { return tok(i)->text(sql).toString(); };

    QString out;
    qsizetype copied = 0;
    // Replaces the source from significant token `first` to `last` with `with`.
    const auto replace = [&](std::size_t first, std::size_t last, const QString& with) {
        out += QStringView(sql).mid(copied, tok(first)->pos - copied);
        out += with;
        copied = tok(last)->pos + tok(last)->len;
    };
    for (std::size_t i = 0; i < t.size(); ++i) {
        const Token* token = tok(i);
        const Token* next = tok(i + 1);
        if (token->isPunct(sql, u'@') && next != nullptr && next->kind == TokenKind::Parameter &&
            next->pos == token->pos + 1) {
            const QString name = next->text(sql).mid(1).toString().toUpper();
            if (name == QLatin1String("ROWCOUNT"))
                replace(i, i + 1, QStringLiteral("changes()"));
            else if (name == QLatin1String("IDENTITY"))
                replace(i, i + 1, QStringLiteral("last_insert_rowid()"));
            ++i;
        } else if (is(i, "OFFSET") && tok(i + 1) != nullptr && (is(i + 2, "ROWS") || is(i + 2, "ROW"))) {
            const QString skip = text(i + 1);
            if (is(i + 3, "FETCH") && (is(i + 4, "NEXT") || is(i + 4, "FIRST")) && tok(i + 5) != nullptr &&
                (is(i + 6, "ROWS") || is(i + 6, "ROW")) && is(i + 7, "ONLY")) {
                // SQLite's "LIMIT skip, count" keeps the placeholders in the order the text binds them.
                replace(i, i + 7, QStringLiteral("LIMIT %1, %2").arg(skip, text(i + 5)));
                i += 7;
            } else {
                replace(i, i + 2, QStringLiteral("LIMIT %1, -1").arg(skip));
                i += 2;
            }
        } else if (is(i, "RIGHT") && next != nullptr && next->isPunct(sql, u'(')) {
            replace(i, i, QStringLiteral("so_right"));  // RIGHT is a join's word to SQLite
        } else if ((is(i, "DATEADD") || is(i, "DATEDIFF") || is(i, "DATEPART")) && next != nullptr &&
                   next->isPunct(sql, u'(') && tok(i + 2) != nullptr && tok(i + 2)->kind == TokenKind::Identifier) {
            replace(i + 2, i + 2, QLatin1Char('\'') + text(i + 2) + QLatin1Char('\''));
            i += 2;
        }
    }
    return copied == 0 ? sql : out + sql.mid(copied);
}

}  // namespace so::sqlserverdriver
