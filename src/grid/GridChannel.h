// The one way changes leave a StatusGrid: every reader of a grid (the window's item models, the
// attention list, StatusReader, and through it the web desk) subscribes here for itself, and
// unsubscribes when it goes. Nobody holds, replaces or forwards another reader's subscription, so
// a reader may come before or after the others and go in any order.
//
// Readers only read while they are told: a change callback never writes into the grid (the grid
// would tell its readers of that write while they are still hearing of the first). Debug builds
// assert it.
//
// A reader may unsubscribe (itself or another) while the channel tells; its place is emptied and
// the list compacted once the outermost call is done. A reader that subscribes meanwhile hears
// from the next change on.
#pragma once

#include <QtGlobal>

#include <cstddef>
#include <vector>

namespace so {

/// What a reader of a grid hears of. Every call has an empty default; rows are numbered from 1,
/// columns from 0.
class GridObserver {
public:
    virtual ~GridObserver() = default;
    virtual void gridReset() {}  // columns or all rows replaced, sorted, cleared, shown or hidden
    virtual void rowsAppended(int firstRow, int lastRow) {
        Q_UNUSED(firstRow);
        Q_UNUSED(lastRow);
    }
    virtual void rowRemoved(int row) { Q_UNUSED(row); }
    virtual void cellChanged(int row, int column) {
        Q_UNUSED(row);
        Q_UNUSED(column);
    }
    /// The row's typed conditions (its severity, tint) are no longer those last told.
    virtual void rowConditionsChanged(int row) { Q_UNUSED(row); }
    /// Row keys no longer stand for the rows they did (rows removed, cleared or placed by address).
    virtual void keysChanged() {}
    virtual void redrawChanged(bool on) { Q_UNUSED(on); }
};

class GridChannel {
public:
    GridChannel() = default;
    GridChannel(GridChannel&&) = default;
    GridChannel(const GridChannel&) = delete;
    GridChannel& operator=(const GridChannel&) = delete;

    /// From now on `reader` hears of every change until it unsubscribes. Subscribing twice is once.
    void subscribe(GridObserver& reader) {
        for (GridObserver* s : subscribers_)
            if (s == &reader)
                return;
        subscribers_.push_back(&reader);
    }
    /// `reader` hears of nothing more, also of the change being told now.
    void unsubscribe(GridObserver& reader) {
        for (GridObserver*& s : subscribers_)
            if (s == &reader) {
                s = nullptr;
                holes_ = true;
            }
        if (depth_ == 0)
            compact();
    }
    bool isSubscribed(const GridObserver& reader) const {
        for (const GridObserver* s : subscribers_)
            if (s == &reader)
                return true;
        return false;
    }
    int subscriberCount() const {
        int n = 0;
        for (const GridObserver* s : subscribers_)
            n += s != nullptr ? 1 : 0;
        return n;
    }

    /// Calls `call(reader)` for every reader subscribed when the telling began.
    template <class Call>
    void tell(Call&& call) {
        if (subscribers_.empty())
            return;
        Q_ASSERT_X(depth_ == 0, "GridChannel::tell", "a grid was written from one of its change callbacks");
        const Telling telling(*this);
        const size_t count = subscribers_.size();
        for (size_t i = 0; i < count; ++i)
            if (GridObserver* reader = subscribers_[i])
                call(*reader);
    }

private:
    struct Telling {
        explicit Telling(GridChannel& c) : channel(c) { ++channel.depth_; }
        ~Telling() {
            if (--channel.depth_ == 0)
                channel.compact();
        }
        Telling(const Telling&) = delete;
        Telling& operator=(const Telling&) = delete;
        GridChannel& channel;
    };
    void compact() {
        if (!holes_)
            return;
        std::erase(subscribers_, nullptr);
        holes_ = false;
    }

    std::vector<GridObserver*> subscribers_;
    int depth_ = 0;
    bool holes_ = false;
};

}  // namespace so
