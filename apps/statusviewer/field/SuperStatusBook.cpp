#include "field/SuperStatusBook.h"

#include "field/FieldWriter.h"

#include <QStringList>

namespace sv {

namespace codes {

bool has(const QVector<int>& list, int code) { return list.contains(code); }

void setPair(QVector<int>& list, int a, int b, int code) {
    for (int& c : list) {
        if (c == a || c == b) {
            c = code;
            return;
        }
    }
    list.append(code);
}

int line(const QVector<int>& list) {
    for (int c : list)
        if (c >= 0 && c <= 7)
            return c;
    return 0;
}

void setLine(QVector<int>& list, int lineBits) {
    for (int& c : list) {
        if (c >= 0 && c <= 7) {
            c = lineBits;
            return;
        }
    }
    list.prepend(lineBits);
}

}  // namespace codes

void SuperStatusBook::load(so::db::Connection& db) {
    rows_.clear();
    byKey_.clear();
    dirty_.clear();
    so::db::Recordset rs =
        db.query(QStringLiteral("SELECT ControllerID, StatusType, Status FROM SuperStatus "
                                "WHERE StatusType IN (1, 2, 3, 7, 8, 9, 10, 14, 15, 32, 500, 501)"));
    for (; !rs.eof(); rs.moveNext()) {
        Row row;
        row.id = rs.field(0).toInt();
        row.type = rs.field(1).toInt();
        const QString status = rs.field(2).toString();
        if (row.type == so::db::StatusThreatLevels) {
            row.form = Form::ThreatLevels;
            row.values = so::db::splitThreatLevels(status);
        } else if (row.type == so::db::StatusControllerCodes || row.type == so::db::StatusPort) {
            row.form = Form::Codes;
            row.values = so::db::splitCodes(status);
        } else {
            row.entries = so::db::splitStatusEntries(status);
        }
        byKey_.insert(key(row.id, row.type), int(rows_.size()));
        rows_.append(std::move(row));
    }
}

SuperStatusBook::Ref SuperStatusBook::point(qint32 id, int statusType, int index) {
    const int row = byKey_.value(key(id, statusType), -1);
    if (row < 0 || index < 0 || rows_[row].form != Form::Entries)
        return {};
    QVector<so::db::StatusEntry>& entries = rows_[row].entries;
    while (entries.size() <= index)
        entries.append(so::db::StatusEntry{});
    return {row, index};
}

so::db::StatusEntry& SuperStatusBook::entry(Ref ref) { return rows_[ref.row].entries[ref.index]; }

QVector<int>* SuperStatusBook::values(qint32 id, int statusType) {
    const int row = byKey_.value(key(id, statusType), -1);
    return row < 0 || rows_[row].form == Form::Entries ? nullptr : &rows_[row].values;
}

void SuperStatusBook::describe(StatusBookObserver& observer) const {
    for (const Row& row : rows_) {
        if (row.form != Form::Entries) {
            observer.valuesChanged(row.id, row.type, row.values);
            continue;
        }
        for (qsizetype i = 0; i < row.entries.size(); ++i)
            observer.entryChanged(row.id, row.type, int(i), row.entries[i]);
    }
}

void SuperStatusBook::touch(Ref ref) {
    if (!ref.valid())
        return;
    Row& row = rows_[ref.row];
    if (observer_ != nullptr && row.form == Form::Entries)
        observer_->entryChanged(row.id, row.type, ref.index, row.entries[ref.index]);
    else if (observer_ != nullptr)
        observer_->valuesChanged(row.id, row.type, row.values);
    if (!row.dirty) {
        row.dirty = true;
        dirty_.append(ref.row);
    }
}

void SuperStatusBook::touch(qint32 id, int statusType) {
    const int row = byKey_.value(key(id, statusType), -1);
    if (row >= 0)
        touch(Ref{row, 0});
}

QString SuperStatusBook::text(const Row& row) const {
    switch (row.form) {
    case Form::ThreatLevels: return so::db::joinThreatLevels(row.values);
    case Form::Codes: return so::db::joinCodes(row.values);
    case Form::Entries: break;
    }
    return so::db::joinStatusEntries(row.entries);
}

int SuperStatusBook::takeChanged(QHash<quint64, QString>& rows) {
    for (int r : std::as_const(dirty_)) {
        Row& row = rows_[r];
        rows.insert(FieldWrites::statusKey(row.id, row.type), text(row));
        row.dirty = false;
    }
    const int taken = int(dirty_.size());
    dirty_.clear();
    return taken;
}

}  // namespace sv
