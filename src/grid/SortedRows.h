// The rows in sight of a section in order of one column's text, kept between reads: a view that
// is sorted is read again at every change pushed to it, and with tens of thousands of rows a fresh
// sort each time costs far more than finding which rows moved.
#pragma once

#include <QString>

#include <utility>
#include <vector>

namespace so {

/// Rows (from 1) ordered by their text without regard to case, ascending or descending; rows of
/// equal text keep the grid's order either way round. refresh() reads every row's key and
/// reorders only the rows whose key changed since the last refresh: nothing when none did, their
/// removal and merge back in when a few did, a full sort when many did or the row count changed.
class SortedRows {
public:
    /// A row's part in the order: in sight or not, and its text in the sorted column.
    struct Key {
        QString text;
        bool inSight = false;

        bool operator==(const Key&) const = default;
    };

    explicit SortedRows(bool descending) : descending_(descending) {}

    /// The rows in sight, in order, for rows 1..rowCount whose keys keyOf(row) gives.
    template <typename KeyOf>
    const std::vector<int>& refresh(int rowCount, KeyOf&& keyOf) {
        const bool resized = keys_.size() != size_t(rowCount);
        if (resized)
            keys_.assign(size_t(rowCount), Key{});
        changed_.clear();
        for (int row = 1; row <= rowCount; ++row) {
            Key now = keyOf(row);
            Key& kept = keys_[size_t(row - 1)];
            if (resized || now != kept) {
                kept = std::move(now);
                changed_.push_back(row);
            }
        }
        if (resized || changed_.size() > keys_.size() / kMergeFraction)
            sortAll();
        else if (!changed_.empty())
            mergeChanged();
        return order_;
    }

    /// How many refreshes sorted every row in sight, and how many merged changed rows back in.
    int fullSorts() const { return fullSorts_; }
    int merges() const { return merges_; }

private:
    /// Past one row in this many changed, sorting every row is cheaper than merging.
    static constexpr size_t kMergeFraction = 8;

    bool before(int a, int b) const;
    void sortAll();
    void mergeChanged();

    bool descending_;
    std::vector<Key> keys_;  ///< by row - 1
    std::vector<int> order_;
    std::vector<int> changed_;
    int fullSorts_ = 0;
    int merges_ = 0;
};

}  // namespace so
