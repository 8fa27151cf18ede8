// Collects the failures QAbstractItemModelTester reports in warning mode, so a test can assert
// that there were none and print them when there were.
#pragma once

#include <QStringList>
#include <QtGlobal>

namespace so::test {

class ModelTesterGuard {
public:
    ModelTesterGuard() {
        current() = this;
        previous_ = qInstallMessageHandler(&ModelTesterGuard::handle);
    }
    ~ModelTesterGuard() {
        qInstallMessageHandler(previous_);
        current() = nullptr;
    }
    ModelTesterGuard(const ModelTesterGuard&) = delete;
    ModelTesterGuard& operator=(const ModelTesterGuard&) = delete;

    const QStringList& failures() const { return failures_; }

private:
    static ModelTesterGuard*& current() {
        static ModelTesterGuard* guard = nullptr;
        return guard;
    }
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        ModelTesterGuard* guard = current();
        if (guard != nullptr && type != QtDebugMsg && context.category != nullptr &&
            QLatin1String(context.category) == QLatin1String("qt.modeltest")) {
            guard->failures_ << message;
            return;
        }
        if (guard != nullptr && guard->previous_ != nullptr)
            guard->previous_(type, context, message);
    }

    QtMessageHandler previous_ = nullptr;
    QStringList failures_;
};

}  // namespace so::test
