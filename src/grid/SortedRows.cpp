#include "grid/SortedRows.h"

#include <algorithm>
#include <iterator>

namespace so {

bool SortedRows::before(int a, int b) const {
    const int order = keys_[size_t(a - 1)].text.compare(keys_[size_t(b - 1)].text, Qt::CaseInsensitive);
    if (order != 0)
        return descending_ ? order > 0 : order < 0;
    return a < b;  // equal texts: the grid's order, either way round
}

void SortedRows::sortAll() {
    ++fullSorts_;
    order_.clear();
    for (int row = 1; row <= int(keys_.size()); ++row)
        if (keys_[size_t(row - 1)].inSight)
            order_.push_back(row);
    std::sort(order_.begin(), order_.end(), [this](int a, int b) { return before(a, b); });
}

void SortedRows::mergeChanged() {
    ++merges_;
    // The unchanged rows keep their order; the changed ones are sorted apart and merged back.
    std::vector<bool> changed(keys_.size() + 1, false);
    for (int row : changed_)
        changed[size_t(row)] = true;
    std::erase_if(order_, [&](int row) { return changed[size_t(row)]; });
    std::vector<int> back;
    for (int row : changed_)
        if (keys_[size_t(row - 1)].inSight)
            back.push_back(row);
    std::sort(back.begin(), back.end(), [this](int a, int b) { return before(a, b); });
    std::vector<int> merged;
    merged.reserve(order_.size() + back.size());
    std::merge(order_.begin(), order_.end(), back.begin(), back.end(), std::back_inserter(merged),
               [this](int a, int b) { return before(a, b); });
    order_ = std::move(merged);
}

}  // namespace so
