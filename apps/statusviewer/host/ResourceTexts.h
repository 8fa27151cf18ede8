// The host's numbered text table: English wording for every text number the status component asks
// for. A number without wording gives a visible placeholder ("[text 1234]") and one log entry per
// number, so a missing text shows up on screen and in the log but never stops the component.
#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace sv {

class AppLog;

class ResourceTexts {
public:
    /// The built-in English table; missing numbers are reported to log (may be null).
    explicit ResourceTexts(AppLog* log = nullptr);

    /// Text `number`, or the placeholder "[text N]" when the table has none.
    QString text(qint32 number);
    /// Text `number` with "%1".."%9" replaced by the fill-ins (a place holder without a fill-in
    /// becomes empty; "%%" stays a literal "%"). Fill-in texts are inserted as they are: a "%2"
    /// inside a fill-in is not replaced again.
    QString format(qint32 number, const QStringList& fillIns);

    bool contains(qint32 number) const { return texts_.contains(number); }
    /// Replaces or adds one wording (a site may reword the built-in table).
    void setText(qint32 number, const QString& text) { texts_.insert(number, text); }
    /// The numbers asked for that the table has no wording for, in no particular order.
    QList<qint32> missingNumbers() const { return missing_.values(); }

    static QString placeholder(qint32 number);
    /// Puts the fill-ins into "%1".."%9" of pattern (the substitution `format` does).
    static QString fillIn(const QString& pattern, const QStringList& fillIns);

private:
    QHash<qint32, QString> texts_;
    QSet<qint32> missing_;
    AppLog* log_;
};

}  // namespace sv
