#include "domain/Resources.h"

#include "base/Texts.h"

namespace so {

void ResourceTexts::forgetAll() {
    loaded_.fill(false);
    others_.clear();
    composedKept_.fill(false);
    parts_.fill(KeptPart{});
    host_ = ctx_.ntConnection;
}

const QString& ResourceTexts::fetch(int number) {
    followHost();
    if (number < kFirst || number > kLast) {
        auto it = others_.find(number);
        if (it == others_.end() || it->isEmpty()) {
            it = others_.insert(number, GRS(ctx_, number));
            failedFetches_ += it->isEmpty() ? 1 : 0;
        }
        return *it;
    }
    // An empty text (a failed fetch, reported by GRS) is asked for again next time.
    const int slot = number - kFirst;
    if (!loaded_[slot]) {
        texts_[slot] = GRS(ctx_, number);
        loaded_[slot] = !texts_[slot].isEmpty();
        failedFetches_ += loaded_[slot] ? 0 : 1;
    }
    return texts_[slot];
}

}  // namespace so
