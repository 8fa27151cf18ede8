// Input from the host that the component cannot use: a device type word it does not know, an
// address of no form it knows, a device type word naming another kind of point than the address,
// a state no device has, a time that is not one, a notice of another topic or an unknown action, a notice or report
// whose handling failed, a controller id that names none, a report from another thread. Such input
// changes nothing and never fails the call or shows a box, but it does not vanish either: each is
// counted, the first of each kind is written to the component's log with what it was (later ones
// only add to the count, so a host that keeps sending it cannot fill the log), and the host's
// LogError hears of it with the reason, at most once a kind per kHostIntervalMs (see refuseInput
// in ErrorTrap.h).
#pragma once

#include <QString>

#include <array>

namespace so {

class ErrorLog;

class IgnoredInput {
public:
    enum class Kind {
        DeviceType,
        Address,
        PointMismatch,
        State,
        Time,
        NoticeTopic,
        NoticeAction,
        Failed,
        ControllerId,
        Thread,
        Count
    };

    /// The host hears of one input of a kind in this time at most.
    static constexpr qint64 kHostIntervalMs = 10'000;

    /// Counts one ignored input of `kind`; `what` quotes it in the log line of the first one.
    void note(Kind kind, const QString& what, ErrorLog& log);
    /// Whether the host may hear of an input of `kind` at `nowMs` (a steady clock); when it may,
    /// `heldBack` is how many of that kind it was not told of since the last time.
    bool mayTellHost(Kind kind, qint64 nowMs, int& heldBack);
    /// What the inputs of a kind are, in words.
    static QString describe(Kind kind);

    /// Ignored inputs of one kind, or of every kind.
    int count(Kind kind) const { return counts_[std::size_t(kind)]; }
    int total() const;

private:
    struct HostReports {
        qint64 lastMs = 0;
        bool told = false;
        int heldBack = 0;
    };
    std::array<int, std::size_t(Kind::Count)> counts_{};
    std::array<HostReports, std::size_t(Kind::Count)> hostReports_{};
};

}  // namespace so
