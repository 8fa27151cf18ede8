#include "window/SectionSharing.h"

#include <algorithm>

namespace so {

std::vector<int> shareSectionHeights(int available, const std::vector<SectionNeed>& sections) {
    const int count = int(sections.size());
    std::vector<int> heights(size_t(count), 0);
    std::vector<int> granted(size_t(count), 0);  // rows given to each section
    int left = available;
    std::vector<int> order;
    for (int s = 0; s < count; ++s) {
        const SectionNeed& need = sections[size_t(s)];
        if (!need.shown)
            continue;
        heights[size_t(s)] = need.strip;
        left -= need.strip;
        if (need.rows > 0 && need.rowHeight > 0)
            order.push_back(s);
    }
    // Alarms first, then warnings, then the busier; equal ones keep the window's order.
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const SectionNeed& x = sections[size_t(a)];
        const SectionNeed& y = sections[size_t(b)];
        if (x.attention != y.attention)
            return x.attention > y.attention;
        return x.rows > y.rows;
    });

    const auto grant = [&](int s, int rows) {
        const SectionNeed& need = sections[size_t(s)];
        const int cost = (granted[size_t(s)] == 0 ? need.chrome : 0) + rows * need.rowHeight;
        granted[size_t(s)] += rows;
        heights[size_t(s)] += cost;
        left -= cost;
    };

    // A row of a find's matches in every section that holds some, then the floors, in order of
    // need, each with its grid's chrome.
    const auto chromeLeft = [&](int s) { return granted[size_t(s)] == 0 ? sections[size_t(s)].chrome : 0; };
    for (int s : order)
        if (sections[size_t(s)].matches && left - chromeLeft(s) >= sections[size_t(s)].rowHeight)
            grant(s, 1);
    for (size_t i = 0; i < order.size(); ++i) {
        const int s = order[i];
        const SectionNeed& need = sections[size_t(s)];
        const int want = std::min(need.rows, i == 0 ? kLeadRows : kFewRows) - granted[size_t(s)];
        const int fits = (left - chromeLeft(s)) / need.rowHeight;
        if (want > 0 && fits > 0)
            grant(s, std::min(want, fits));
    }

    // The rest by row count, among the sections that show some rows but not all.
    const auto open = [&](int s) { return granted[size_t(s)] > 0 && granted[size_t(s)] < sections[size_t(s)].rows; };
    for (bool moved = true; moved && left > 0;) {
        moved = false;
        long long weight = 0;
        for (int s : order)
            weight += open(s) ? sections[size_t(s)].rows : 0;
        if (weight == 0)
            break;
        const int pool = left;
        for (int s : order) {
            if (!open(s))
                continue;
            const SectionNeed& need = sections[size_t(s)];
            const int share = int(pool * (long long)need.rows / weight);
            const int rows = std::min(need.rows - granted[size_t(s)], share / need.rowHeight);
            if (rows > 0) {
                grant(s, rows);
                moved = true;
            }
        }
    }
    // Shares rounded down leave whole rows over: one at a time, in order of need.
    for (bool moved = true; moved;) {
        moved = false;
        for (int s : order)
            if (open(s) && left >= sections[size_t(s)].rowHeight) {
                grant(s, 1);
                moved = true;
            }
    }
    // Less than a row left: it shows part of a row of the first section with rows out of sight.
    if (left > 0)
        for (int s : order)
            if (open(s)) {
                heights[size_t(s)] += left;
                break;
            }
    return heights;
}

}  // namespace so
