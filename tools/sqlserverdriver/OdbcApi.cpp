// The ODBC entry points of the SQL Server-like test driver: exactly what the driver manager and
// Qt's ODBC plugin call. Handles, diagnostics, parameter and column conversions live here; the
// statements run in Session.
//
// SQL Server's result rules, as its own ODBC driver applies them:
// - a connection serves one command at a time: executing (or ending a transaction) while another
//   statement of the connection still has results pending (rows not fetched to the end, further
//   results not reached by SQLMoreResults, output parameters not yet delivered) fails with
//   "Connection is busy with results for another command";
// - output parameters reach their buffers only when SQLMoreResults returns SQL_NO_DATA (or at
//   once, when the batch gave no result at all);
// - columns are read by SQLGetData in ascending order; forward-only cursors only.
#include "Session.h"

#include <QDateTime>
#include <QList>

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <cstring>
#include <limits>
#include <map>

namespace so::sqlserverdriver {
namespace {

constexpr const char* kPrefix = "[StatusObject][SQL Server-like test driver]";

struct Diag {
    QString state;
    int native;
    QString message;
};

struct Handle {
    explicit Handle(SQLSMALLINT t) : type(t) {}
    SQLSMALLINT type;
    QList<Diag> diags;
    void clear() { diags.clear(); }
    SQLRETURN fail(const char* state, const QString& message, int native = 0) {
        diags.append({QString::fromLatin1(state), native, QString::fromLatin1(kPrefix) + message});
        return SQL_ERROR;
    }
    SQLRETURN warn(const char* state, const QString& message) {
        diags.append({QString::fromLatin1(state), 0, QString::fromLatin1(kPrefix) + message});
        return SQL_SUCCESS_WITH_INFO;
    }
};

struct Stmt;

struct Env : Handle {
    Env() : Handle(SQL_HANDLE_ENV) {}
};

struct Dbc : Handle {
    explicit Dbc(Env* e) : Handle(SQL_HANDLE_DBC), env(e) {}
    ~Dbc();
    Env* env;
    std::unique_ptr<Session> session;
    bool autocommit = true;
    QList<Stmt*> statements;
    bool busyFor(const Stmt* asking) const;
};

struct Param {
    SQLSMALLINT io = SQL_PARAM_INPUT;
    SQLSMALLINT cType = SQL_C_DEFAULT;
    SQLSMALLINT sqlType = 0;
    SQLPOINTER buffer = nullptr;
    SQLLEN bufferLength = 0;
    SQLLEN* indicator = nullptr;
};

struct Stmt : Handle {
    explicit Stmt(Dbc* d) : Handle(SQL_HANDLE_STMT), dbc(d) {}
    Dbc* dbc;
    QString prepared;
    bool isPrepared = false;
    std::map<int, Param> params;  // by parameter number (1-based)

    QVector<Result> results;
    int current = -1;  // index into results; -1: no results
    int row = -1;      // current row of a row set; -1 before the first
    bool fetchedToEnd = false;
    QVector<Value> outputs;
    bool outputsPending = false;
    // SQLGetData of the current row: the column read last and how far (characters or bytes).
    int dataColumn = 0;
    qint64 dataOffset = 0;
    bool dataDone = false;

    bool hasResults() const { return current >= 0; }
    const Result* result() const { return current >= 0 ? &results[current] : nullptr; }
    /// True while the server would still be sending this statement's results.
    bool pending() const {
        if (current < 0)
            return outputsPending;
        return current + 1 < results.size() || (results[current].isRowSet() && !fetchedToEnd) || outputsPending;
    }
    void discard() {
        results.clear();
        current = -1;
        row = -1;
        fetchedToEnd = false;
        outputs.clear();
        outputsPending = false;
    }
};

Dbc::~Dbc() {
    qDeleteAll(statements);  // those the caller did not free
}

bool Dbc::busyFor(const Stmt* asking) const {
    for (const Stmt* s : statements)
        if (s != asking && s->pending())
            return true;
    return false;
}

const QString kBusy = QStringLiteral("Connection is busy with results for another command");

// --- text in and out ------------------------------------------------------------------------

QString wideText(const SQLWCHAR* text, SQLINTEGER length) {
    if (!text)
        return {};
    // A counted text ends at its first NUL too (some callers count the terminator).
    SQLINTEGER n = 0;
    while ((length == SQL_NTS || n < length) && text[n])
        ++n;
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), n);
}

/// Writes `text` as UTF-16 into a buffer of `bufferBytes`; the full length in bytes goes to
/// `lengthBytes`. Returns whether it was cut.
bool putWide(const QString& text, SQLPOINTER buffer, SQLLEN bufferBytes, SQLLEN* lengthBytes) {
    if (lengthBytes)
        *lengthBytes = SQLLEN(text.size() * 2);
    if (!buffer || bufferBytes < 2)
        return !text.isEmpty() || !buffer;
    const qsizetype room = qsizetype(bufferBytes / 2) - 1;
    const qsizetype n = std::min(room, text.size());
    std::memcpy(buffer, text.utf16(), size_t(n) * 2);
    static_cast<SQLWCHAR*>(buffer)[n] = 0;
    return n < text.size();
}

/// The same for a length counted in characters (SQLDescribeColW, SQLGetDiagRecW).
bool putWideChars(const QString& text, SQLWCHAR* buffer, SQLSMALLINT bufferChars, SQLSMALLINT* lengthChars) {
    SQLLEN bytes = 0;
    const bool cut = putWide(text, buffer, SQLLEN(bufferChars) * 2, &bytes);
    if (lengthChars)
        *lengthChars = SQLSMALLINT(bytes / 2);
    return cut;
}

// --- values in and out ----------------------------------------------------------------------

struct Conversion : std::runtime_error {
    Conversion(const char* s, const QString& m) : std::runtime_error(m.toStdString()), state(s), message(m) {}
    const char* state;
    QString message;
};

/// The value of an input parameter from its buffer.
Value inputValue(const Param& p) {
    const SQLLEN length = p.indicator ? *p.indicator : SQL_NTS;
    if (length == SQL_NULL_DATA)
        return {};
    const void* b = p.buffer;
    if (!b)
        throw Conversion("HY009", QStringLiteral("A parameter has no buffer"));
    switch (p.cType) {
    case SQL_C_WCHAR:
        return Value::ofText(
            wideText(static_cast<const SQLWCHAR*>(b), length == SQL_NTS ? SQL_NTS : SQLINTEGER(length / 2)));
    case SQL_C_CHAR:
        return Value::ofText(QString::fromUtf8(static_cast<const char*>(b), length == SQL_NTS ? -1 : length));
    case SQL_C_BINARY: return Value::ofBlob(QByteArray(static_cast<const char*>(b), length));
    case SQL_C_SLONG:
    case SQL_C_LONG: return Value::ofInteger(*static_cast<const SQLINTEGER*>(b));
    case SQL_C_ULONG: return Value::ofInteger(*static_cast<const SQLUINTEGER*>(b));
    case SQL_C_SSHORT:
    case SQL_C_SHORT: return Value::ofInteger(*static_cast<const SQLSMALLINT*>(b));
    case SQL_C_USHORT: return Value::ofInteger(*static_cast<const SQLUSMALLINT*>(b));
    case SQL_C_STINYINT:
    case SQL_C_TINYINT: return Value::ofInteger(*static_cast<const SQLSCHAR*>(b));
    case SQL_C_UTINYINT:
    case SQL_C_BIT: return Value::ofInteger(*static_cast<const SQLCHAR*>(b));
    case SQL_C_SBIGINT: return Value::ofInteger(*static_cast<const SQLBIGINT*>(b));
    case SQL_C_UBIGINT: return Value::ofInteger(qint64(*static_cast<const SQLUBIGINT*>(b)));
    case SQL_C_DOUBLE: return Value::ofReal(*static_cast<const SQLDOUBLE*>(b));
    case SQL_C_FLOAT: return Value::ofReal(*static_cast<const SQLREAL*>(b));
    case SQL_C_TYPE_TIMESTAMP:
    case SQL_C_TIMESTAMP: {
        // A typed date travels as ISO 8601, which reads the same under every date order.
        const auto* t = static_cast<const SQL_TIMESTAMP_STRUCT*>(b);
        return Value::ofText(QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d.%03u", t->year, t->month, t->day, t->hour,
                                               t->minute, t->second, unsigned(t->fraction / 1000000)));
    }
    case SQL_C_TYPE_DATE:
    case SQL_C_DATE: {
        const auto* d = static_cast<const SQL_DATE_STRUCT*>(b);
        return Value::ofText(QString::asprintf("%04d-%02d-%02dT00:00:00.000", d->year, d->month, d->day));
    }
    case SQL_C_TYPE_TIME:
    case SQL_C_TIME: {
        const auto* t = static_cast<const SQL_TIME_STRUCT*>(b);
        return Value::ofText(QString::asprintf("%02d:%02d:%02d", t->hour, t->minute, t->second));
    }
    default: throw Conversion("HY003", QStringLiteral("Program type %1 is not supported").arg(p.cType));
    }
}

struct Stamp {
    int year, month, day, hour, minute, second, ms;
};

Stamp stampOf(const Value& v) {
    if (v.kind != Value::Kind::Text)
        throw Conversion("22018", QStringLiteral("Invalid character value for the conversion"));
    QString iso;
    try {
        iso = toDateTime(v.text, DateOrder::MonthDayYear);  // stored dates are year first
    } catch (const ServerError& e) {
        throw Conversion(e.state, e.message);
    }
    return {iso.mid(0, 4).toInt(),  iso.mid(5, 2).toInt(),  iso.mid(8, 2).toInt(), iso.mid(11, 2).toInt(),
            iso.mid(14, 2).toInt(), iso.mid(17, 2).toInt(), iso.mid(20, 3).toInt()};
}

QString textOf(const Value& v, const Column* column) {
    switch (v.kind) {
    case Value::Kind::Integer: return QString::number(v.integer);
    case Value::Kind::Real: return QString::number(v.real, 'g', 15);
    case Value::Kind::Blob: return QString::fromLatin1(v.blob.toHex().toUpper());
    case Value::Kind::Text:
        if (column && column->sqlType == SQL_TYPE_TIMESTAMP) {
            const Stamp s = stampOf(v);
            return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d.%03d", s.year, s.month, s.day, s.hour, s.minute,
                                     s.second, s.ms);
        }
        return v.text;
    case Value::Kind::Null: break;
    }
    return {};
}

qint64 integerOf(const Value& v, qint64 low, qint64 high) {
    qint64 n = 0;
    if (v.kind == Value::Kind::Integer) {
        n = v.integer;
    } else if (v.kind == Value::Kind::Real) {
        if (v.real < double(low) || v.real > double(high))
            throw Conversion("22003", QStringLiteral("Numeric value out of range"));
        n = qint64(v.real);
    } else {
        bool ok = false;
        n = textOf(v, nullptr).trimmed().toLongLong(&ok);
        if (!ok)
            throw Conversion("22018", QStringLiteral("Invalid character value for the conversion"));
    }
    if (n < low || n > high)
        throw Conversion("22003", QStringLiteral("Numeric value out of range"));
    return n;
}

double realOf(const Value& v) {
    if (v.kind == Value::Kind::Integer)
        return double(v.integer);
    if (v.kind == Value::Kind::Real)
        return v.real;
    bool ok = false;
    const double d = textOf(v, nullptr).trimmed().toDouble(&ok);
    if (!ok)
        throw Conversion("22018", QStringLiteral("Invalid character value for the conversion"));
    return d;
}

SQLSMALLINT defaultCType(SQLSMALLINT sqlType) {
    switch (sqlType) {
    case SQL_INTEGER: return SQL_C_SLONG;
    case SQL_SMALLINT: return SQL_C_SSHORT;
    case SQL_TINYINT: return SQL_C_UTINYINT;
    case SQL_BIGINT: return SQL_C_SBIGINT;
    case SQL_BIT: return SQL_C_BIT;
    case SQL_DOUBLE: return SQL_C_DOUBLE;
    case SQL_TYPE_TIMESTAMP: return SQL_C_TYPE_TIMESTAMP;
    case SQL_TYPE_DATE: return SQL_C_TYPE_DATE;
    case SQL_VARBINARY: return SQL_C_BINARY;
    case SQL_CHAR:
    case SQL_VARCHAR: return SQL_C_CHAR;
    default: return SQL_C_WCHAR;
    }
}

template <typename T>
SQLRETURN putFixed(T value, SQLPOINTER buffer, SQLLEN* indicator) {
    if (buffer)
        std::memcpy(buffer, &value, sizeof(T));
    if (indicator)
        *indicator = sizeof(T);
    return SQL_SUCCESS;
}

/// Writes a value into a program buffer of type `cType`. Text and binary continue from `*offset`
/// (characters or bytes already delivered) and advance it; returns SQL_SUCCESS_WITH_INFO when
/// the buffer took only a part.
SQLRETURN putValue(const Value& v, const Column* column, SQLSMALLINT cType, SQLPOINTER buffer, SQLLEN bufferLength,
                   SQLLEN* indicator, qint64* offset) {
    if (v.isNull()) {
        if (!indicator)
            throw Conversion("22002", QStringLiteral("Indicator variable required but not supplied"));
        *indicator = SQL_NULL_DATA;
        return SQL_SUCCESS;
    }
    if (cType == SQL_C_DEFAULT)
        cType = defaultCType(column ? column->sqlType : SQL_WVARCHAR);
    switch (cType) {
    case SQL_C_WCHAR:
    case SQL_C_CHAR:
    case SQL_C_BINARY: {
        QByteArray bytes;
        int unit = 1;
        if (cType == SQL_C_WCHAR) {
            const QString text = textOf(v, column);
            bytes = QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
            unit = 2;
        } else if (cType == SQL_C_CHAR) {
            bytes = textOf(v, column).toUtf8();
        } else {
            bytes = v.kind == Value::Kind::Blob ? v.blob : textOf(v, column).toUtf8();
        }
        const qint64 from = offset ? *offset * unit : 0;
        const qint64 remaining = bytes.size() - from;
        if (indicator)
            *indicator = SQLLEN(remaining);
        const qint64 terminator = cType == SQL_C_BINARY ? 0 : unit;
        const qint64 room = std::max<qint64>(0, (bufferLength - terminator) / unit * unit);
        const qint64 n = buffer ? std::min(room, remaining) : 0;
        if (buffer && bufferLength >= terminator) {
            std::memcpy(buffer, bytes.constData() + from, size_t(n));
            std::memset(static_cast<char*>(buffer) + n, 0, size_t(terminator));
        }
        if (offset)
            *offset += n / unit;
        return n < remaining ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
    }
    case SQL_C_SLONG:
    case SQL_C_LONG:
        return putFixed(
            SQLINTEGER(integerOf(v, std::numeric_limits<SQLINTEGER>::min(), std::numeric_limits<SQLINTEGER>::max())),
            buffer, indicator);
    case SQL_C_ULONG:
        return putFixed(SQLUINTEGER(integerOf(v, 0, std::numeric_limits<SQLUINTEGER>::max())), buffer, indicator);
    case SQL_C_SSHORT:
    case SQL_C_SHORT: return putFixed(SQLSMALLINT(integerOf(v, -32768, 32767)), buffer, indicator);
    case SQL_C_USHORT: return putFixed(SQLUSMALLINT(integerOf(v, 0, 65535)), buffer, indicator);
    case SQL_C_STINYINT:
    case SQL_C_TINYINT: return putFixed(SQLSCHAR(integerOf(v, -128, 127)), buffer, indicator);
    case SQL_C_UTINYINT: return putFixed(SQLCHAR(integerOf(v, 0, 255)), buffer, indicator);
    case SQL_C_BIT: return putFixed(SQLCHAR(integerOf(v, 0, 1)), buffer, indicator);
    case SQL_C_SBIGINT:
        return putFixed(SQLBIGINT(integerOf(v, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max())),
                        buffer, indicator);
    case SQL_C_UBIGINT:
        return putFixed(SQLUBIGINT(integerOf(v, 0, std::numeric_limits<qint64>::max())), buffer, indicator);
    case SQL_C_DOUBLE: return putFixed(SQLDOUBLE(realOf(v)), buffer, indicator);
    case SQL_C_FLOAT: return putFixed(SQLREAL(realOf(v)), buffer, indicator);
    case SQL_C_TYPE_TIMESTAMP:
    case SQL_C_TIMESTAMP: {
        const Stamp s = stampOf(v);
        SQL_TIMESTAMP_STRUCT t{SQLSMALLINT(s.year),         SQLUSMALLINT(s.month),  SQLUSMALLINT(s.day),
                               SQLUSMALLINT(s.hour),        SQLUSMALLINT(s.minute), SQLUSMALLINT(s.second),
                               SQLUINTEGER(s.ms) * 1000000u};
        return putFixed(t, buffer, indicator);
    }
    case SQL_C_TYPE_DATE:
    case SQL_C_DATE: {
        const Stamp s = stampOf(v);
        SQL_DATE_STRUCT d{SQLSMALLINT(s.year), SQLUSMALLINT(s.month), SQLUSMALLINT(s.day)};
        return putFixed(d, buffer, indicator);
    }
    case SQL_C_TYPE_TIME:
    case SQL_C_TIME: {
        const Stamp s = stampOf(v);
        SQL_TIME_STRUCT t{SQLUSMALLINT(s.hour), SQLUSMALLINT(s.minute), SQLUSMALLINT(s.second)};
        return putFixed(t, buffer, indicator);
    }
    default: throw Conversion("HY003", QStringLiteral("Program type %1 is not supported").arg(cType));
    }
}

// --- statements -----------------------------------------------------------------------------

void deliverOutputs(Stmt* s) {
    if (!s->outputsPending)
        return;
    s->outputsPending = false;
    for (auto& [number, p] : s->params) {
        if (p.io == SQL_PARAM_INPUT || number < 1 || number > s->outputs.size())
            continue;
        try {
            qint64 offset = 0;
            putValue(s->outputs[number - 1], nullptr, p.cType, p.buffer, p.bufferLength, p.indicator, &offset);
        } catch (const Conversion& e) {
            s->fail(e.state, e.message);
        }
    }
}

SQLRETURN execute(Stmt* s, const QString& text) {
    if (!s->dbc->session)
        return s->fail("08003", QStringLiteral("Connection not open"));
    if (s->pending())
        return s->fail("24000", QStringLiteral("Invalid cursor state"));
    s->discard();
    if (s->dbc->busyFor(s))
        return s->fail("HY000", kBusy);
    QVector<BoundParameter> bound;
    bool anyOutput = false;
    const int count = s->params.empty() ? 0 : s->params.rbegin()->first;
    for (int number = 1; number <= count; ++number) {
        const auto it = s->params.find(number);
        if (it == s->params.end())
            return s->fail("07002", QStringLiteral("COUNT field incorrect: parameter %1 is not bound").arg(number));
        BoundParameter b;
        b.output = it->second.io != SQL_PARAM_INPUT;
        const SQLSMALLINT type = it->second.sqlType;
        b.longType = type == SQL_WLONGVARCHAR || type == SQL_LONGVARCHAR || type == SQL_LONGVARBINARY;
        anyOutput |= b.output;
        try {
            if (it->second.io != SQL_PARAM_OUTPUT)
                b.value = inputValue(it->second);
        } catch (const Conversion& e) {
            return s->fail(e.state, e.message);
        }
        bound.append(b);
    }
    Execution execution;
    try {
        execution = s->dbc->session->execute(text, bound);
    } catch (const ServerError& e) {
        return s->fail(e.state, e.message, e.native);
    }
    s->results = execution.results;
    s->outputs = execution.outputs;
    s->outputsPending = anyOutput;
    s->current = s->results.isEmpty() ? -1 : 0;
    if (s->results.isEmpty())
        deliverOutputs(s);
    // A searched INSERT, UPDATE or DELETE that touched no row answers "no data".
    if (s->results.size() == 1 && !s->results[0].isRowSet() && s->results[0].rowCount == 0)
        return SQL_NO_DATA;
    return s->diags.isEmpty() ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO;
}

template <typename F>
SQLRETURN catalogue(Stmt* s, F&& query) {
    if (!s->dbc->session)
        return s->fail("08003", QStringLiteral("Connection not open"));
    if (s->pending())
        return s->fail("24000", QStringLiteral("Invalid cursor state"));
    s->discard();
    if (s->dbc->busyFor(s))
        return s->fail("HY000", kBusy);
    s->results = {query()};
    s->current = 0;
    return SQL_SUCCESS;
}

template <typename T>
T* handleOf(SQLHANDLE handle, SQLSMALLINT type) {
    auto* h = static_cast<Handle*>(handle);
    return h && h->type == type ? static_cast<T*>(h) : nullptr;
}

/// Runs an API call on a handle: clears its diagnostics, turns a stray exception into an error.
template <typename T, typename F>
SQLRETURN call(SQLHANDLE handle, SQLSMALLINT type, F&& body) {
    T* h = handleOf<T>(handle, type);
    if (!h)
        return SQL_INVALID_HANDLE;
    h->clear();
    try {
        return body(h);
    } catch (const Conversion& e) {
        return h->fail(e.state, e.message);
    } catch (const ServerError& e) {
        return h->fail(e.state, e.message, e.native);
    } catch (const std::exception& e) {
        return h->fail("HY000", QString::fromUtf8(e.what()));
    }
}

const Column* columnOf(Stmt* s, SQLUSMALLINT number) {
    const Result* r = s->result();
    if (!r || !r->isRowSet())
        throw Conversion("24000", QStringLiteral("Invalid cursor state"));
    if (number < 1 || number > r->columns.size())
        throw Conversion("07009", QStringLiteral("Invalid descriptor index"));
    return &r->columns[number - 1];
}

SQLRETURN putInfoText(const char* text, SQLPOINTER value, SQLSMALLINT bufferBytes, SQLSMALLINT* length) {
    SQLLEN bytes = 0;
    const bool cut = putWide(QString::fromUtf8(text), value, bufferBytes, &bytes);
    if (length)
        *length = SQLSMALLINT(bytes);
    return cut ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

template <typename T>
SQLRETURN putInfo(T number, SQLPOINTER value, SQLSMALLINT* length) {
    if (value)
        std::memcpy(value, &number, sizeof(T));
    if (length)
        *length = sizeof(T);
    return SQL_SUCCESS;
}

}  // namespace
}  // namespace so::sqlserverdriver

using namespace so::sqlserverdriver;

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
    if (!output)
        return SQL_ERROR;
    *output = SQL_NULL_HANDLE;
    switch (type) {
    case SQL_HANDLE_ENV: *output = new Env; return SQL_SUCCESS;
    case SQL_HANDLE_DBC:
        if (Env* env = handleOf<Env>(input, SQL_HANDLE_ENV)) {
            *output = new Dbc(env);
            return SQL_SUCCESS;
        }
        return SQL_INVALID_HANDLE;
    case SQL_HANDLE_STMT:
        if (Dbc* dbc = handleOf<Dbc>(input, SQL_HANDLE_DBC)) {
            if (!dbc->session)
                return dbc->fail("08003", QStringLiteral("Connection not open"));
            auto* s = new Stmt(dbc);
            dbc->statements.append(s);
            *output = s;
            return SQL_SUCCESS;
        }
        return SQL_INVALID_HANDLE;
    default: return SQL_ERROR;
    }
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
    switch (type) {
    case SQL_HANDLE_ENV: delete handleOf<Env>(handle, type); return SQL_SUCCESS;
    case SQL_HANDLE_DBC: delete handleOf<Dbc>(handle, type); return SQL_SUCCESS;
    case SQL_HANDLE_STMT:
        if (Stmt* s = handleOf<Stmt>(handle, type)) {
            s->dbc->statements.removeOne(s);
            delete s;
            return SQL_SUCCESS;
        }
        return SQL_INVALID_HANDLE;
    default: return SQL_ERROR;
    }
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV env, SQLINTEGER, SQLPOINTER, SQLINTEGER) {
    return call<Env>(env, SQL_HANDLE_ENV, [](Env*) -> SQLRETURN { return SQL_SUCCESS; });
}

SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC handle, SQLHWND, SQLWCHAR* in, SQLSMALLINT inLength, SQLWCHAR* out,
                                    SQLSMALLINT outChars, SQLSMALLINT* outLength, SQLUSMALLINT) {
    return call<Dbc>(handle, SQL_HANDLE_DBC, [&](Dbc* dbc) -> SQLRETURN {
        const QString connectionString = wideText(in, inLength);
        dbc->session = std::make_unique<Session>(connectionString);
        dbc->session->setAutocommit(dbc->autocommit);
        if (putWideChars(connectionString, out, outChars, outLength))
            return dbc->warn("01004", QStringLiteral("String data, right truncated"));
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC handle) {
    return call<Dbc>(handle, SQL_HANDLE_DBC, [](Dbc* dbc) -> SQLRETURN {
        dbc->session.reset();
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER) {
    return call<Dbc>(handle, SQL_HANDLE_DBC, [&](Dbc* dbc) -> SQLRETURN {
        switch (attribute) {
        case SQL_ATTR_AUTOCOMMIT:
            dbc->autocommit = reinterpret_cast<SQLULEN>(value) == SQL_AUTOCOMMIT_ON;
            if (dbc->session) {
                if (dbc->busyFor(nullptr))
                    return dbc->fail("HY000", kBusy);
                dbc->session->setAutocommit(dbc->autocommit);
            }
            return SQL_SUCCESS;
        case SQL_ATTR_ACCESS_MODE:
        case SQL_ATTR_LOGIN_TIMEOUT:
        case SQL_ATTR_CONNECTION_TIMEOUT:
        case SQL_ATTR_TXN_ISOLATION: return SQL_SUCCESS;
        default: return dbc->fail("HYC00", QStringLiteral("Connection attribute %1 is not supported").arg(attribute));
        }
    });
}

SQLRETURN SQL_API SQLGetInfoW(SQLHDBC handle, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT bufferBytes,
                              SQLSMALLINT* length) {
    return call<Dbc>(handle, SQL_HANDLE_DBC, [&](Dbc* dbc) -> SQLRETURN {
        switch (type) {
        case SQL_DBMS_NAME: return putInfoText("Microsoft SQL Server", value, bufferBytes, length);
        case SQL_DBMS_VER: return putInfoText("16.00.1000", value, bufferBytes, length);
        case SQL_DRIVER_NAME: return putInfoText("libstatusobject_sqlserverdriver.so", value, bufferBytes, length);
        case SQL_DRIVER_VER: return putInfoText("01.00.0000", value, bufferBytes, length);
        case SQL_DRIVER_ODBC_VER: return putInfoText("03.80", value, bufferBytes, length);
        case SQL_IDENTIFIER_QUOTE_CHAR: return putInfoText("\"", value, bufferBytes, length);
        case SQL_MULT_RESULT_SETS: return putInfoText("Y", value, bufferBytes, length);
        case SQL_TXN_CAPABLE: return putInfo<SQLUSMALLINT>(SQL_TC_ALL, value, length);
        case SQL_CURSOR_COMMIT_BEHAVIOR:
        case SQL_CURSOR_ROLLBACK_BEHAVIOR: return putInfo<SQLUSMALLINT>(SQL_CB_CLOSE, value, length);
        case SQL_CONVERT_CHAR:
        case SQL_CONVERT_VARCHAR:
        case SQL_CONVERT_LONGVARCHAR:
            return putInfo<SQLUINTEGER>(SQL_CVT_CHAR | SQL_CVT_VARCHAR | SQL_CVT_LONGVARCHAR | SQL_CVT_WCHAR |
                                            SQL_CVT_WVARCHAR | SQL_CVT_WLONGVARCHAR | SQL_CVT_INTEGER |
                                            SQL_CVT_SMALLINT | SQL_CVT_TINYINT | SQL_CVT_BIGINT | SQL_CVT_DOUBLE |
                                            SQL_CVT_TIMESTAMP,
                                        value, length);
        case SQL_SCHEMA_USAGE:
            return putInfo<SQLUINTEGER>(SQL_SU_DML_STATEMENTS | SQL_SU_PROCEDURE_INVOCATION | SQL_SU_TABLE_DEFINITION,
                                        value, length);
        case SQL_GETDATA_EXTENSIONS: return putInfo<SQLUINTEGER>(SQL_GD_BLOCK | SQL_GD_BOUND, value, length);
        default: return dbc->fail("HY096", QStringLiteral("Information type %1 is not supported").arg(type));
        }
    });
}

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
    if (type != SQL_HANDLE_DBC)
        return SQL_ERROR;
    return call<Dbc>(handle, SQL_HANDLE_DBC, [&](Dbc* dbc) -> SQLRETURN {
        if (!dbc->session)
            return dbc->fail("08003", QStringLiteral("Connection not open"));
        if (dbc->busyFor(nullptr))
            return dbc->fail("HY000", kBusy);
        dbc->session->endTransaction(completion == SQL_COMMIT);
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLGetDiagRecW(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLWCHAR* state,
                                 SQLINTEGER* native, SQLWCHAR* message, SQLSMALLINT messageChars,
                                 SQLSMALLINT* messageLength) {
    auto* h = static_cast<Handle*>(handle);
    if (!h || h->type != type)
        return SQL_INVALID_HANDLE;
    if (record < 1 || record > h->diags.size())
        return SQL_NO_DATA;
    const Diag& d = h->diags[record - 1];
    if (state)
        putWideChars(d.state, state, 6, nullptr);
    if (native)
        *native = d.native;
    return putWideChars(d.message, message, messageChars, messageLength) ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetDiagFieldW(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLSMALLINT field,
                                   SQLPOINTER value, SQLSMALLINT bufferBytes, SQLSMALLINT* length) {
    auto* h = static_cast<Handle*>(handle);
    if (!h || h->type != type)
        return SQL_INVALID_HANDLE;
    const auto text = [&](const QString& t) {
        SQLLEN bytes = 0;
        const bool cut = putWide(t, value, bufferBytes, &bytes);
        if (length)
            *length = SQLSMALLINT(bytes);
        return cut ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
    };
    if (field == SQL_DIAG_NUMBER)
        return putInfo<SQLINTEGER>(SQLINTEGER(h->diags.size()), value, length);
    if (field == SQL_DIAG_RETURNCODE)
        return putInfo<SQLRETURN>(h->diags.isEmpty() ? SQL_SUCCESS : SQL_ERROR, value, length);
    if (field == SQL_DIAG_ROW_COUNT || field == SQL_DIAG_CURSOR_ROW_COUNT)
        return putInfo<SQLLEN>(-1, value, length);
    if (record < 1 || record > h->diags.size())
        return SQL_NO_DATA;
    const Diag& d = h->diags[record - 1];
    switch (field) {
    case SQL_DIAG_SQLSTATE: return text(d.state);
    case SQL_DIAG_NATIVE: return putInfo<SQLINTEGER>(d.native, value, length);
    case SQL_DIAG_MESSAGE_TEXT: return text(d.message);
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN:
        return text(d.state.startsWith(QLatin1String("IM")) ? QStringLiteral("ODBC 3.0") : QStringLiteral("ISO 9075"));
    case SQL_DIAG_CONNECTION_NAME:
    case SQL_DIAG_SERVER_NAME: return text(QString());
    case SQL_DIAG_COLUMN_NUMBER: return putInfo<SQLINTEGER>(SQL_NO_COLUMN_NUMBER, value, length);
    case SQL_DIAG_ROW_NUMBER: return putInfo<SQLLEN>(SQL_NO_ROW_NUMBER, value, length);
    default: return SQL_ERROR;
    }
}

SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER) {
    return call<Stmt>(handle, SQL_HANDLE_STMT, [&](Stmt* s) -> SQLRETURN {
        const SQLULEN v = reinterpret_cast<SQLULEN>(value);
        switch (attribute) {
        case SQL_ATTR_CURSOR_TYPE:
            return v == SQL_CURSOR_FORWARD_ONLY ? SQL_SUCCESS
                                                : s->warn("01S02", QStringLiteral("Option value changed"));
        case SQL_ATTR_CONCURRENCY:
            return v == SQL_CONCUR_READ_ONLY ? SQL_SUCCESS : s->warn("01S02", QStringLiteral("Option value changed"));
        case SQL_ATTR_ROW_ARRAY_SIZE:
            return v == 1 ? SQL_SUCCESS : s->warn("01S02", QStringLiteral("Option value changed"));
        default: return s->fail("HYC00", QStringLiteral("Statement attribute %1 is not supported").arg(attribute));
        }
    });
}

SQLRETURN SQL_API SQLGetStmtAttrW(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER,
                                  SQLINTEGER* length) {
    return call<Stmt>(handle, SQL_HANDLE_STMT, [&](Stmt* s) -> SQLRETURN {
        SQLULEN v = 0;
        switch (attribute) {
        case SQL_ATTR_CURSOR_SCROLLABLE: v = SQL_NONSCROLLABLE; break;
        case SQL_ATTR_CURSOR_TYPE: v = SQL_CURSOR_FORWARD_ONLY; break;
        case SQL_ATTR_CONCURRENCY: v = SQL_CONCUR_READ_ONLY; break;
        case SQL_ATTR_ROW_ARRAY_SIZE: v = 1; break;
        default: return s->fail("HYC00", QStringLiteral("Statement attribute %1 is not supported").arg(attribute));
        }
        if (value)
            std::memcpy(value, &v, sizeof v);
        if (length)
            *length = sizeof v;
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLPrepareW(SQLHSTMT handle, SQLWCHAR* text, SQLINTEGER length) {
    return call<Stmt>(handle, SQL_HANDLE_STMT, [&](Stmt* s) -> SQLRETURN {
        if (s->pending())
            return s->fail("24000", QStringLiteral("Invalid cursor state"));
        s->prepared = wideText(text, length);
        s->isPrepared = true;
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLBindParameter(SQLHSTMT handle, SQLUSMALLINT number, SQLSMALLINT io, SQLSMALLINT cType,
                                   SQLSMALLINT sqlType, SQLULEN, SQLSMALLINT, SQLPOINTER buffer, SQLLEN bufferLength,
                                   SQLLEN* indicator) {
    return call<Stmt>(handle, SQL_HANDLE_STMT, [&](Stmt* s) -> SQLRETURN {
        if (number < 1)
            return s->fail("07009", QStringLiteral("Invalid descriptor index"));
        s->params[number] = Param{io, cType, sqlType, buffer, bufferLength, indicator};
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLExecute(SQLHSTMT handle) {
    return call<Stmt>(handle, SQL_HANDLE_STMT, [](Stmt* s) -> SQLRETURN {
        if (!s->isPrepared)
            return s->fail("HY010", QStringLiteral("Function sequence error"));
        return execute(s, s->prepared);
    });
}

SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT handle, SQLWCHAR* text, SQLINTEGER length) {
    return call<Stmt>(handle, SQL_HANDLE_STMT, [&](Stmt* s) -> SQLRETURN {
        s->isPrepared = false;
        return execute(s, wideText(text, length));
    });
}

// The catalogue: one row set, as if a query had run.
SQLRETURN SQL_API SQLTablesW(SQLHSTMT handle, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT, SQLWCHAR* table,
                             SQLSMALLINT tableLength, SQLWCHAR*, SQLSMALLINT) {
    return call<Stmt>(handle, SQL_HANDLE_STMT, [&](Stmt* s) -> SQLRETURN {
        return catalogue(s, [&] { return s->dbc->session->tables(wideText(table, tableLength)); });
    });
}

SQLRETURN SQL_API SQLColumnsW(SQLHSTMT handle, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT, SQLWCHAR* table,
                              SQLSMALLINT tableLength, SQLWCHAR* column, SQLSMALLINT columnLength) {
    return call<Stmt>(handle, SQL_HANDLE_STMT, [&](Stmt* s) -> SQLRETURN {
        return catalogue(
            s, [&] { return s->dbc->session->columns(wideText(table, tableLength), wideText(column, columnLength)); });
    });
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT handle, SQLSMALLINT* count) {
    return call<Stmt>(handle, SQL_HANDLE_STMT, [&](Stmt* s) -> SQLRETURN {
        const Result* r = s->result();
        if (count)
            *count = r ? SQLSMALLINT(r->columns.size()) : 0;
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLRowCount(SQLHSTMT handle, SQLLEN* count) {
    return call<Stmt>(handle, SQL_HANDLE_STMT, [&](Stmt* s) -> SQLRETURN {
        const Result* r = s->result();
        if (count)
            *count = r ? SQLLEN(r->rowCount) : -1;
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLDescribeColW(SQLHSTMT handle, SQLUSMALLINT number, SQLWCHAR* name, SQLSMALLINT nameChars,
                                  SQLSMALLINT* nameLength, SQLSMALLINT* type, SQLULEN* size, SQLSMALLINT* digits,
                                  SQLSMALLINT* nullable) {
    return call<Stmt>(handle, SQL_HANDLE_STMT, [&](Stmt* s) -> SQLRETURN {
        const Column* c = columnOf(s, number);
        const bool cut = putWideChars(c->name, name, nameChars, nameLength);
        if (type)
            *type = c->sqlType;
        if (size)
            *size = c->size;
        if (digits)
            *digits = c->digits;
        if (nullable)
            *nullable = SQL_NULLABLE_UNKNOWN;
        return cut ? s->warn("01004", QStringLiteral("String data, right truncated")) : SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLColAttributeW(SQLHSTMT handle, SQLUSMALLINT number, SQLUSMALLINT field, SQLPOINTER text,
                                   SQLSMALLINT textBytes, SQLSMALLINT* textLength, SQLLEN* numeric) {
    return call<Stmt>(handle, SQL_HANDLE_STMT, [&](Stmt* s) -> SQLRETURN {
        const Column* c = columnOf(s, number);
        const bool isNumber = c->sqlType == SQL_INTEGER || c->sqlType == SQL_SMALLINT || c->sqlType == SQL_TINYINT ||
                              c->sqlType == SQL_BIGINT || c->sqlType == SQL_DOUBLE;
        SQLLEN n = 0;
        switch (field) {
        case SQL_DESC_NAME:
        case SQL_DESC_LABEL:
        case SQL_DESC_BASE_COLUMN_NAME:
        case SQL_DESC_BASE_TABLE_NAME:
        case SQL_DESC_TABLE_NAME: {
            SQLLEN bytes = 0;
            const bool table = field == SQL_DESC_BASE_TABLE_NAME || field == SQL_DESC_TABLE_NAME;
            const bool cut = putWide(table ? c->table : c->name, text, textBytes, &bytes);
            if (textLength)
                *textLength = SQLSMALLINT(bytes);
            return cut ? s->warn("01004", QStringLiteral("String data, right truncated")) : SQL_SUCCESS;
        }
        case SQL_DESC_UNSIGNED: n = isNumber ? SQL_FALSE : SQL_TRUE; break;
        case SQL_DESC_TYPE:
        case SQL_DESC_CONCISE_TYPE: n = c->sqlType; break;
        case SQL_DESC_LENGTH:
        case SQL_DESC_PRECISION:
        case SQL_DESC_DISPLAY_SIZE: n = SQLLEN(c->size); break;
        case SQL_DESC_SCALE: n = c->digits; break;
        case SQL_DESC_NULLABLE: n = SQL_NULLABLE_UNKNOWN; break;
        case SQL_DESC_AUTO_UNIQUE_VALUE: n = SQL_FALSE; break;
        default: return s->fail("HY091", QStringLiteral("Descriptor field %1 is not supported").arg(field));
        }
        if (numeric)
            *numeric = n;
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT handle) {
    return call<Stmt>(handle, SQL_HANDLE_STMT, [](Stmt* s) -> SQLRETURN {
        const Result* r = s->result();
        if (!r || !r->isRowSet())
            return s->fail("24000", QStringLiteral("Invalid cursor state"));
        s->dataColumn = 0;
        s->dataOffset = 0;
        s->dataDone = false;
        if (s->row + 1 >= r->rows.size()) {
            s->row = int(r->rows.size());
            s->fetchedToEnd = true;
            return SQLRETURN(SQL_NO_DATA);
        }
        ++s->row;
        return SQLRETURN(SQL_SUCCESS);
    });
}

SQLRETURN SQL_API SQLFetchScroll(SQLHSTMT handle, SQLSMALLINT orientation, SQLLEN) {
    if (orientation != SQL_FETCH_NEXT)
        return call<Stmt>(handle, SQL_HANDLE_STMT, [](Stmt* s) -> SQLRETURN {
            return s->fail("HY106", QStringLiteral("Fetch type out of range"));
        });
    return SQLFetch(handle);
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT handle, SQLUSMALLINT number, SQLSMALLINT cType, SQLPOINTER buffer,
                             SQLLEN bufferLength, SQLLEN* indicator) {
    return call<Stmt>(handle, SQL_HANDLE_STMT, [&](Stmt* s) -> SQLRETURN {
        const Column* c = columnOf(s, number);
        const Result* r = s->result();
        if (s->row < 0 || s->row >= r->rows.size())
            return s->fail("24000", QStringLiteral("Invalid cursor state"));
        if (number < s->dataColumn)
            return s->fail("07009", QStringLiteral("Invalid descriptor index: columns are read in ascending order"));
        if (number != s->dataColumn) {
            s->dataColumn = number;
            s->dataOffset = 0;
            s->dataDone = false;
        } else if (s->dataDone) {
            return SQL_NO_DATA;
        }
        const SQLRETURN rc =
            putValue(r->rows[s->row][number - 1], c, cType, buffer, bufferLength, indicator, &s->dataOffset);
        if (rc == SQL_SUCCESS_WITH_INFO)
            return s->warn("01004", QStringLiteral("String data, right truncated"));
        s->dataDone = true;
        return rc;
    });
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT handle) {
    return call<Stmt>(handle, SQL_HANDLE_STMT, [](Stmt* s) -> SQLRETURN {
        if (s->current >= 0 && s->current + 1 < s->results.size()) {
            ++s->current;
            s->row = -1;
            s->fetchedToEnd = false;
            return SQLRETURN(SQL_SUCCESS);
        }
        s->results.clear();
        s->current = -1;
        deliverOutputs(s);
        return s->diags.isEmpty() ? SQLRETURN(SQL_NO_DATA) : SQLRETURN(SQL_ERROR);
    });
}

SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT handle) {
    return call<Stmt>(handle, SQL_HANDLE_STMT, [](Stmt* s) -> SQLRETURN {
        if (!s->hasResults())
            return s->fail("24000", QStringLiteral("Invalid cursor state"));
        s->discard();
        return SQLRETURN(SQL_SUCCESS);
    });
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT handle, SQLUSMALLINT option) {
    if (option == SQL_DROP)
        return SQLFreeHandle(SQL_HANDLE_STMT, handle);
    return call<Stmt>(handle, SQL_HANDLE_STMT, [&](Stmt* s) -> SQLRETURN {
        if (option == SQL_CLOSE)
            s->discard();
        else if (option == SQL_RESET_PARAMS)
            s->params.clear();
        return SQLRETURN(SQL_SUCCESS);
    });
}

}  // extern "C"
