// The simulated field's working copy of the site's live status table (SuperStatus): the rows of
// the status types the field changes, parsed once, changed in memory as the field reports states,
// and written back in batches. The classic points' states live only here, so what the field
// reports and what a refresh replays from SuperStatus are one and the same.
#pragma once

#include "site/SiteStatusText.h"

#include <statusobject/Db.h>

#include <QHash>
#include <QVector>

namespace sv {

/// Helpers on a point's or controller's list of state codes.
namespace codes {
bool has(const QVector<int>& list, int code);
/// Replaces the first code that is a or b by code (or appends it): the two codes of one condition,
/// such as alarm set 65 / cleared 66.
void setPair(QVector<int>& list, int a, int b, int code);
/// The line state 0-7 of an input (its line bits), or 0 when the list has none.
int line(const QVector<int>& list);
void setLine(QVector<int>& list, int lineBits);
}  // namespace codes

/// Told of every change the book's owner marks, with the state after it.
class StatusBookObserver {
public:
    virtual ~StatusBookObserver() = default;
    /// A per-point entry of a row.
    virtual void entryChanged(qint32 id, int statusType, int index, const so::db::StatusEntry& entry) = 0;
    /// A row of codes (500, 501) or threat levels (32).
    virtual void valuesChanged(qint32 id, int statusType, const QVector<int>& values) = 0;
};

class SuperStatusBook {
public:
    /// One point's entry: row and position in the row's per-point text.
    struct Ref {
        int row = -1;
        int index = 0;
        bool valid() const { return row >= 0; }
    };

    /// Reads the rows of the per-point types 1, 2, 3, 7, 8, 9, 14, 15, the controller types 10
    /// and 500, reader threat levels 32 and server ports 501. Replaces what was loaded before.
    void load(so::db::Connection& db);

    /// The entry of a point: the row (controller or port id, status type) and the entry index.
    /// Rows too short for the index are padded with empty entries. Invalid when the row is absent.
    Ref point(qint32 id, int statusType, int index);
    so::db::StatusEntry& entry(Ref ref);
    /// The codes of a 500 / 501 row, or the values of a 32 row; null when the row is absent.
    QVector<int>* values(qint32 id, int statusType);

    /// Told of every change touch() marks from now on (null: nobody); must outlive the book's use.
    void setObserver(StatusBookObserver* observer) { observer_ = observer; }
    /// Tells observer every entry and row loaded, as they are now.
    void describe(StatusBookObserver& observer) const;

    /// Marks the row of ref (or of id and type) as changed; the next flush writes it.
    void touch(Ref ref);
    void touch(qint32 id, int statusType);

    int rowCount() const { return int(rows_.size()); }
    int dirtyCount() const { return int(dirty_.size()); }
    /// Moves the text of every changed row into rows (keyed by FieldWrites::statusKey) for the
    /// write-back; returns the rows taken.
    int takeChanged(QHash<quint64, QString>& rows);

private:
    enum class Form { Entries, ThreatLevels, Codes };
    struct Row {
        qint32 id = 0;
        int type = 0;
        Form form = Form::Entries;
        QVector<so::db::StatusEntry> entries;
        QVector<int> values;
        bool dirty = false;
    };
    static quint64 key(qint32 id, int statusType) { return (quint64(quint32(statusType)) << 32) | quint32(id); }
    QString text(const Row& row) const;

    QVector<Row> rows_;
    QHash<quint64, int> byKey_;
    QVector<int> dirty_;  // row numbers, each once
    StatusBookObserver* observer_ = nullptr;
};

}  // namespace sv
