// The site's operator directory on the demo site: the demo passwords, a password set and replaced,
// logins that are no operator's (including ones written to break a statement), and the site's
// idle lock time.
#include "AppTestSite.h"
#include "OperatorDirectory.h"

#include <gtest/gtest.h>

namespace {

using sv::OperatorDirectory;

TEST(OperatorDirectory, VerifiesAnOperatorsPasswordAndNothingElse) {
    sv::test::DemoSiteFile site{50};
    OperatorDirectory directory(*site.db);
    const struct {
        const char* login;
        const char* password;
        int operatorId;  // 0: refused
    } cases[] = {
        {"admin", "admin-demo", 1},
        {"ADMIN", "admin-demo", 1},  // login names ignore case on the site
        {"mlee", "mlee-demo", 2},
        {"mlee", "admin-demo", 0},
        {"mlee", "", 0},
        {"nobody", "admin-demo", 0},
        {"admin' OR '1'='1", "admin-demo", 0},
        {"", "", 0},
    };
    for (const auto& c : cases) {
        const auto found = directory.verify(QString::fromUtf8(c.login), c.password);
        EXPECT_EQ(found ? found->id : 0, c.operatorId) << c.login << " / " << c.password;
    }
    EXPECT_EQ(directory.verify("ADMIN", "admin-demo")->login, "admin") << "named as the directory writes it";

    site.db->execute(QStringLiteral("DELETE FROM OperatorPasswords WHERE OperatorID = 3"));
    EXPECT_FALSE(directory.verify("akim", "akim-demo")) << "an operator without a password cannot sign in";
}

TEST(OperatorDirectory, SettingAPasswordReplacesTheOldOne) {
    sv::test::DemoSiteFile site{50};
    OperatorDirectory directory(*site.db);
    QString error;
    ASSERT_TRUE(directory.setPassword("mlee", "a new one: with spaces", error)) << error.toStdString();
    EXPECT_TRUE(directory.verify("mlee", "a new one: with spaces"));
    EXPECT_FALSE(directory.verify("mlee", "mlee-demo"));
    EXPECT_EQ(site.scalar("SELECT count(*) FROM OperatorPasswords WHERE OperatorID = 2").toInt(), 1);

    EXPECT_FALSE(directory.setPassword("nobody", "x", error));
    EXPECT_TRUE(error.contains("no operator")) << error.toStdString();
    EXPECT_FALSE(directory.setPassword("mlee", "", error));
    EXPECT_FALSE(directory.setPassword("mlee", QByteArray(OperatorDirectory::kMaxPasswordBytes + 1, 'x'), error));
    EXPECT_TRUE(directory.verify("mlee", "a new one: with spaces")) << "a refused change changes nothing";
}

TEST(OperatorDirectory, TheSiteSetsTheIdleLockTime) {
    sv::test::DemoSiteFile site{50};
    OperatorDirectory directory(*site.db);
    EXPECT_EQ(directory.idleLockMinutes(), 15) << "the default";
    for (const auto& [value, minutes] : {std::pair{"5", 5}, {" 30 ", 30}, {"0", 15}, {"ten", 15}, {"100000", 15}}) {
        site.db->execute(QStringLiteral("DELETE FROM SiteSettings"));
        site.db->execute(
            QStringLiteral("INSERT INTO SiteSettings VALUES ('OperatorIdleLockMinutes', '%1')").arg(value));
        EXPECT_EQ(directory.idleLockMinutes(), minutes) << value;
    }
}

}  // namespace
