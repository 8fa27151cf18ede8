// What a host without widgets reads of a Status to draw the window somewhere else (a web page):
// the sections with their titles and shown columns, the rows in a range with their cells,
// severity, reasons and recent-change marks, the counts, the attention list, a row's context menu
// and sending one of its commands. Everything is read from the component's own state; nothing is
// rated or decoded a second time.
//
// Rows are named by their key in the section (stable while rows sort or other rows go; a key no
// row holds any more reads as no row). Ranges are counted in the rows in sight under a Filter,
// the same find text and "Abnormal only" rule the window applies to its views.
//
// Thread and errors as for Status (see Status.h): the same thread, no member throws.
#pragma once

#include <statusobject/Export.h>
#include <statusobject/Status.h>

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

namespace so {

/// Reads a Status's rows, severity, attention list and row menus for a host that draws them
/// elsewhere. See the top of this header.
class STATUSOBJECT_EXPORT StatusReader {
public:
    /// The window's sections, numbered 0 to 7 (Doors, Inputs, Relays, Readers, Controllers,
    /// Pylons, Ports, Modules).
    static constexpr int kSectionCount = 8;

    /// How abnormal a row is, as the window marks it.
    enum class Severity {
        Normal,   ///< nothing wrong
        Warning,  ///< masked, unlocked, open, off line, power or battery failed ...
        Alarm,    ///< a tamper, a door forced or held open, an unmasked point in alarm
    };

    /// One section of the window.
    struct SectionInfo {
        int section = 0;      ///< its number, 0 to 7
        QString title;        ///< "Doors" ... "Modules"
        QStringList columns;  ///< captions of the columns it shows, in their order
        bool used = false;    ///< the shown group fills the section
    };
    /// What a view narrows a section to: rows whose Name or Address holds the text (any letter
    /// case), and with abnormalOnly only the rows in alarm or warning.
    struct Filter {
        QString text;               ///< find text; empty: every row
        bool abnormalOnly = false;  ///< only rows in alarm or warning
        /// The rows in order of this shown column's text (from 0; the order of rows() only, not
        /// of the window); -1: the window's order. Rows of equal text keep the window's order.
        int sortColumn = -1;
        bool descending = false;  ///< that order reversed
        /// Two filters that show the same rows.
        bool operator==(const Filter&) const = default;
    };
    /// A section's counts under a filter.
    struct Counts {
        int rows = 0;      ///< all the section's rows
        int shown = 0;     ///< rows in sight under the filter
        int alarms = 0;    ///< alarms among the rows in sight
        int warnings = 0;  ///< warnings among the rows in sight
    };
    /// One row as the window shows it.
    struct Row {
        int key = -1;                          ///< the row's key in its section
        QStringList cells;                     ///< the texts of the shown columns, in the order of SectionInfo::columns
        Severity severity = Severity::Normal;  ///< the row's marker and tint
        QString reason;                        ///< what is wrong, in words; empty when normal
        bool recent = false;                   ///< its state changed a moment ago (the window shows it bold with a bar)
    };
    /// Rows of a range and the size of the whole.
    struct Rows {
        int total = 0;      ///< rows in sight under the filter
        QVector<Row> rows;  ///< the rows of the range asked for
    };
    /// One entry of the attention list.
    struct AttentionItem {
        int key = -1;                           ///< the row's key in its section
        int section = 0;                        ///< the row's section
        Severity severity = Severity::Warning;  ///< the severity it is listed under
        QString kind;                           ///< the section's title
        QString name;                           ///< the name its row shows
        QString address;                        ///< the point's address
        QString words;                          ///< what is wrong
        QString since;                          ///< when it became abnormal, "10:42:13"
        bool cleared = false;                   ///< back to normal, greyed until cleared
        bool awaitsAcknowledgement = false;     ///< an alarm no operator acknowledged yet
        QString acknowledgedBy;                 ///< the operator who acknowledged it; empty while none
    };
    /// One step of the alarm journal, its times as "2026-12-07 10:42:13".
    struct JournalRow {
        QString time;        ///< when the step was taken
        QString event;       ///< raised, cleared, acknowledged, shelved, unshelved
        QString address;     ///< the point's address
        QString raised;      ///< when the alarm was raised; empty for a shelving
        QString byOperator;  ///< the operator's login name; empty for the site's own steps
        QString comment;     ///< the operator's comment, if any
    };
    /// A point shelved at any desk, until its time is up.
    struct ShelvedItem {
        QString address;  ///< the point's address
        QString name;     ///< the name its row shows; empty when the shown group lacks it
        QString by;       ///< the operator who shelved it
        QString until;    ///< when it returns, "10:42:13" (with the day when not today)
    };
    /// One command or refresh of a row's menu.
    struct MenuItem {
        QString id;            ///< names the entry for invoke(); opaque to the caller
        QString text;          ///< the caption, its submenu's before it ("Access Functions > Unlock")
        bool enabled = false;  ///< the operator may choose it
        QString whyDisabled;   ///< why a disabled entry cannot be chosen
    };
    /// What became of a command.
    enum class CommandResult {
        Sent,          ///< run through the window's menu (the host sends it)
        NotPermitted,  ///< the entry is disabled for this operator and point
        NoSuchRow,     ///< no row holds the key any more
        NoSuchEntry,   ///< the row's menu has no such entry
    };

    /// Reads `status`, which must outlive the reader.
    explicit StatusReader(Status& status);
    /// Stops watching the component; it works on as before.
    ~StatusReader();
    StatusReader(const StatusReader&) = delete;
    StatusReader& operator=(const StatusReader&) = delete;

    /// The name of the group shown, as the group box shows it; empty when none is.
    QString groupName() const;
    /// The eight sections, numbered as the window numbers them.
    QVector<SectionInfo> sections() const;
    /// A section's counts under the filter; zeros for a section number outside 0-7.
    Counts counts(int section, const Filter& filter) const;
    /// Up to `count` rows in sight from the `first` (from 0), and how many are in sight. A sorted
    /// filter's order is kept from one read to the next and redone only for the rows whose text or
    /// visibility changed; each read still looks at every row (a cost of the section's size).
    Rows rows(int section, const Filter& filter, int first, int count) const;
    /// The attention list as the window lists it: alarms first, the newest first; its first
    /// `max` entries when max is not negative (a list of thousands read ten times a second).
    QVector<AttentionItem> attention(int max = -1) const;
    /// How many entries the attention list holds.
    int attentionCount() const;
    /// The shelved points, the soonest back first.
    QVector<ShelvedItem> shelved() const;
    /// The alarm journal's newest `limit` steps, filtered by part of a point's address, an
    /// operator's login name and a time span (each empty or invalid: no filter); read from the site
    /// database with every filter bound. Empty when the journal cannot be read (logged).
    QVector<JournalRow> journal(const QString& point, const QString& byOperator, const QDateTime& from,
                                const QDateTime& to, int limit) const;
    /// Acknowledges the alarm of the entry (section, key) as the signed-in operator, with an
    /// optional comment. Returns how many the site recorded now (0 when the step was handed on to
    /// the site's authority: it shows once recorded), or -1 when refused: no such entry awaiting
    /// acknowledgement, or the operator lacks the permission.
    int acknowledge(int section, int key, const QString& comment);
    /// Shelves the entry's point for `minutes` (kShelveMinMinutes to kShelveMaxMinutes) as the
    /// signed-in operator; false when refused (no such entry, minutes out of range, no permission).
    bool shelve(int section, int key, int minutes);
    /// Drops the cleared entries of the attention list (the change callback is told); true when
    /// there were any.
    bool clearCleared();

    /// The row's context menu as the window would pop it up for the operator: the commands and
    /// refreshes a host without windows can carry out (the entries that open windows are left
    /// out). Empty for a key no row holds.
    QVector<MenuItem> menu(int section, int key);
    /// Runs a menu entry for the row, through the window's own menu: the menu is built for the
    /// row again, so an entry the operator may no longer choose is refused here (whyNot says why).
    CommandResult invoke(int section, int key, const QString& id, QString* whyNot = nullptr);

    /// Called (on the component's thread, possibly often) when rows, their conditions or the
    /// attention list may have changed; the caller coalesces. An empty function stops it.
    void setChangeCallback(std::function<void()> changed);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

}  // namespace so
