// What one browser tab shows of the site's past: a replay (desk/PastReplay.h: a read-only
// headless desk on a scratch copy of the site) of the operator's group, read through a
// StatusReader of its own, stepped, moved along its report times or played at a chosen speed.
// The tab's rows, counts and attention come from it while it lives; it offers no command (its desk
// refuses every permission) and the tab takes none. It ends with "Live", the tab or the session.
#pragma once

#include "desk/PastReplay.h"
#include "web/WebProtocol.h"

#include "MqttSite.h"

#include <statusobject/StatusReader.h>

#include <QTimer>

#include <functional>
#include <memory>

namespace sv::web {

/// The web desk's history as one operator asks for it: over the site bus each request names that
/// operator and carries the field's session of that operator (the web desk's link serves every
/// operator signed in through it, as its commands do), so a tab never obtains a board under
/// another operator's session, and an operator the field has not signed in is refused.
class OperatorPast final : public PastSource {
public:
    OperatorPast(PastSource& source, DeskLink& link, QString login)
        : source_(source), link_(link), login_(std::move(login)) {}
    std::pair<qint64, qint64> span() override;
    void reportTimesAround(qint64 moment, std::function<void(QVector<qint64>)> done) override;
    void boardAt(qint64 moment, std::function<void(const PastAnswer&)> done) override;

private:
    PastSource& source_;
    DeskLink& link_;
    QString login_;
};

class TabPast {
public:
    /// How often a replay that plays moves on.
    static constexpr int kPlayTickMs = 200;

    /// `clock`: the web desk's steady milliseconds (playing moves on by what passed); `changed`:
    /// called after each change of what the replay shows.
    TabPast(PastSource& source, DeskLink& link, const QString& login, PastReplay::Desk desk,
            std::function<qint64()> clock, std::function<void()> changed);
    ~TabPast();
    TabPast(const TabPast&) = delete;
    TabPast& operator=(const TabPast&) = delete;

    void moveTo(qint64 moment) { replay_.moveTo(moment); }
    void step(int by);
    /// To the report time at index (the slider's); false when there is none.
    bool toReport(int index);
    /// Plays at speed times real time; 0 pauses.
    void play(int speed);

    /// The reader of the past desk; null until the first board came (or when it could not be shown).
    so::StatusReader* reader() { return reader_.get(); }
    /// The first board could not be shown: what the banner says why.
    bool failed() const { return reader_ == nullptr && !replay_.isWaiting(); }
    PastState state();
    QString banner() const { return replay_.banner(); }

private:
    void replayChanged();
    void tick();

    OperatorPast source_;
    PastReplay replay_;
    std::function<qint64()> clock_;
    std::function<void()> changed_;
    std::unique_ptr<so::StatusReader> reader_;
    QTimer playTimer_;
    qint64 lastTickMs_ = 0;
};

}  // namespace sv::web
