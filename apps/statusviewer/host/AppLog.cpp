#include "host/AppLog.h"

#include <QtGlobal>

namespace sv {

void AppLog::info(const QString& text) {
    ++infoCount_;
    if (echo_)
        qInfo().noquote() << "statusviewer:" << text;
    append(Level::Info, text);
}

void AppLog::error(const QString& text) {
    ++errorCount_;
    if (echo_)
        qWarning().noquote() << "statusviewer: error:" << text;
    append(Level::Error, text);
}

void AppLog::append(Level level, const QString& text) {
    if (capacity_ <= 0)
        return;
    if (entries_.size() >= capacity_)
        entries_.removeFirst();  // constant time: Qt 6 lists keep free space at the front
    entries_.append({QDateTime::currentDateTime(), level, text});
}

QStringList AppLog::lines() const {
    QStringList out;
    out.reserve(entries_.size());
    for (const Entry& e : entries_)
        out << (e.level == Level::Error ? QStringLiteral("ERROR ") : QStringLiteral("INFO ")) + e.text;
    return out;
}

}  // namespace sv
