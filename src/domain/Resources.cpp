#include "domain/Resources.h"

#include "base/Texts.h"

namespace so {

const QString& ResourceTexts::operator()(int number) {
    if (host_ != ctx_.ntConnection) {
        loaded_.fill(false);
        others_.clear();
        host_ = ctx_.ntConnection;
    }
    if (number < kFirst || number > kLast) {
        auto it = others_.find(number);
        if (it == others_.end() || it->isEmpty())
            it = others_.insert(number, GRS(ctx_, number));
        return *it;
    }
    // An empty text (a failed fetch, reported by GRS) is asked for again next time.
    const int slot = number - kFirst;
    if (!loaded_[slot]) {
        texts_[slot] = GRS(ctx_, number);
        loaded_[slot] = !texts_[slot].isEmpty();
    }
    return texts_[slot];
}

}  // namespace so
