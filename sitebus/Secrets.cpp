#include "Secrets.h"

#include <sodium.h>

#include <algorithm>
#include <vector>

namespace sv {
namespace {

void startSodium() {
    if (sodium_init() < 0)
        qFatal("libsodium cannot start: no random source");
}

}  // namespace

QByteArray hashPassword(const QByteArray& password) {
    startSodium();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, password.constData(), quint64(password.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return {};
    return QByteArray(out);
}

bool passwordMatches(const QByteArray& hash, const QByteArray& password) {
    if (hash.isEmpty() || hash.size() >= crypto_pwhash_STRBYTES)
        return false;
    startSodium();
    // The hash is copied into a buffer of the size libsodium reads, terminated.
    char stored[crypto_pwhash_STRBYTES] = {};
    std::copy(hash.begin(), hash.end(), stored);
    return crypto_pwhash_str_verify(stored, password.constData(), quint64(password.size())) == 0;
}

void verifyAgainstDecoy(const QByteArray& password) {
    static const QByteArray decoy = hashPassword(newToken());
    passwordMatches(decoy, password);
}

QByteArray randomBytes(int bytes) {
    startSodium();
    QByteArray out(bytes, Qt::Uninitialized);
    randombytes_buf(out.data(), size_t(out.size()));
    return out;
}

QByteArray newToken() {
    return randomBytes(32).toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

bool sameSecret(const QByteArray& a, const QByteArray& b) {
    // The lengths are not secret (every token has the same one); the contents are compared in
    // constant time.
    return a.size() == b.size() && !a.isEmpty() && sodium_memcmp(a.constData(), b.constData(), size_t(a.size())) == 0;
}

// ---- SignInLimiter

qint64 SignInLimiter::waitMs(const QString& key, qint64 nowMs) const {
    const auto it = records_.constFind(key);
    if (it == records_.constEnd() || it->failures < kFreeFailures)
        return 0;
    const int doublings = std::min(it->failures - kFreeFailures, 30);
    const qint64 delay = std::min(kMaxDelayMs, kFirstDelayMs << doublings);
    return std::max<qint64>(0, it->lastMs + delay - nowMs);
}

void SignInLimiter::failed(const QString& key, qint64 nowMs) {
    forget(nowMs);
    Record& record = records_[key];
    ++record.failures;
    record.lastMs = nowMs;
}

void SignInLimiter::succeeded(const QString& key) { records_.remove(key); }

void SignInLimiter::forget(qint64 nowMs) {
    // Quiet keys are swept once a minute, or when the table is full.
    if (nowMs - lastSweepMs_ < kSweepMs && records_.size() < kMaxKeys)
        return;
    lastSweepMs_ = nowMs;
    for (auto it = records_.begin(); it != records_.end();)
        it = nowMs - it->lastMs > kForgetMs ? records_.erase(it) : std::next(it);
    if (records_.size() < kMaxKeys)
        return;
    // Full of recent keys (a flood of made-up logins): the stalest half goes in one pass, so a
    // failure costs the same on average however long the flood lasts.
    std::vector<qint64> times;
    times.reserve(size_t(records_.size()));
    for (const Record& record : std::as_const(records_))
        times.push_back(record.lastMs);
    const auto middle = times.begin() + std::ptrdiff_t(times.size() / 2);
    std::nth_element(times.begin(), middle, times.end());
    const qint64 cut = *middle;
    for (auto it = records_.begin(); it != records_.end();)
        it = it->lastMs <= cut ? records_.erase(it) : std::next(it);
}

}  // namespace sv
