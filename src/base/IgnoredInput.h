// Input from the host that the component cannot use: a device type word it does not know, an
// address of no form it knows, a notice of another topic or an unknown action. Such input changes
// nothing and never fails the call, but it does not vanish either: each is counted, and the first
// of each kind is written to the component's log with what it was (later ones only add to the
// count, so a host that keeps sending it cannot fill the log).
#pragma once

#include <QString>

#include <array>

namespace so {

class ErrorLog;

class IgnoredInput {
public:
    enum class Kind { DeviceType, Address, NoticeTopic, NoticeAction, Count };

    /// Counts one ignored input of `kind`; `what` quotes it in the log line of the first one.
    void note(Kind kind, const QString& what, ErrorLog& log);

    /// Ignored inputs of one kind, or of every kind.
    int count(Kind kind) const { return counts_[std::size_t(kind)]; }
    int total() const;

private:
    std::array<int, std::size_t(Kind::Count)> counts_{};
};

}  // namespace so
