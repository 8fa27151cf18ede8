// The attention list as a page keeps it: the list it holds edited by a change message, step by
// step as the message's contract says (runs kept or dropped from the top, points named).
#pragma once

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

namespace sv::web::test {

inline QJsonArray editedAttention(const QJsonArray& held, const QJsonObject& changes) {
    const auto point = [](const QJsonValue& e) {
        return QStringLiteral("%1:%2").arg(e["section"].toInt()).arg(e["key"].toInt());
    };
    QHash<QString, QJsonObject> named;
    for (const QJsonValue& e : held)
        named.insert(point(e), e.toObject());
    for (const QJsonValue& e : changes.value("changed").toArray())
        named.insert(point(e), e.toObject());
    QJsonArray out;
    qsizetype at = 0;
    for (const QJsonValue& step : changes.value("order").toArray()) {
        if (step.isString())
            out.append(named.value(step.toString()));
        for (int i = 0; i < step.toInt(); ++i)
            out.append(held[at++]);
        if (step.toInt() < 0)
            at -= step.toInt();
    }
    return out;
}

}  // namespace sv::web::test
