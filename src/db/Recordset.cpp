#include "db/ConnectionImpl.h"

#include <QSqlError>
#include <QSqlRecord>

namespace so::db {
namespace {

[[noreturn]] void noCurrentRecord(const QString& statement) {
    throw DbError(QStringLiteral("Either BOF or EOF is True: the record set has no current record"), statement);
}

}  // namespace

Recordset::Impl::Impl(QSqlQuery&& q, const QString& sql, std::shared_ptr<PendingResults> counter)
    : query(std::move(q)), statement(sql), pending(std::move(counter)) {
    const QSqlRecord record = query.record();
    names.reserve(record.count());
    index.reserve(record.count() * 2);
    for (int i = 0; i < record.count(); ++i)
        names.append(record.fieldName(i));
    // With two columns of one name, the first one answers (as the site's database does).
    for (int i = record.count() - 1; i >= 0; --i) {
        index.insert(names[i].toLower(), i);
        index.insert(names[i], i);
    }
    if (!pending) {
        readRemaining();
        return;
    }
    fetch();
    if (!eof) {
        ++pending->count;
        pending->statement = statement;
        counted = true;
    }
}

Recordset::Impl::~Impl() {
    release();
    if (pooledText.isNull())
        return;
    if (const std::shared_ptr<StatementPool> kept = pool.lock()) {
        query.finish();
        kept->giveBack(pooledText, std::move(query));
    }
}

void Recordset::Impl::fetch() {
    if (buffered) {
        ++row;
        eof = row * names.size() >= cells.size();
        return;
    }
    eof = !query.next();
    if (!eof)
        return;
    if (query.lastError().type() != QSqlError::NoError)
        throwQueryError(QStringLiteral("Reading the next record failed"), statement, query);
    // Read to its end: the connection is free for the next statement (on a server, whatever the
    // statement still had to say after these rows is dropped with the cursor).
    query.finish();
    release();
}

void Recordset::Impl::readRemaining() {
    const int columns = int(names.size());
    const auto takeRow = [&] {
        for (int i = 0; i < columns; ++i) {
            const QVariant value = query.value(i);
            cells.append(value.isNull() ? QVariant() : value);
        }
    };
    if (!eof)
        takeRow();
    while (query.next())
        takeRow();
    if (query.lastError().type() != QSqlError::NoError)
        throwQueryError(QStringLiteral("Reading the next record failed"), statement, query);
    buffered = true;
    row = 0;
    eof = cells.isEmpty();
}

void Recordset::Impl::release() {
    if (!counted)
        return;
    --pending->count;
    counted = false;
}

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;
Recordset::Recordset(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}

bool Recordset::eof() const { return !d || d->eof; }

void Recordset::moveNext() {
    if (eof())
        noCurrentRecord(d ? d->statement : QString());
    d->fetch();
}

int Recordset::fieldCount() const { return d ? int(d->names.size()) : 0; }

QString Recordset::fieldName(int index) const {
    if (index < 0 || index >= fieldCount())
        throw DbError(QStringLiteral("Item cannot be found in the collection: field number %1").arg(index),
                      d ? d->statement : QString());
    return d->names[index];
}

int Recordset::fieldIndex(const QString& name) const {
    if (!d)
        return -1;
    auto it = d->index.constFind(name);
    if (it != d->index.constEnd())
        return *it;
    it = d->index.constFind(name.toLower());
    if (it == d->index.constEnd())
        return -1;
    const int found = *it;
    d->index.insert(name, found);
    return found;
}

QVariant Recordset::field(int index) const {
    if (index < 0 || index >= fieldCount())
        throw DbError(QStringLiteral("Item cannot be found in the collection: field number %1").arg(index),
                      d ? d->statement : QString());
    if (d->eof)
        noCurrentRecord(d->statement);
    if (d->buffered)
        return d->cells[d->row * d->names.size() + index];
    QVariant value = d->query.value(index);
    return value.isNull() ? QVariant() : value;
}

QVariant Recordset::field(const QString& name) const {
    const int index = fieldIndex(name);
    if (index < 0)
        throw DbError(QStringLiteral("Item cannot be found in the collection: field \"%1\"").arg(name),
                      d ? d->statement : QString());
    return field(index);
}

bool Recordset::isNull(const QString& name) const { return field(name).isNull(); }

void Recordset::close() {
    if (!d)
        return;
    if (!d->buffered)
        d->query.finish();
    d.reset();
}

void Recordset::moveFirst() {
    if (!d || !d->buffered)
        throw DbError(QStringLiteral("Only a record set read into memory can go back to its first row"),
                      d ? d->statement : QString());
    d->row = 0;
    d->eof = d->cells.isEmpty();
}

void Recordset::readAll() {
    if (!d || d->buffered || d->eof)
        return;
    d->readRemaining();
    d->query.finish();
    d->release();
}

}  // namespace so::db
