#include "field/HistoryEncoder.h"

namespace sv::history {

void HistoryEncoder::apply(HistoryEvent&& event, QVector<HistoryJob>& out) {
    switch (event.kind) {
    case HistoryEvent::BeginSeed:
        closeBlock(out);
        pointIndex_.clear();
        keys_.clear();
        states_.clear();
        addressIndex_.clear();
        addresses_.clear();
        deviceTypeIndex_.clear();
        deviceTypes_.clear();
        seeding_ = true;
        running_ = false;
        break;
    case HistoryEvent::EndSeed:
        seeding_ = false;
        running_ = true;
        snapshot(event.time, true, out);
        break;
    case HistoryEvent::Change: change(event.time, event.key, std::move(event.state), out); break;
    case HistoryEvent::Report: report(event, out); break;
    }
}

void HistoryEncoder::change(qint64 t, const PointKey& key, PointState&& state, QVector<HistoryJob>& out) {
    if (!seeding_ && !running_)
        return;
    if (!seeding_)
        timeRecord(t, out);
    Encoder encoder(open_);
    int at = pointIndex_.value(key, -1);
    if (at < 0) {
        at = int(keys_.size());
        pointIndex_.insert(key, at);
        keys_.append(key);
        states_.append(PointState{});
        if (!seeding_) {
            encoder.tag(RecordKind::DefinePoint, 0);
            encoder.point(key);
        }
    } else if (states_[at] == state) {
        return;
    }
    if (!seeding_) {
        encoder.tag(RecordKind::Change, quint64(at));
        encoder.signedVarint(t - lastRecord_);
        encoder.state(state);
        lastRecord_ = t;
    }
    states_[at] = std::move(state);
    if (open_.size() >= limits_.blockBytes)
        closeBlock(out);
}

void HistoryEncoder::report(const HistoryEvent& event, QVector<HistoryJob>& out) {
    if (!running_)
        return;
    timeRecord(event.time, out);
    const int type = index(deviceTypeIndex_, deviceTypes_, event.deviceType, RecordKind::DefineDeviceType);
    const int at = index(addressIndex_, addresses_, event.address, RecordKind::DefineAddress);
    Encoder encoder(open_);
    encoder.tag(RecordKind::Report, quint64(at));
    encoder.signedVarint(event.time - lastRecord_);
    encoder.varint(quint64(type));
    encoder.varint(quint64(quint8(event.reportState)));
    encoder.text(event.value);
    lastRecord_ = event.time;
    if (open_.size() >= limits_.blockBytes)
        closeBlock(out);
}

int HistoryEncoder::index(QHash<QString, int>& indexes, QStringList& list, const QString& text, RecordKind define) {
    const auto it = indexes.constFind(text);
    if (it != indexes.cend())
        return *it;
    const int at = int(list.size());
    indexes.insert(text, at);
    list.append(text);
    Encoder encoder(open_);
    encoder.tag(define, 0);
    encoder.text(text);
    return at;
}

void HistoryEncoder::timeRecord(qint64 t, QVector<HistoryJob>& out) {
    // A new hour (or a clock set back before the segment) opens a new segment.
    if (t / limits_.segmentMs != segmentStart_ / limits_.segmentMs || t < segmentStart_)
        snapshot(t, true, out);
    else if (t - lastSnapshot_ >= limits_.snapshotMs)
        snapshot(t, false, out);
    if (open_.isEmpty()) {
        openFirst_ = t;
        lastRecord_ = t;
    }
}

void HistoryEncoder::snapshot(qint64 t, bool newSegment, QVector<HistoryJob>& out) {
    closeBlock(out);
    Block block{BlockKind::Snapshot, t, t, {}};
    Encoder encoder(block.payload);
    encoder.varint(quint64(deviceTypes_.size()));
    for (const QString& type : std::as_const(deviceTypes_))
        encoder.text(type);
    encoder.varint(quint64(addresses_.size()));
    for (const QString& address : std::as_const(addresses_))
        encoder.text(address);
    encoder.varint(quint64(keys_.size()));
    for (qsizetype i = 0; i < keys_.size(); ++i) {
        encoder.point(keys_[i]);
        encoder.state(states_[i]);
    }
    if (newSegment)
        segmentStart_ = t;
    lastSnapshot_ = t;
    out.append({std::move(block), newSegment});
}

void HistoryEncoder::closeBlock(QVector<HistoryJob>& out) {
    if (open_.isEmpty())
        return;
    out.append({{BlockKind::Deltas, openFirst_, lastRecord_, std::move(open_)}, false});
    open_ = {};
}

}  // namespace sv::history
