// The fuzz entry functions. Each takes one input (any bytes), drives a part of the component with
// it and checks what must hold whatever the input. The libFuzzer mains (fuzz/mains) call them, and
// so does the replay test (tests/reliability), which feeds every kept corpus and regression input
// through them in the ordinary test run.
//
// A broken invariant throws Finding; the libFuzzer mains turn it into an abort (a reported crash),
// the replay test into a failed test. A crash or a sanitizer report is a finding too.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace so::fuzz {

/// An invariant a fuzz input broke.
class Finding : public std::logic_error {
public:
    explicit Finding(const QString& what) : std::logic_error(what.toStdString()) {}
};

/// Throws Finding with what when ok is false.
inline void check(bool ok, const QString& what) {
    if (!ok)
        throw Finding(what);
}

using EntryFunction = int (*)(const std::uint8_t* data, std::size_t size);

/// T-SQL tokenizer and rewriter: tokens give back the source; statement ranges are ordered; the
/// rewrite never changes a string literal, quoted name or comment, and its output reads again.
int tsqlRewriter(const std::uint8_t* data, std::size_t size);

/// Column layout text: parse into a grid, build back, parse again: same columns, same text.
int columnLayout(const std::uint8_t* data, std::size_t size);

/// Address helpers and the number conversions of reported values.
int addressHelpers(const std::uint8_t* data, std::size_t size);

/// SuperStatus status texts: split/join and parse, then the text replayed through the intake of a
/// filled window.
int statusTexts(const std::uint8_t* data, std::size_t size);

/// Sequences of StateChange calls with arbitrary device types, addresses, states, times and
/// values on a filled window.
int stateChanges(const std::uint8_t* data, std::size_t size);

/// SyncPipe with arbitrary topics, actions, data and senders on a filled window.
int syncPipe(const std::uint8_t* data, std::size_t size);

struct Target {
    /// Folder name under fuzz/corpus and fuzz/regressions, and the fuzzer's executable suffix.
    const char* name;
    EntryFunction run;
};

/// Every target, in a fixed order.
inline const std::vector<Target>& targets() {
    static const std::vector<Target> all = {
        {"tsql", &tsqlRewriter},      {"layout", &columnLayout},      {"address", &addressHelpers},
        {"statustext", &statusTexts}, {"statechange", &stateChanges}, {"syncpipe", &syncPipe},
    };
    return all;
}

}  // namespace so::fuzz
