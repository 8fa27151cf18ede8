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
    explicit ResourceTexts(ComponentContext& ctx) : ctx_(ctx) {}
    const QString& operator()(int number);

private:
    static constexpr int kFirst = 1390;
    static constexpr int kLast = 1769;
    ComponentContext& ctx_;
    SiteConnection* host_ = nullptr;
    std::array<QString, kLast - kFirst + 1> texts_;
    std::array<bool, kLast - kFirst + 1> loaded_{};
    QHash<int, QString> others_;
};

}  // namespace so
