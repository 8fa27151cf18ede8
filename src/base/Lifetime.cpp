#include "base/Lifetime.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace so {

Lifetime::Scope::Scope(Lifetime& lifetime, Entry entry) : lifetime_(lifetime), entry_(entry) { ++lifetime_.depth_; }

Lifetime::Scope::~Scope() {
    if (--lifetime_.depth_ > 0 || !lifetime_.teardown_)
        return;
    // The teardown destroys lifetime_: nothing of it is touched after.
    std::function<void()> teardown = std::move(lifetime_.teardown_);
    QCoreApplication* app = QCoreApplication::instance();
    if (entry_ == Entry::WindowEvent && app != nullptr)
        QMetaObject::invokeMethod(app, std::move(teardown), Qt::QueuedConnection);
    else
        teardown();
}

void Lifetime::end(std::function<void()> teardown) {
    ended_ = true;
    if (depth_ == 0)
        teardown();
    else
        teardown_ = std::move(teardown);
}

}  // namespace so
