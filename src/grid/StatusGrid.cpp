#include "grid/StatusGrid.h"

#include "base/Errors.h"
#include "base/Texts.h"
#include "grid/ColumnLayout.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <limits>
#include <numeric>
#include <utility>

namespace so {
namespace {
const QString kAddressKey = QStringLiteral("Address");
const QString kUpdatedKey = QStringLiteral("LastUpdated");

/// The conditions the text of a column speaks for; none for the other columns.
RowConditions conditionsShownBy(const QString& key) {
    using C = Condition;
    if (key == col::Status)
        return C::DoorNotClosed | C::RelayNotNormal | C::InputOpen | C::Offline | C::LineOpen | C::LineShort |
               C::LineFault | C::LineNoisy;
    static const std::pair<const QString*, Condition> kOneEach[] = {
        {&col::Alarm, C::Alarm},
        {&col::Masked, C::Masked},
        {&col::PTamper, C::PhysicalTamper},
        {&col::CTamper, C::CodeTamper},
        {&col::Enclosure, C::EnclosureOpen},
        {&col::TamperPending, C::TamperPending},
        {&col::ACPower, C::PowerFailed},
        {&col::MemoryBatt, C::MemoryBatteryFailed},
        {&col::UPSBattF, C::UpsBatteryFailed},
        {&col::RelayDetails, C::RelayForced},
    };
    for (const auto& [column, condition] : kOneEach)
        if (key == *column)
            return condition;
    return {};
}
}  // namespace

StatusGrid::StatusGrid(QString name, TextTable* texts)
    : name_(std::move(name)), ownTexts_(texts == nullptr ? std::make_unique<TextTable>() : nullptr),
      texts_(texts == nullptr ? ownTexts_.get() : texts) {
    layoutChanged();
}

StatusGrid::~StatusGrid() {
    // A shared table outlives the grid: the texts only this grid showed become free there.
    if (ownTexts_ == nullptr)
        for (size_t key = 0; key < rows_.keys(); ++key)
            releaseCells(int(key));
}

void StatusGrid::releaseCells(int key) {
    // The cells as stored (the columns may be gone already when the rows are cleared with them).
    const int columns = rows_.textsPerRow();
    TextId* const texts = rows_.texts(size_t(key));
    CellExtras* const extras = cellExtras_.data() + size_t(key) * size_t(columns);
    for (int column = 0; column < columns; ++column) {
        texts_->release(texts[column]);
        texts[column] = TextTable::kEmpty;
        extras[column] = CellExtras{};
    }
}

namespace {
// One counter for every grid of the process, so a version never names two layouts or row sets.
quint64 nextVersion() {
    static std::atomic<quint64> lastVersion{0};
    return ++lastVersion;
}
}  // namespace

void StatusGrid::layoutChanged() { layoutVersion_ = nextVersion(); }

// ---------------------------------------------------------------- columns

int StatusGrid::addColumn(const QString& key, const QString& caption, int alignment, int headerIcon, int width,
                          bool visible) {
    if (columnByKey_.count(key) != 0)
        throw ComponentError(ComponentError::InvalidArgument,
                             QStringLiteral("Key is not unique in collection: ") + key);
    GridColumn c;
    c.key = key;
    c.caption = caption;
    c.alignment = alignment;
    c.headerIcon = headerIcon;
    c.width = width;
    c.visible = visible;
    c.shows = conditionsShownBy(key);
    columns_.append(c);
    const int index = int(columns_.size()) - 1;
    columnByKey_.emplace(key, index);
    layoutChanged();
    restride(index, index + 1);
    if (key == kAddressKey) {
        addressColumn_ = index;
        rebuildIndex();
    }
    if (key == kUpdatedKey)
        updatedColumn_ = index;
    announceReset();
    return index;
}

void StatusGrid::clearColumns() {
    columns_.clear();
    columnByKey_.clear();
    layoutChanged();
    clearRows();
    addressColumn_ = -1;
    updatedColumn_ = -1;
    announceReset();
}

GridColumn& StatusGrid::column(int index) {
    if (index < 0 || index >= columns_.size())
        throwColumnOutOfRange();
    return columns_[index];
}

int StatusGrid::columnIndex(const QString& key) const {
    const auto it = columnByKey_.find(QStringView(key));
    return it == columnByKey_.end() ? -1 : it->second;
}

int StatusGrid::requireColumn(const QString& key) const {
    const auto it = columnByKey_.find(QStringView(key));
    if (it == columnByKey_.end())
        throw MissingColumnError(key);
    return it->second;
}

void StatusGrid::moveColumn(int from, int to) {
    if (from < 0 || from >= columns_.size() || to < 0 || to >= columns_.size() || from == to)
        return;
    columns_.move(from, to);
    const size_t stride = size_t(columns_.size());
    const auto moveIn = [&](auto* cells) {
        if (from < to)
            std::rotate(cells + from, cells + from + 1, cells + to + 1);
        else
            std::rotate(cells + to, cells + from, cells + from + 1);
    };
    for (size_t key = 0; key < rows_.keys(); ++key) {
        moveIn(rows_.texts(key));
        moveIn(cellExtras_.data() + key * stride);
    }
    columnByKey_.clear();
    for (int i = 0; i < columns_.size(); ++i)
        columnByKey_.emplace(columns_[i].key, i);
    addressColumn_ = columnIndex(kAddressKey);
    updatedColumn_ = columnIndex(kUpdatedKey);
    layoutChanged();
    announceReset();
}

void StatusGrid::restride(int oldColumns, int columns) {
    if (oldColumns == columns)
        return;
    rows_.setTextsPerRow(columns);
    const int kept = std::min(oldColumns, columns);
    std::vector<CellExtras> restrided(rows_.keys() * size_t(columns));
    for (size_t key = 0; key < rows_.keys(); ++key)
        std::copy_n(cellExtras_.begin() + std::ptrdiff_t(key * size_t(oldColumns)), kept,
                    restrided.begin() + std::ptrdiff_t(key * size_t(columns)));
    cellExtras_ = std::move(restrided);
}

// ---------------------------------------------------------------- rows

int StatusGrid::addRow() {
    int key = int(rows_.keys());
    if (!freeKeys_.empty()) {
        key = freeKeys_.back();
        freeKeys_.pop_back();
    } else {
        // A new key's cells; a freed key's were emptied when its row was removed.
        rows_.addKey();
        cellExtras_.resize(rows_.keys() * size_t(columns_.size()));
    }
    rows_.record(size_t(key)) = RowRecord{};
    rows_.record(size_t(key)).position = int(rowKey_.size());
    rowKey_.push_back(key);
    const int row = int(rowKey_.size());
    changes_.tell([row](GridObserver& r) { r.rowsAppended(row, row); });
    return row;
}

void StatusGrid::removeRow(int row) {
    checkRow(row);
    if (addressColumn_ >= 0)
        unindexRow(row);
    const int key = rowKey_[size_t(row - 1)];
    rows_.record(size_t(key)).position = -1;
    releaseCells(key);
    freeKeys_.push_back(key);
    rowKey_.erase(rowKey_.begin() + (row - 1));
    // The rows after it move up by one; the index keeps their keys.
    renumberFrom(row - 1);
    keysChanged();
    changes_.tell([row](GridObserver& r) { r.rowRemoved(row); });
}

void StatusGrid::clear() {
    clearRows();
    announceReset();
}

void StatusGrid::clearRows() {
    for (size_t key = 0; key < rows_.keys(); ++key)
        releaseCells(int(key));
    rowKey_.clear();
    rows_.clear();
    cellExtras_.clear();
    cellExtras_.shrink_to_fit();
    freeKeys_.clear();
    placedMask_ = 0;
    addressIndex_.clear();
    keysChanged();
}

void StatusGrid::renumberFrom(int first) {
    for (size_t position = size_t(first); position < rowKey_.size(); ++position)
        rows_.record(size_t(rowKey_[position])).position = int(position);
}

void StatusGrid::throwRowOutOfRange(int row) const {
    throw ComponentError(ComponentError::SubscriptOutOfRange,
                         QStringLiteral("Row %1 is outside the grid (%2 rows)").arg(row).arg(rowKey_.size()));
}

void StatusGrid::throwColumnOutOfRange() {
    throw ComponentError(ComponentError::SubscriptOutOfRange, QStringLiteral("Column index out of range"));
}

// ---------------------------------------------------------------- address index

void StatusGrid::rebuildIndex() {
    addressIndex_.clear();
    if (addressColumn_ < 0)
        return;
    for (int r = 1; r <= rowCount(); ++r)
        indexRow(r);
}

void StatusGrid::placeRowsByAddress() {
    const size_t rows = rowKey_.size();
    if (rows == 0 || addressColumn_ < 0)
        return;
    const size_t keys = std::bit_ceil(rows);  // the keys of removed rows are not kept
    // Each row takes its address's key if no row before it took that key; the others fill the
    // keys left over, in display order.
    std::vector<int> newKey(rows_.keys(), -1);
    std::vector<bool> taken(keys, false);
    std::vector<int> displaced;
    for (const int key : rowKey_) {
        const size_t wanted = AddressIndex::hashOf(addressOfKey(key)) & (keys - 1);
        if (taken[wanted]) {
            displaced.push_back(key);
            continue;
        }
        taken[wanted] = true;
        newKey[size_t(key)] = int(wanted);
    }
    size_t next = 0;
    for (const int key : displaced) {
        while (taken[next])
            ++next;
        taken[next] = true;
        newKey[size_t(key)] = int(next);
    }

    const size_t columns = size_t(columns_.size());
    RowBlocks<RowRecord, TextId> placed;
    placed.setTextsPerRow(rows_.textsPerRow());
    std::vector<CellExtras> extras(keys * columns);
    for (size_t key = 0; key < keys; ++key)
        placed.addKey();
    for (size_t key = 0; key < rows_.keys(); ++key) {
        const int to = newKey[key];
        if (to < 0)
            continue;  // a free key: its cells were emptied when its row was removed
        placed.record(size_t(to)) = rows_.record(key);
        std::copy_n(rows_.texts(key), rows_.textsPerRow(), placed.texts(size_t(to)));
        std::copy_n(cellExtras_.begin() + std::ptrdiff_t(key * columns), columns,
                    extras.begin() + std::ptrdiff_t(size_t(to) * columns));
    }
    rows_ = std::move(placed);
    cellExtras_ = std::move(extras);
    for (int& key : rowKey_)
        key = newKey[size_t(key)];
    freeKeys_.clear();
    for (size_t key = keys; key-- > 0;)  // the lowest free key is taken first
        if (!taken[key])
            freeKeys_.push_back(int(key));
    addressIndex_.renameKeys(newKey);
    placedMask_ = std::uint32_t(keys - 1);
    keysChanged();
}

QStringView StatusGrid::addressOfKey(int key) const { return texts_->text(textIdOfKey(key, addressColumn_)); }

void StatusGrid::indexRow(int row) {
    addressIndex_.insert(text(row, addressColumn_), rowKey_[size_t(row - 1)],
                         [this](int key) { return addressOfKey(key); });
}

void StatusGrid::unindexRow(int row) {
    addressIndex_.erase(text(row, addressColumn_), rowKey_[size_t(row - 1)],
                        [this](int key) { return addressOfKey(key); });
}

// ---------------------------------------------------------------- cells

void StatusGrid::touched(int row, int column) {
    changes_.tell([row, column](GridObserver& r) { r.cellChanged(row, column); });
}

void StatusGrid::setText(RowAt found, int column, const QString& text) {
    const size_t key = size_t(keyIn(found));
    const int row = found.row;
    checkColumn(column);
    TextId& cellText = rows_.texts(key)[column];
    RowRecord& own = rows_.record(key);
    own.conditions.remove(std::as_const(columns_)[column].shows);
    if (column == updatedColumn_)
        own.updatedAt = UpdatedStamp::kUnknown;
    // An unchanged text repaints nothing; conditions it drops are announced by the writer's
    // addConditions that follows, or stay as they were. The same storage is the common case (a
    // resource text written again): no text table lookup then.
    if (column != addressColumn_ && sameStorage(texts_->text(cellText), text))
        return;
    const TextId id = texts_->acquire(text);
    if (column == addressColumn_) {
        unindexRow(row);
        texts_->release(cellText);
        cellText = id;
        indexRow(row);
    } else {
        if (cellText == id) {
            texts_->release(id);
            return;
        }
        texts_->release(cellText);
        cellText = id;
    }
    touched(row, column);
    announceConditions(row, rows_.record(key));
}

void StatusGrid::addConditions(RowAt found, RowConditions conditions) {
    RowRecord& own = rows_.record(size_t(keyIn(found)));
    own.conditions = own.conditions | conditions;
    announceConditions(found.row, own);
}

void StatusGrid::announceConditions(int row, RowRecord& record) {
    if (record.conditions == record.announced)
        return;
    record.announced = record.conditions;
    changes_.tell([row](GridObserver& r) { r.rowConditionsChanged(row); });
}

const QString& StatusGrid::address(int row) const {
    static const QString kNone;
    return addressColumn_ < 0 ? (checkRow(row), kNone) : text(row, addressColumn_);
}

void StatusGrid::setUpdated(RowAt found, const UpdatedStamp& stamp) {
    if (updatedColumn_ < 0)
        throw MissingColumnError(kUpdatedKey);
    setText(found, updatedColumn_, stamp.text);
    rows_.record(size_t(keyIn(found))).updatedAt = stamp.msecs;
}

const QString& StatusGrid::text(int row, const QString& key) const { return text(row, requireColumn(key)); }

void StatusGrid::setText(int row, const QString& key, const QString& text) { setText(row, requireColumn(key), text); }

void StatusGrid::setCell(int row, const QString& key, const QString& text, quint32 format, int icon) {
    const int column = requireColumn(key);
    setText(row, column, text);
    CellExtras& c = cellExtras_[extrasIndexOfKey(keyOf(row), column)];
    c.format = format;
    if (c.icon != icon) {
        c.icon = icon;
        touched(row, column);
    }
}

qint64 StatusGrid::data(int row, const QString& key) const { return data(row, requireColumn(key)); }

void StatusGrid::setData(int row, const QString& key, qint64 value) {
    cellExtras_[extrasIndexOfKey(keyOf(row), requireColumn(key))].data = value;
}

int StatusGrid::icon(int row, const QString& key) const { return cell(row, requireColumn(key)).icon; }

void StatusGrid::setIcon(int row, const QString& key, int icon) {
    const int column = requireColumn(key);
    CellExtras& c = cellExtras_[extrasIndexOfKey(keyOf(row), column)];
    if (c.icon == icon)
        return;
    c.icon = icon;
    touched(row, column);
}

quint32 StatusGrid::format(int row, const QString& key) const { return cell(row, requireColumn(key)).format; }

// ---------------------------------------------------------------- finding rows

int StatusGrid::keyForAddress(QStringView address, std::uint32_t tag) const {
    if (rowKey_.empty() || addressColumn_ < 0)
        return -1;
    // The one row holding the address is the answer without reading it; rows sharing an address
    // are ranked by their positions.
    int firstKey = -1;
    int first = std::numeric_limits<int>::max();
    addressIndex_.forEachKey(
        address, tag, [this](int key) { return addressOfKey(key); },
        [&](int key) {
            if (firstKey < 0) {
                firstKey = key;
                return;
            }
            if (first == std::numeric_limits<int>::max())
                first = rows_.record(size_t(firstKey)).position;
            const int position = rows_.record(size_t(key)).position;
            if (position < first) {
                first = position;
                firstKey = key;
            }
        });
    return firstKey;
}

void StatusGrid::prefetchKey(int key) const {
    rows_.prefetch(size_t(key));
    const size_t columns = size_t(columns_.size());
    const char* const extras = reinterpret_cast<const char*>(cellExtras_.data() + size_t(key) * columns);
    for (size_t offset = 0; offset < columns * sizeof(CellExtras); offset += 64)
        __builtin_prefetch(extras + offset);
}

int StatusGrid::placedKey(std::uint32_t tag) const {
    if (placedMask_ == 0 || placedMask_ >= rows_.keys())
        return -1;
    return int(tag & placedMask_);
}

std::uint32_t StatusGrid::beginLookup(QStringView address) const {
    const std::uint32_t tag = AddressIndex::hashOf(address);
    addressIndex_.prefetch(tag);
    // Most rows sit at the key their address hashes to (placeRowsByAddress): their row loads
    // while the index slot does.
    if (const int placed = placedKey(tag); placed >= 0)
        prefetchKey(placed);
    return tag;
}

int StatusGrid::settleLookup(QStringView address, std::uint32_t tag) const {
    const int key = keyForAddress(address, tag);
    if (key >= 0 && key != placedKey(tag))
        prefetchKey(key);
    return key;
}

StatusGrid::RowAt StatusGrid::foundRow(int key) const {
    return key < 0 ? RowAt{} : RowAt{rows_.record(size_t(key)).position + 1, key};
}

int StatusGrid::findRow(const QString& address) const {
    return foundRow(settleLookup(address, beginLookup(address))).row;
}

void StatusGrid::findRows(std::span<RowQuery> queries) {
    // Each step runs over every query before the next, so the loads one step starts for a lookup
    // overlap those of the others instead of waiting one after another: the index slots, then the
    // rows (whose records give the row numbers).
    constexpr size_t kAtOnce = 8;
    std::uint32_t tags[kAtOnce];
    int keys[kAtOnce];
    for (size_t first = 0; first < queries.size(); first += kAtOnce) {
        const std::span<RowQuery> part = queries.subspan(first, std::min(queries.size() - first, kAtOnce));
        for (size_t i = 0; i < part.size(); ++i)
            tags[i] = part[i].grid->beginLookup(part[i].address);
        for (size_t i = 0; i < part.size(); ++i)
            keys[i] = part[i].grid->settleLookup(part[i].address, tags[i]);
        for (size_t i = 0; i < part.size(); ++i)
            part[i].found = part[i].grid->foundRow(keys[i]);
    }
}

// ---------------------------------------------------------------- display

void StatusGrid::announceReset() {
    changes_.tell([](GridObserver& r) { r.gridReset(); });
}

void StatusGrid::setRedraw(bool on) {
    if (redraw_ == on)
        return;
    redraw_ = on;
    changes_.tell([on](GridObserver& r) { r.redrawChanged(on); });
}

void StatusGrid::sort(int column, SortOrder order) {
    if (column < 0 || column >= columns_.size())
        throw ComponentError(ComponentError::SubscriptOutOfRange, QStringLiteral("Sort column out of range"));
    QVector<int> positions(rowCount());
    std::iota(positions.begin(), positions.end(), 0);
    std::stable_sort(positions.begin(), positions.end(), [&](int a, int b) {
        const int c = QString::compare(text(a + 1, column), text(b + 1, column), Qt::CaseInsensitive);
        return order == Ascending ? c < 0 : c > 0;
    });
    applyOrder(positions);
}

void StatusGrid::sortByUpdated(SortOrder order) {
    QVector<qint64> times(rowCount());
    for (int r = 0; r < rowCount(); ++r)
        times[r] = rows_.record(size_t(rowKey_[size_t(r)])).updatedAt;
    QVector<int> positions(rowCount());
    std::iota(positions.begin(), positions.end(), 0);
    std::stable_sort(positions.begin(), positions.end(),
                     [&](int a, int b) { return order == Ascending ? times[a] < times[b] : times[b] < times[a]; });
    applyOrder(positions);
}

void StatusGrid::sortByRank(const QVector<int>& ranks) {
    if (ranks.size() != rowCount())
        throw ComponentError(ComponentError::SubscriptOutOfRange, QStringLiteral("Sort ranks do not match the rows"));
    QVector<int> order(rowCount());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return ranks[a] > ranks[b]; });
    applyOrder(order);
}

void StatusGrid::applyOrder(const QVector<int>& order) {
    // Rows keep their keys and cells, so only the keys move and the address index stays as it is.
    std::vector<int> sortedKeys;
    sortedKeys.reserve(rowKey_.size());
    for (int i : order)
        sortedKeys.push_back(rowKey_[size_t(i)]);
    rowKey_ = std::move(sortedKeys);
    renumberFrom(0);
    announceReset();
}

}  // namespace so
