// The grid model of one section of the status window (and of the masked-points list).
//
// Keyed columns, rows numbered from 1, per cell a text, an icon index, text format flags and a
// whole-number item data. Cells are addressed by column key (a hash lookup); rows are found by the
// text of their "Address" cell through a hash index that add, clear, remove, sort and every write
// to an "Address" cell keep current, so finding a row costs the same at 50 rows or 50,000.
//
// Cell texts are ids in a TextTable shared by the grids of a component (see TextTable.h): a
// write of a text already shown somewhere compares and stores an id.
//
// Every row has a key that stays with it while rows are sorted or removed before it. By key, a
// row's own record (its position, conditions and recent-change slot) and the text ids of its cells,
// which every report reads and writes, are one block (RowBlocks: a cache line or two); the icons,
// formats and item data of its cells, of which a report reads one or two, are a second array
// (columnCount cells a key). Sorting moves only the keys, and removing a row frees its key for the
// next row added.
//
// The display order is the model's row order. Readers hear of changes through the grid's one
// GridChannel (see GridChannel.h); a cell write costs one virtual call per reader, never a signal.
#pragma once

#include "domain/RowConditions.h"
#include "domain/UpdatedStamp.h"
#include "grid/AddressIndex.h"
#include "grid/GridChannel.h"
#include "grid/RowBlocks.h"
#include "grid/TextHash.h"
#include "grid/TextTable.h"

#include <QHash>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

namespace so {

struct GridColumn {
    QString key;
    QString caption;
    int alignment = 0;
    int headerIcon = -1;
    int width = 0;
    bool visible = true;
    /// The column's own short text; the sort alternation keeps "DESC" or "" here.
    QString tag;
    /// The row conditions this column's text speaks for (by its key): writing it replaces them.
    RowConditions shows;
};

/// What a cell holds besides its text: its icon, text format flags and item data.
struct CellExtras {
    int icon = -1;
    quint32 format = 0;
    qint64 data = 0;
};

/// A cell as read: its text as an id in the grid's TextTable (StatusGrid::text reads it) and the
/// rest.
struct GridCell : CellExtras {
    TextId textId = TextTable::kEmpty;
};

class StatusGrid {
public:
    enum SortOrder { Ascending = 1, Descending = 2 };

    /// A grid keeps its cell texts in `texts` (which must outlive it), or in a table of its own.
    explicit StatusGrid(QString name = {}, TextTable* texts = nullptr);
    StatusGrid(StatusGrid&&) = default;
    StatusGrid& operator=(StatusGrid&&) = delete;
    ~StatusGrid();

    QString name() const { return name_; }

    // ---- columns
    /// Adds a column at the end; returns its 0-based index. A key already present is an error
    /// (ComponentError) so that a malformed layout cannot create two cells with one key.
    int addColumn(const QString& key, const QString& caption, int alignment, int headerIcon, int width, bool visible);
    void clearColumns();  // removes every column and row
    int columnCount() const { return int(columns_.size()); }
    // Cell and column reads are inline: a state change makes dozens of them.
    const GridColumn& column(int index) const {
        if (index < 0 || index >= columns_.size())
            throwColumnOutOfRange();
        return columns_[index];
    }
    /// For the caption, width, visibility and tag; a key is set by addColumn only.
    GridColumn& column(int index);
    /// -1 when the grid has no column with that key.
    int columnIndex(const QString& key) const;
    /// The column index, or MissingColumnError.
    int requireColumn(const QString& key) const;
    /// Moves a column to another place (the operator dragged it); cells follow.
    void moveColumn(int from, int to);
    /// A number that changes whenever the columns are added, cleared or moved, and that no other
    /// column layout of any grid has had: code that resolved column indexes once compares it to
    /// know whether they still hold.
    quint64 layoutVersion() const { return layoutVersion_; }

    // ---- rows (numbered from 1)
    int rowCount() const { return int(rowKey_.size()); }
    /// Appends an empty row; returns its number.
    int addRow();
    void removeRow(int row);
    void clear();  // removes all rows, keeps the columns

    // ---- cells by key, strict: MissingColumnError for a key the grid has not (the lenient writes
    // of a fill are rows::setTextIfColumn and its kin); ComponentError for a bad row
    const QString& text(int row, const QString& key) const;
    /// The text of a cell by index; it stays valid until the cell's text is replaced.
    const QString& text(int row, int column) const { return text(at(row), column); }
    void setText(int row, const QString& key, const QString& text);
    /// Text plus format flags and icon, as a fill writes the Name cell.
    void setCell(int row, const QString& key, const QString& text, quint32 format, int icon);
    qint64 data(int row, const QString& key) const;
    void setData(int row, const QString& key, qint64 value);
    int icon(int row, const QString& key) const;
    void setIcon(int row, const QString& key, int icon);
    quint32 format(int row, const QString& key) const;

    // ---- cells by index (for views and fast paths that resolved the column once)
    GridCell cell(int row, int column) const {
        const int key = keyOf(row);
        GridCell c;
        static_cast<CellExtras&>(c) = cellExtras_[extrasIndexOfKey(key, column)];
        c.textId = textIdOfKey(key, column);
        return c;
    }
    qint64 data(int row, int column) const { return data(at(row), column); }
    void setText(int row, int column, const QString& text) { setText(at(row), column, text); }

    // ---- one row's cells, read and written many times over (a report decoded into its row)
    /// The handle of a row: its number and its key, looked up once (at, findRows), so that the
    /// reads and writes that take it reach the row's cells without finding the key again. It holds
    /// while no row is removed or moved; a handle to a row that moved is refused (ComponentError).
    /// Row 0 (key -1) is no row: what findRows gives for an address no row holds.
    struct RowAt {
        int row = 0;
        int key = -1;
    };
    RowAt at(int row) const { return {row, keyOf(row)}; }
    const QString& text(RowAt found, int column) const { return texts_->text(textIdOfKey(keyIn(found), column)); }
    qint64 data(RowAt found, int column) const { return cellExtras_[extrasIndexOfKey(keyIn(found), column)].data; }
    void setText(RowAt found, int column, const QString& text);
    void addConditions(RowAt found, RowConditions conditions);
    void setUpdated(RowAt found, const UpdatedStamp& stamp);

    // ---- typed row conditions, recorded by the writers beside the texts
    RowConditions conditions(int row) const { return record(row).conditions; }
    /// Records conditions a row shows. A write to the column a condition belongs to removes it, so a
    /// writer records what it wrote after writing it. When the row's conditions differ from those
    /// the readers last heard of, it is told (rowConditionsChanged): the row's tint may change
    /// though no text did.
    void addConditions(int row, RowConditions conditions) { addConditions(at(row), conditions); }

    // ---- the time of the row's last update, typed beside the "LastUpdated" text
    /// Writes the "LastUpdated" cell (strict, as setText) and keeps the time it stands for. A plain
    /// setText of that column makes the time unknown, so the text and the time never disagree.
    void setUpdated(int row, const UpdatedStamp& stamp) { setUpdated(at(row), stamp); }
    qint64 updatedAt(int row) const { return record(row).updatedAt; }

    // ---- finding rows by address, through the address index
    /// The first row (display order) whose "Address" cell equals `address` exactly (case and all);
    /// 0 when none, and when the grid has no rows or no Address column.
    int findRow(const QString& address) const;
    /// One address to look up on a grid (findRows), and the row found there.
    struct RowQuery {
        const StatusGrid* grid = nullptr;
        QStringView address;
        RowAt found;  // row 0 when the grid has no row of that address
    };
    /// Finds the row of each query's address on its grid, as findRow would, with the memory of all
    /// the lookups loading at once: every index slot starts loading before any is read, and every
    /// row before any is used (a report's point and its door, on two grids). Each row comes as a
    /// handle for the cell reads and writes that follow.
    static void findRows(std::span<RowQuery> queries);
    /// Moves each row's record and cells to the key its address hashes to, where no row before it
    /// (display order) took that key; the others take the keys left over. A lookup then starts
    /// loading the row it will most likely find while it reads the index, where otherwise the
    /// row's load waits for the index. Rows, their order, cells and records stay as they were;
    /// RowAt handles taken before are refused. Costs a copy of the rows: call it once a batch of
    /// rows is in (a group filled).
    void placeRowsByAddress();

    // ---- display
    void setRedraw(bool on);
    bool redraw() const { return redraw_; }
    void setVisible(bool on) { visible_ = on; }
    bool isVisible() const { return visible_; }

    /// Sorts the rows by the text of one column, ignoring letter case.
    void sort(int column, SortOrder order);
    /// Sorts the rows by the time of their last update (rows whose time is unknown first when
    /// ascending), whatever the host's date format makes of the texts.
    void sortByUpdated(SortOrder order);
    /// Sorts the rows by a rank per row (ranks[0] for row 1), highest first; rows of equal rank
    /// keep their order.
    void sortByRank(const QVector<int>& ranks);

    /// Where the grid's readers subscribe to its changes; the grid must outlive its subscribers.
    GridChannel& changes() { return changes_; }
    /// Tells the readers to read the whole grid again (a writer changed columns' shown flags,
    /// which the grid does not see).
    void announceReset();
    /// The row's "Address" text; empty when the grid has no such column.
    const QString& address(int row) const;
    /// The key of a row (see above): it stays with the row while rows are sorted, until the row is
    /// removed or the rows are placed by address.
    int rowKey(int row) const { return keyOf(row); }
    /// The row (from 1) holding a key; 0 for a key no row holds.
    int rowOfKey(int key) const {
        return size_t(unsigned(key)) < rows_.keys() ? rows_.record(size_t(key)).position + 1 : 0;
    }

private:
    /// What a row keeps besides its cells, by key.
    struct RowRecord {
        int position = -1;  // 0-based; -1 for a free key
        RowConditions conditions;
        RowConditions announced;  // the conditions the readers last heard of
        qint64 updatedAt = UpdatedStamp::kUnknown;
    };
    /// Tells the readers when the row's conditions are no longer those they last heard of.
    void announceConditions(int row, RowRecord& record);
    void checkRow(int row) const {
        if (row < 1 || row > int(rowKey_.size()))
            throwRowOutOfRange(row);
    }
    void checkColumn(int column) const {
        if (column < 0 || column >= columns_.size())
            throwColumnOutOfRange();
    }
    int keyOf(int row) const {
        checkRow(row);
        return rowKey_[size_t(row - 1)];
    }
    /// The key of a row found before; a key the grid no longer has at that row is a bad row
    /// (ComponentError).
    int keyIn(RowAt found) const {
        if (size_t(unsigned(found.key)) >= rows_.keys() || rows_.record(size_t(found.key)).position != found.row - 1)
            throwRowOutOfRange(found.row);
        return found.key;
    }
    const RowRecord& record(int row) const { return rows_.record(size_t(keyOf(row))); }
    RowRecord& record(int row) { return rows_.record(size_t(keyOf(row))); }
    TextId textIdOfKey(int key, int column) const {
        checkColumn(column);
        return rows_.texts(size_t(key))[column];
    }
    size_t extrasIndexOfKey(int key, int column) const {
        checkColumn(column);
        return size_t(key) * size_t(columns_.size()) + size_t(column);
    }
    [[noreturn]] void throwRowOutOfRange(int row) const;
    [[noreturn]] static void throwColumnOutOfRange();
    /// The key of the first row (display order) holding the address of that hash; -1 when none.
    int keyForAddress(QStringView address, std::uint32_t tag) const;
    /// The first step of a lookup (findRows): hashes the address and starts loading its index slot,
    /// and the row placed at that hash (placeRowsByAddress); returns the hash.
    std::uint32_t beginLookup(QStringView address) const;
    /// The second step: reads the index for the row's key (-1 when none) and starts loading the row.
    int settleLookup(QStringView address, std::uint32_t tag) const;
    /// The third: the handle of the row holding the key found (no row for -1).
    RowAt foundRow(int key) const;
    /// Starts loading the row's record and cells (a lookup found its key; its cells are read next).
    void prefetchKey(int key) const;
    /// The key rows of that address hash were placed at (placeRowsByAddress); -1 when the rows
    /// are not placed.
    int placedKey(std::uint32_t tag) const;
    /// Puts the rows in the given order (0-based positions) and tells the readers.
    void applyOrder(const QVector<int>& order);
    void rebuildIndex();
    void indexRow(int row);
    /// The Address cell of the row with that key (the index compares long addresses with it).
    QStringView addressOfKey(int key) const;
    void unindexRow(int row);
    void clearRows();
    /// Positions of the keys of rows `first` (0-based) to the end, after rows moved.
    void renumberFrom(int first);
    /// Gives the cell array a stride of `columns` cells, keeping each row's first cells.
    void restride(int oldColumns, int columns);
    void touched(int row, int column);
    void layoutChanged();

    QString name_;
    std::unique_ptr<TextTable> ownTexts_;  // when no shared table was given
    TextTable* texts_;
    QVector<GridColumn> columns_;
    quint64 layoutVersion_ = 0;
    std::unordered_map<QString, int, TextHash, TextEqual> columnByKey_;
    int addressColumn_ = -1;
    int updatedColumn_ = -1;
    // The address index holds keys, so removing or sorting rows renumbers only the positions.
    std::vector<int> rowKey_;             // by position (0-based): the row's key
    RowBlocks<RowRecord, TextId> rows_;   // by key: the record and the cells' text ids
    std::vector<CellExtras> cellExtras_;  // by key: cell (key, column) at key * columnCount() + column
    std::vector<int> freeKeys_;
    std::uint32_t placedMask_ = 0;  // keys - 1 when the rows were placed by address; 0 otherwise
    /// Releases the texts of a row's cells and empties them.
    void releaseCells(int key);
    // Address text -> keys of the rows holding it (duplicates are rare; the first row is the answer).
    AddressIndex addressIndex_;
    bool redraw_ = true;
    bool visible_ = true;
    GridChannel changes_;
    void keysChanged() {
        changes_.tell([](GridObserver& r) { r.keysChanged(); });
    }
};

}  // namespace so
