#include "web/TabPast.h"

namespace sv::web {

void OperatorPast::reportTimesAround(qint64 moment, std::function<void(QVector<qint64>)> done) {
    link_.setOperator(login_);
    source_.reportTimesAround(moment, std::move(done));
}

std::pair<qint64, qint64> OperatorPast::span() {
    link_.setOperator(login_);
    return source_.span();
}

void OperatorPast::boardAt(qint64 moment, std::function<void(const PastAnswer&)> done) {
    link_.setOperator(login_);
    source_.boardAt(moment, std::move(done));
}

TabPast::TabPast(PastSource& source, DeskLink& link, const QString& login, PastReplay::Desk desk,
                 std::function<qint64()> clock, std::function<void()> changed)
    : source_(source, link, login), replay_(source_, std::move(desk)), clock_(std::move(clock)),
      changed_(std::move(changed)) {
    replay_.changed = [this] { replayChanged(); };
    playTimer_.setInterval(kPlayTickMs);
    QObject::connect(&playTimer_, &QTimer::timeout, [this] { tick(); });
}

TabPast::~TabPast() {
    replay_.changed = {};
    reader_.reset();  // before the desk it reads
}

void TabPast::step(int by) {
    if (by > 0)
        replay_.stepForward();
    else
        replay_.stepBack();
}

bool TabPast::toReport(int index) {
    const QVector<qint64>& times = replay_.reportTimes();
    if (index < 0 || index >= times.size())
        return false;
    replay_.moveTo(times[index]);
    return true;
}

void TabPast::play(int speed) {
    if (speed <= 0) {
        replay_.pause();
        return;
    }
    lastTickMs_ = clock_();
    replay_.play(speed);
}

PastState TabPast::state() {
    PastState s;
    s.moment = replay_.moment();
    s.banner = replay_.banner();
    s.waiting = replay_.isWaiting();
    s.reports = int(replay_.reportTimes().size());
    s.index = replay_.reportIndex();
    s.speed = replay_.speed();
    s.span = source_.span();
    return s;
}

void TabPast::replayChanged() {
    if (reader_ == nullptr && replay_.desk() != nullptr) {
        reader_ = std::make_unique<so::StatusReader>(replay_.desk()->status());
        reader_->setChangeCallback(changed_);
    }
    if (replay_.isPlaying() && !playTimer_.isActive())
        playTimer_.start();
    else if (!replay_.isPlaying())
        playTimer_.stop();
    changed_();
}

void TabPast::tick() {
    const qint64 now = clock_();
    replay_.advance(now - std::exchange(lastTickMs_, now));
}

}  // namespace sv::web
