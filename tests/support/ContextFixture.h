// A component context on the recording fake host and scripted dialogs, logging into a scratch
// folder: what the tests of the lower layers run their code against.
#pragma once

#include "support/FakeDialogs.h"
#include "support/FakeHost.h"

#include "base/ComponentContext.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace so::test {

class ContextFixture : public ::testing::Test {
protected:
    ContextFixture() {
        ctx.parent = &host;
        ctx.ntConnection = &host;
        ctx.dialogs = &dialogs;
        ctx.errorLog.setFolder(logDir.path());
    }

    /// Reports written to the component's own log (names with a point).
    int ownLogReports() const { return ctx.errorLog.reportsWritten(); }
    /// Everything logged anywhere: own log reports plus the host's LogError calls.
    int failuresLogged() const { return ownLogReports() + int(host.loggedErrors.size()); }

    QTemporaryDir logDir;
    FakeHost host;
    FakeDialogs dialogs;
    ComponentContext ctx;
};

}  // namespace so::test
