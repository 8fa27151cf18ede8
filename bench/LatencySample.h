// Per-call latency of a benchmark's body: each call timed on its own with the monotonic clock, the
// figures taken from the sorted samples. The clock costs about 20-30 ns per reading pair; that
// cost is included in the figures and reported next to them (clockNs).
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace so::bench {

struct Latency {
    double p50Ns = 0;
    double p99Ns = 0;
    double maxNs = 0;
    double meanNs = 0;
    double clockNs = 0;
};

/// Runs body(i) for i = 0 .. count-1, timing each call.
template <typename Body>
Latency sampleLatency(int count, Body&& body) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> samples;
    samples.reserve(size_t(count));
    std::vector<double> empty;
    empty.reserve(1000);
    for (int i = 0; i < 1000; ++i) {
        const auto t0 = Clock::now();
        const auto t1 = Clock::now();
        empty.push_back(std::chrono::duration<double, std::nano>(t1 - t0).count());
    }
    double total = 0;
    for (int i = 0; i < count; ++i) {
        const auto t0 = Clock::now();
        body(i);
        const auto t1 = Clock::now();
        const double ns = std::chrono::duration<double, std::nano>(t1 - t0).count();
        samples.push_back(ns);
        total += ns;
    }
    Latency out;
    if (samples.empty())
        return out;
    std::sort(samples.begin(), samples.end());
    std::sort(empty.begin(), empty.end());
    const auto at = [&](double q) { return samples[std::min(samples.size() - 1, size_t(q * double(samples.size())))]; };
    out.p50Ns = at(0.50);
    out.p99Ns = at(0.99);
    out.maxNs = samples.back();
    out.meanNs = total / double(samples.size());
    out.clockNs = empty[empty.size() / 2];
    return out;
}

}  // namespace so::bench
