// The status viewer's own log: what the hosted components reported through LogError, texts the
// host could not find, and what the host did instead of opening a window while headless.
// Kept in memory (the newest entries; the counters cover the whole run) and echoed to Qt's log.
#pragma once

#include "SiteLog.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

namespace sv {

class AppLog final : public SiteLog {
public:
    enum class Level { Info, Error };
    struct Entry {
        QDateTime time;
        Level level = Level::Info;
        QString text;
    };

    /// At most this many entries are kept; older ones are dropped (the counters keep counting).
    explicit AppLog(int capacity = 10000) : capacity_(capacity) {}

    void info(const QString& text) override;
    void error(const QString& text) override;

    const QVector<Entry>& entries() const { return entries_; }
    /// The kept entries as "LEVEL text" lines, oldest first.
    QStringList lines() const;
    /// Errors logged since the start (also those no longer kept).
    int errorCount() const { return errorCount_; }
    int infoCount() const { return infoCount_; }

    /// Echo each entry to Qt's log (qInfo / qWarning); on by default.
    void setEcho(bool on) { echo_ = on; }

private:
    void append(Level level, const QString& text);

    int capacity_;
    QVector<Entry> entries_;
    int errorCount_ = 0;
    int infoCount_ = 0;
    bool echo_ = true;
};

}  // namespace sv
