// The "Configure Status Groups" dialog ("Status Viewer Properties") as logic without widgets:
// everything the dialog shows and every handler of its controls. The Qt dialog only shows
// this state and forwards clicks; tests drive the handlers directly with scripted answers.
//
// Status group page: the group list ("<New>" first, then the stored groups, newest name first),
// the "available" list (filled by the catalogue for the chosen filter) and the "selected" list,
// the moves between them, and the group buttons (Delete, Save). Apply saves the group (a new one
// under a name asked for until it passes the name rules, or the chosen group's points replaced),
// applies the column page to every section grid of the status window and reloads the window's
// group.
//
// The view options shape only what the lists show: the address beside each name ("Include
// Address in Description"), the available list grouped by controller ("Topology") or flat ("Sea of
// Points"), and a find text that narrows the available list to the points whose name or address
// holds it. "Add All" then moves the points in sight. What a group stores never changes with them.
//
// The group list holds the groups the operator may see in the status window's group box; a group
// hidden from the operator can be neither chosen, changed nor deleted here.
//
// Column page: one checked list of a section grid's columns per column set (the sections'
// names, and "NotUsed": the columns hidden in any section). Only columns the grids have are listed
// and applied, by key; nothing of it reaches the database. Every section keeps at least one checked
// column.
//
// The dialog holds the component lock 37 that the window took before opening it; unload()
// gives it back (ReleaseComponent), whichever way the dialog closes, so another workstation can
// configure groups afterwards. Destroying the object unloads it when that has not happened yet.
#pragma once

#include "groups/GroupStore.h"
#include "window/StatusWindow.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <optional>

namespace so {

class ConfigureGroups : public QObject {
    Q_OBJECT
public:
    /// The buttons between the two point lists, left to right.
    enum Function { AddAll = 0, Add = 1, Remove = 2, RemoveAll = 3 };
    /// The buttons beside the group box.
    enum GroupButton { DeleteGroup = 0, SaveGroupAs = 1 };
    /// The dialog's buttons at the bottom.
    enum MainButton { CloseDialog = 0, ApplyChanges = 1, ShowDialogHelp = 2 };
    /// The buttons beside the column list.
    enum MoveButton { MoveUp = 0, MoveDown = 1 };
    /// The views of the available list.
    enum View { Topology = 0, SeaOfPoints = 1 };

    /// A branch of the available list in the Topology view: a controller and its points in sight.
    struct AvailableBranch {
        /// The controller's address; empty for the ports and communication boxes.
        QString address;
        /// The controller's name ("Ports and Pylons" for the branch without a controller).
        QString label;
        /// Indexes into available(), in list order.
        QVector<int> points;
    };

    /// Column sets: sections 0-7, then the columns not used (hidden) anywhere.
    static constexpr int kColumnSetNotUsed = kSectionCount;
    static constexpr int kColumnSetCount = kSectionCount + 1;
    static constexpr qint32 kHelpContext = 212;

    /// One entry of the column list: a column of a section grid and whether it shows.
    struct ColumnItem {
        Section section = Section::Doors;
        QString key;
        QString caption;
        bool checked = true;
    };

    ConfigureGroups(ComponentContext& ctx, GroupStore& store, StatusWindow& window, QObject* parent = nullptr);
    ~ConfigureGroups() override;

    // ---- opening and closing
    /// Loads the group list, builds the column lists and shows "<New>" with every kind available.
    void load();
    /// Releases lock 37 and detaches from group storage; runs once, later calls do nothing.
    void unload();
    bool isUnloaded() const { return unloaded_; }

    // ---- status group page
    const QVector<GroupEntry>& groups() const { return groups_; }
    /// -1 when no entry is chosen (a name was typed instead).
    int selectedGroupIndex() const { return selectedGroup_; }
    QString typedName() const { return typedName_; }
    const QVector<SelectedPoint>& available() const { return available_; }
    const QVector<SelectedPoint>& selected() const { return selected_; }
    /// The filter option chosen (0 "All" ... 9 "XRelays").
    int filter() const { return filter_; }

    /// Shows a group's points as selected (the "<New>" entry: none); the rest is available.
    void chooseGroup(int index);
    /// A name typed into the group box: no entry is chosen any more; the lists stay.
    void typeGroupName(const QString& text);
    /// Fills the available list anew under a filter option (0 "All" ... 9 "XRelays").
    void setFilter(int filter);
    /// Moves every available point in sight to the selected list.
    void addAll();
    /// Moves available points (indexes into available()) to the selected list, in their order.
    void add(const QList<int>& highlighted);
    /// Gives selected points (indexes into selected()) back to the available list.
    void remove(const QList<int>& highlighted);
    void removeAll();
    /// Deletes the chosen group once the operator confirms it.
    void deleteGroup();
    /// Asks for a name and creates a group of the selected points under it.
    void saveGroupAs();
    /// Closes the dialog (unload).
    void closeDialog();
    /// Saves the group and the columns, then shows the window's group again.
    void applyChanges();
    void showHelp();

    // ---- view options
    bool includeAddress() const { return includeAddress_; }
    void setIncludeAddress(bool checked);
    int view() const { return view_; }
    /// Topology or SeaOfPoints; any other number changes nothing.
    void setView(int view);
    QString findText() const { return findText_; }
    /// Narrows the available list to the points whose name or address holds text (any case).
    void setFindText(const QString& text);
    /// The text of a point's name column: its name, followed by its address when chosen.
    QString description(const SelectedPoint& point) const;
    /// The available entries in sight (indexes into available()), by name, then address.
    QVector<int> shownAvailable() const;
    /// The entries in sight grouped by controller: the ports and boxes first, then the
    /// controllers by name; within a branch the points by name.
    QVector<AvailableBranch> availableTree() const;

    // ---- column page
    /// The texts of the column sets (resources 1373, 1375-1380, then "Modules" and "NotUsed").
    const QStringList& columnSetTexts() const { return columnSetTexts_; }
    int columnSet() const { return columnSet_; }
    /// The column list as it shows for the chosen set.
    QVector<ColumnItem> shownColumns() const;
    void chooseColumnSet(int set);
    /// The operator checked or unchecked a row of the column list. Unchecking a section's last
    /// checked column is refused with a message and the row stays checked.
    void checkColumn(int row, bool checked);
    /// Moves a row of a section's column list one place up or down; returns the row it is on now.
    int moveColumnUp(int row);
    int moveColumnDown(int row);

signals:
    void groupsChanged();
    void availableChanged();
    void selectedChanged();
    void columnsChanged();
    /// The dialog unloaded (Close, or any other way): its window should go.
    void unloaded();

private:
    void loadGroups();
    void buildColumnLists();
    void refillAvailable();
    /// The available entries in sight in the order the chosen view lists them.
    QList<int> shownOrder() const;
    /// Moves available entries (valid indexes, in the order given) to the selected list.
    void moveToSelected(const QList<int>& rows);
    void removeSelected(const QList<int>& rows);
    int moveColumn(int row, int step);
    void SaveGroup();
    /// Asks for a new group's name until it passes the name rules; nothing when the operator gives
    /// up. A first candidate (a typed name) is tested before anything is asked.
    std::optional<QString> askNewName(std::optional<QString> candidate);
    void createGroup(const QString& name);
    void applyColumns();
    bool applyColumns(Section section);
    /// Where a row of the shown list lives: section and index in that section's list.
    std::optional<std::pair<int, int>> columnAt(int row) const;
    QString title() const;

    ComponentContext& ctx_;
    GroupStore& store_;
    StatusWindow& window_;
    bool unloaded_ = false;

    QVector<GroupEntry> groups_;
    int selectedGroup_ = -1;
    QString typedName_;
    QVector<SelectedPoint> available_;
    QVector<SelectedPoint> selected_;
    int filter_ = 0;
    bool includeAddress_ = false;
    int view_ = SeaOfPoints;
    QString findText_;
    QHash<QString, QString> controllerNames_;

    QStringList columnSetTexts_;
    int columnSet_ = 0;
    std::array<QVector<ColumnItem>, kSectionCount> columns_;
    /// The rows of the "NotUsed" set: (section, key) of the columns hidden when it was chosen.
    QVector<std::pair<Section, QString>> notUsed_;
};

}  // namespace so
