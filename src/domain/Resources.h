// A per-decoder copy of the host's text resources that the status decoding and summaries show
// (their numbers, res::, live beside GRS in base/Texts.h).
#pragma once

#include "base/ComponentContext.h"
#include "base/Texts.h"

#include <QHash>
#include <QString>

#include <array>

namespace so {

/// Texts fetched through GRS once and then read without a call: a state change shows and compares
/// a dozen of them. They belong to the host connection that answered them (NTConnection); when
/// the context holds another connection, they are fetched again.
class ResourceTexts {
public:
    static constexpr int kComposedSlots = 64;

    explicit ResourceTexts(ComponentContext& ctx) : ctx_(ctx) {}
    /// Inline for a text already fetched (a report asks for several); the rest fetches.
    const QString& operator()(int number) {
        const unsigned slot = unsigned(number - kFirst);
        if (slot < loaded_.size() && loaded_[slot] && host_ == ctx_.ntConnection)
            return texts_[slot];
        return fetch(number);
    }

    /// A text built of resource texts (a door or input summary), built once per `slot` (0 to
    /// kComposedSlots - 1) and kept with the texts: a writer hands the same text over again, so
    /// the cell finds it without comparing. Not kept when a text it read could not be fetched.
    template <class Build>
    const QString& composed(int slot, const Build& build) {
        followHost();
        const auto at = std::size_t(slot);
        if (!composedKept_.at(at)) {
            const int failed = failedFetches_;
            composed_[at] = build();
            composedKept_[at] = failedFetches_ == failed;
        }
        return composed_[at];
    }

    /// A text built of a cell's own text (`part`) and resource texts (a masked input whose line
    /// shows a text of its own), kept for the last few parts: found by the part's storage, else
    /// by its content, else built. Not kept when a text it read could not be fetched.
    template <class Build>
    QString composedWith(const QString& part, const Build& build) {
        followHost();
        for (KeptPart& kept : parts_)
            if (!kept.part.isNull() && sameStorage(kept.part, part))
                return kept.text;
        for (KeptPart& kept : parts_) {
            if (!kept.part.isNull() && kept.part == part) {
                kept.part = part;  // the next report of this part is found by its storage
                return kept.text;
            }
        }
        const int failed = failedFetches_;
        QString text = build();
        if (failedFetches_ == failed) {
            KeptPart& kept = parts_[nextPart_++ % parts_.size()];
            kept.part = part;
            kept.text = text;
        }
        return text;
    }

private:
    static constexpr int kFirst = 1390;
    static constexpr int kLast = 1769;
    /// Forgets every text when the context holds another host connection.
    void followHost() {
        if (host_ != ctx_.ntConnection)
            forgetAll();
    }
    void forgetAll();
    const QString& fetch(int number);

    ComponentContext& ctx_;
    SiteConnection* host_ = nullptr;
    std::array<QString, kLast - kFirst + 1> texts_;
    std::array<bool, kLast - kFirst + 1> loaded_{};
    QHash<int, QString> others_;
    int failedFetches_ = 0;
    std::array<QString, kComposedSlots> composed_;
    std::array<bool, kComposedSlots> composedKept_{};
    struct KeptPart {
        QString part;
        QString text;
    };
    std::array<KeptPart, 8> parts_;
    std::size_t nextPart_ = 0;
};

}  // namespace so
