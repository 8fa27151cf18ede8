#include "db/ConnectionImpl.h"

#include <QDateTime>

#include <cmath>
#include <limits>

namespace so::db {
namespace {

QMetaType metaTypeOf(ParamType type) {
    switch (type) {
    case ParamType::Integer:
    case ParamType::SmallInt:
    case ParamType::TinyInt: return QMetaType::fromType<int>();
    case ParamType::VarChar:
    case ParamType::NVarChar: return QMetaType::fromType<QString>();
    case ParamType::Boolean: return QMetaType::fromType<bool>();
    case ParamType::Double: return QMetaType::fromType<double>();
    case ParamType::DateTime: return QMetaType::fromType<QDateTime>();
    }
    return QMetaType::fromType<QString>();
}

[[noreturn]] void badValue(const Parameter& p, const QString& what, const QString& statement) {
    throw DbError(QStringLiteral("Parameter %1: the value \"%2\" %3").arg(p.name, p.value.toString(), what), statement);
}

qlonglong wholeNumber(const Parameter& p, const QString& statement) {
    bool ok = false;
    const qlonglong v = p.value.toLongLong(&ok);
    if (ok)
        return v;
    const double d = p.value.toDouble(&ok);
    if (ok && std::trunc(d) == d && std::abs(d) < 9.2e18)
        return qlonglong(d);
    badValue(p, QStringLiteral("is not a whole number"), statement);
}

// The value as the declared type tells the database: a Null becomes a typed NULL, a whole number
// is range-checked against its declared width (a value that does not fit is an error, never cut).
// A date and time goes to a server as a typed value (read the same under any login language); the
// embedded database keeps it as "yyyy-MM-dd HH:mm:ss" text.
QVariant boundValue(const Parameter& p, const QString& statement, bool embedded) {
    if (p.value.isNull())
        return QVariant(metaTypeOf(p.type));
    switch (p.type) {
    case ParamType::Integer:
    case ParamType::SmallInt:
    case ParamType::TinyInt: {
        const qlonglong v = wholeNumber(p, statement);
        const auto [low, high] = p.type == ParamType::Integer
                                     ? std::pair<qlonglong, qlonglong>{std::numeric_limits<qint32>::min(),
                                                                       std::numeric_limits<qint32>::max()}
                                 : p.type == ParamType::SmallInt ? std::pair<qlonglong, qlonglong>{-32768, 32767}
                                                                 : std::pair<qlonglong, qlonglong>{-128, 255};
        if (v < low || v > high)
            badValue(p, QStringLiteral("is out of range for the parameter's type"), statement);
        return QVariant(int(v));
    }
    case ParamType::VarChar:
    case ParamType::NVarChar: return p.value.toString();
    case ParamType::Boolean: return p.value.toBool();
    case ParamType::Double: {
        bool ok = false;
        const double d = p.value.toDouble(&ok);
        if (!ok)
            badValue(p, QStringLiteral("is not a number"), statement);
        return d;
    }
    case ParamType::DateTime: {
        const QDateTime dt = p.value.toDateTime();
        if (!dt.isValid())
            badValue(p, QStringLiteral("is not a date and time"), statement);
        return embedded ? QVariant(dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))) : QVariant(dt);
    }
    }
    return p.value;
}

}  // namespace

Command::Command(Connection& connection, const QString& text) : connection_(connection), text_(text) {}

Command::~Command() = default;

void Command::setText(const QString& text) { text_ = text; }

void Command::appendParameter(const QString& name, ParamType type, ParamDirection direction, int size,
                              const QVariant& value) {
    parameters_.append(Parameter{name, type, direction, size, value});
}

void Command::deleteParameter(int index) {
    if (index < 0 || index >= parameters_.size())
        throw DbError(QStringLiteral("Item cannot be found in the collection: parameter number %1").arg(index), text_);
    parameters_.remove(index);
}

QVariant Command::parameterValue(const QString& name) const {
    const QStringView wanted = name.startsWith(u'@') ? QStringView(name).mid(1) : QStringView(name);
    for (const Parameter& p : parameters_) {
        const QStringView own = p.name.startsWith(u'@') ? QStringView(p.name).mid(1) : QStringView(p.name);
        if (own.compare(wanted, Qt::CaseInsensitive) == 0)
            return p.value;
    }
    throw DbError(QStringLiteral("Item cannot be found in the collection: parameter \"%1\"").arg(name), text_);
}

Recordset Command::open() { return std::move(run().rows); }

int Command::execute() { return run().rowsAffected; }

RunResult Command::run() {
    const bool embedded = connection_.usesCompatibilityLayer();
    QVariantList values;
    values.reserve(parameters_.size());
    for (const Parameter& p : parameters_)
        values.append(boundValue(p, text_, embedded));
    Connection::Impl& impl = *connection_.d;
    if (!procedure_)
        return impl.run(text_, values);

    QVector<ParamDirection> directions;
    for (const Parameter& p : parameters_)
        directions.append(p.direction);
    QVariantList outputs;
    RunResult result = impl.callProcedure(text_, values, directions, &outputs);
    for (int i = 0; i < parameters_.size() && i < outputs.size(); ++i)
        if (parameters_[i].direction == ParamDirection::Output)
            parameters_[i].value = outputs[i];
    return result;
}

}  // namespace so::db
