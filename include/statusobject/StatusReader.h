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

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

namespace so {

class STATUSOBJECT_EXPORT StatusReader {
public:
    static constexpr int kSectionCount = 8;

    enum class Severity { Normal, Warning, Alarm };

    struct SectionInfo {
        int section = 0;
        QString title;
        /// Captions of the columns the section shows, in their order.
        QStringList columns;
        /// The shown group fills the section.
        bool used = false;
    };
    /// What a view narrows a section to: rows whose Name or Address holds the text (any letter
    /// case), and with abnormalOnly only the rows in alarm or warning.
    struct Filter {
        QString text;
        bool abnormalOnly = false;
        bool operator==(const Filter&) const = default;
    };
    struct Counts {
        int rows = 0;      // all the section's rows
        int shown = 0;     // rows in sight under the filter
        int alarms = 0;    // among the rows in sight
        int warnings = 0;  // among the rows in sight
    };
    struct Row {
        int key = -1;
        /// The texts of the shown columns, in the order of SectionInfo::columns.
        QStringList cells;
        Severity severity = Severity::Normal;
        /// What is wrong, in words; empty when normal.
        QString reason;
        /// The row's state changed a moment ago (the window shows it bold with a bar).
        bool recent = false;
    };
    struct Rows {
        int total = 0;  // rows in sight under the filter
        QVector<Row> rows;
    };
    struct AttentionItem {
        int key = -1;
        int section = 0;
        Severity severity = Severity::Warning;
        QString kind;     // the section's title
        QString name;
        QString address;
        QString words;    // what is wrong
        QString since;    // "10:42:13"
        bool cleared = false;
    };
    struct MenuItem {
        /// Names the entry for invoke(); opaque to the caller.
        QString id;
        /// The entry's caption, with its submenu's before it ("Access Functions > Unlock").
        QString text;
        bool enabled = false;
        /// Why a disabled entry cannot be chosen.
        QString whyDisabled;
    };
    enum class CommandResult { Sent, NotPermitted, NoSuchRow, NoSuchEntry };

    /// Reads `status`, which must outlive the reader.
    explicit StatusReader(Status& status);
    ~StatusReader();
    StatusReader(const StatusReader&) = delete;
    StatusReader& operator=(const StatusReader&) = delete;

    /// The name of the group shown, as the group box shows it; empty when none is.
    QString groupName() const;
    /// The eight sections, numbered as the window numbers them.
    QVector<SectionInfo> sections() const;
    /// A section's counts under the filter; zeros for a section number outside 0-7.
    Counts counts(int section, const Filter& filter) const;
    /// Up to `count` rows in sight from the `first` (from 0), and how many are in sight.
    Rows rows(int section, const Filter& filter, int first, int count) const;
    /// The attention list as the window lists it: alarms first, the newest first.
    QVector<AttentionItem> attention() const;
    /// Drops the cleared entries of the attention list (the change callback is told); true when
    /// there were any.
    bool clearCleared();

    /// The row's context menu as the window would pop it up for the operator: the commands and
    /// refreshes a host without windows can carry out (the entries that open windows are left
    /// out). Empty for a key no row holds.
    QVector<MenuItem> menu(int section, int key);
    /// Runs a menu entry for the row, through the window's own menu: the menu is built for the
    /// row again, so an entry the operator may no longer choose is refused here.
    CommandResult invoke(int section, int key, const QString& id, QString* whyNot = nullptr);

    /// Called (on the component's thread, possibly often) when rows, their conditions or the
    /// attention list may have changed; the caller coalesces. An empty function stops it.
    void setChangeCallback(std::function<void()> changed);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

}  // namespace so
