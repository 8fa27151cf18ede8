// The status viewer's command line, the decision to run headless, the window tiling and the
// summary line a headless run prints.
#include "cli/CliOptions.h"
#include "demo/App.h"

#include <gtest/gtest.h>

namespace {

using sv::parseCommandLine;

sv::CommandLine parse(const QStringList& args) { return parseCommandLine(QStringList{"statusviewer"} + args); }

TEST(CommandLine, DefaultsWithoutArguments) {
    const sv::CommandLine c = parse({});
    ASSERT_TRUE(c.error.isEmpty()) << c.error.toStdString();
    EXPECT_TRUE(c.options.dbUrl.isEmpty());
    EXPECT_EQ(c.options.scale, 2000);
    EXPECT_EQ(c.options.workstations, 1);
    EXPECT_EQ(c.options.rate, 200.0);
    EXPECT_FALSE(c.options.headless);
    EXPECT_FALSE(c.options.seconds.has_value());
    EXPECT_FALSE(c.options.outDir.has_value());
}

TEST(CommandLine, EveryOptionIsRead) {
    const sv::CommandLine c =
        parse({"--db", "sqlite:/tmp/a site.db", "--scale", "300", "--operator", "mlee", "--workstations", "3", "--rate",
               "12.5", "--headless", "--seconds", "2", "--out", "shots", "--abnormal-only"});
    ASSERT_TRUE(c.error.isEmpty()) << c.error.toStdString();
    EXPECT_EQ(c.options.dbUrl, "sqlite:/tmp/a site.db");
    EXPECT_EQ(c.options.scale, 300);
    EXPECT_EQ(c.options.operatorName, "mlee");
    EXPECT_EQ(c.options.workstations, 3);
    EXPECT_EQ(c.options.rate, 12.5);
    EXPECT_TRUE(c.options.headless);
    EXPECT_EQ(c.options.seconds, 2.0);
    EXPECT_EQ(c.options.outDir, QString("shots"));
    EXPECT_TRUE(c.options.abnormalOnly);
    EXPECT_FALSE(parse({}).options.abnormalOnly);
    EXPECT_FALSE(c.options.createDemo);
    EXPECT_TRUE(parse({"--db", "sqlite:new.db", "--create-demo"}).options.createDemo);
    EXPECT_TRUE(parse({"--help"}).helpRequested);
    EXPECT_EQ(parse({"--rate", "0"}).options.rate, 0.0) << "a quiet field is allowed";
}

TEST(CommandLine, RefusedArgumentsNameTheProblem) {
    const struct {
        QStringList args;
        const char* mentions;
    } cases[] = {
        {{"--scale", "0"}, "--scale"},
        {{"--scale", "100001"}, "--scale"},
        {{"--scale", "2,000"}, "--scale"},
        {{"--workstations", "0"}, "--workstations"},
        {{"--workstations", "17"}, "--workstations"},
        {{"--rate", "-1"}, "--rate"},
        {{"--rate", "nan"}, "--rate"},
        {{"--seconds", "0"}, "--seconds"},
        {{"--seconds", "inf"}, "--seconds"},
        {{"--db", " "}, "--db"},
        {{"--operator", ""}, "--operator"},
        {{"--out", ""}, "--out"},
        {{"--scale"}, "scale"},
        {{"--colour", "red"}, "colour"},
        {{"extra"}, "extra"},
        {{"--create-demo"}, "--db"},
    };
    for (const auto& c : cases) {
        const sv::CommandLine result = parse(c.args);
        EXPECT_TRUE(result.error.contains(QLatin1String(c.mentions)))
            << c.args.join(' ').toStdString() << " -> \"" << result.error.toStdString() << '"';
    }
}

TEST(CommandLine, TheRolesOfAMultiDeskSiteTakeTheBrokerAndItsLogin) {
    const sv::CommandLine desk =
        parse({"workstation", "--broker", "mqtt://10.0.0.5:1884", "--db", "sqlite:s.db", "--computer-name", "WS3",
               "--broker-user", "WS3", "--broker-password-file", "/etc/sv/desk.pw", "--broker-tls", "ca.crt", "--site",
               "north", "--group", "Entire Site", "--control"});
    ASSERT_TRUE(desk.error.isEmpty()) << desk.error.toStdString();
    EXPECT_EQ(desk.options.role, sv::Role::Workstation);
    EXPECT_EQ(desk.options.broker.host, "10.0.0.5");
    EXPECT_EQ(desk.options.broker.port, 1884);
    EXPECT_EQ(desk.options.broker.user, "WS3");
    EXPECT_EQ(desk.options.broker.passwordFile, "/etc/sv/desk.pw");
    EXPECT_EQ(desk.options.broker.tlsCaFile, "ca.crt");
    EXPECT_EQ(desk.options.broker.site, "north");
    EXPECT_EQ(desk.options.computerName, "WS3");
    EXPECT_EQ(desk.options.group, "Entire Site");
    EXPECT_TRUE(desk.options.control);

    const sv::CommandLine kiosk = parse(
        {"workstation", "--broker", "mqtt://h", "--operator", "mlee", "--operator-password-file", "/etc/sv/mlee.pw"});
    ASSERT_TRUE(kiosk.error.isEmpty()) << kiosk.error.toStdString();
    EXPECT_EQ(kiosk.options.operatorName, "mlee");
    EXPECT_EQ(kiosk.options.operatorPasswordFile, "/etc/sv/mlee.pw");
    const sv::CommandLine password = parse({"operator-password", "--db", "sqlite:s.db", "mlee"});
    ASSERT_TRUE(password.error.isEmpty()) << password.error.toStdString();
    EXPECT_EQ(password.options.role, sv::Role::OperatorPassword);
    EXPECT_EQ(password.options.operatorName, "mlee");

    const sv::CommandLine field =
        parse({"field", "--broker", "mqtt://broker", "--reports", "20000", "--burst", "5000"});
    ASSERT_TRUE(field.error.isEmpty()) << field.error.toStdString();
    EXPECT_EQ(field.options.role, sv::Role::Field);
    EXPECT_EQ(field.options.broker.port, 1883);
    EXPECT_EQ(field.options.broker.site, "main");
    EXPECT_EQ(field.options.reports, 20000);
    EXPECT_EQ(field.options.burst, 5000);
    EXPECT_EQ(parse({}).options.role, sv::Role::Demo);

    const sv::CommandLine web = parse({"web", "--broker", "mqtt://h", "--trusted-proxy", "10.0.0.5", "--trusted-proxy",
                                       "::1", "--allowed-host", "status.site.example"});
    ASSERT_TRUE(web.error.isEmpty()) << web.error.toStdString();
    EXPECT_EQ(web.options.trustedProxies, (QList<QHostAddress>{QHostAddress("10.0.0.5"), QHostAddress("::1")}));
    EXPECT_EQ(web.options.allowedHosts, QStringList{"status.site.example"});

    const struct {
        QStringList args;
        const char* mentions;
    } refused[] = {
        {{"field"}, "--broker"},
        {{"--broker", "mqtt://h:1"}, "role"},
        {{"desk", "--broker", "mqtt://h:1"}, "desk"},
        {{"field", "extra", "--broker", "mqtt://h:1"}, "extra"},
        {{"field", "--broker", "tcp://h:1"}, "mqtt://"},
        {{"field", "--broker", "mqtt://user:pw@h:1"}, "mqtt://"},  // a password never on the command line
        {{"field", "--broker", "mqtt://h:99999"}, "mqtt://"},
        {{"field", "--broker", "mqtt://h", "--computer-name", "WS1"}, "--computer-name"},
        {{"workstation", "--broker", "mqtt://h", "--reports", "5"}, "--reports"},
        {{"workstation", "--broker", "mqtt://h", "--burst", "5"}, "--burst"},
        {{"field", "--broker", "mqtt://h", "--burst", "-1"}, "burst"},
        {{"workstation", "--broker", "mqtt://h", "--workstations", "2"}, "--workstations"},
        {{"workstation", "--broker", "mqtt://h", "--broker-password-file", "pw"}, "--broker-user"},
        {{"workstation", "--broker", "mqtt://h", "--site", "a/b"}, "--site"},
        {{"workstation", "--broker", "mqtt://h", "--site", "#"}, "--site"},
        {{"workstation", "--broker", "mqtt://h", "--operator-password-file", "pw"}, "--operator"},
        {{"field", "--broker", "mqtt://h", "--operator", "admin", "--operator-password-file", "pw"}, "workstation"},
        {{"operator-password", "admin"}, "--db"},
        {{"operator-password"}, "operator-password"},
        {{"web", "--broker", "mqtt://h", "--trusted-proxy", "proxy.site.example"}, "--trusted-proxy"},
        {{"workstation", "--broker", "mqtt://h", "--allowed-host", "x"}, "--allowed-host"},
    };
    for (const auto& c : refused) {
        const sv::CommandLine result = parse(c.args);
        EXPECT_TRUE(result.error.contains(QLatin1String(c.mentions)))
            << c.args.join(' ').toStdString() << " -> \"" << result.error.toStdString() << '"';
    }
}

TEST(CommandLine, HeadlessWhenAskedOrWithoutAScreen) {
    sv::AppOptions plain;
    sv::AppOptions asked;
    asked.headless = true;
    const struct {
        const sv::AppOptions& options;
        const char* display;
        const char* wayland;
        const char* platform;
        bool headless;
    } cases[] = {
        {plain, ":0", "", "", false},         {plain, "", "wayland-0", "", false}, {plain, "", "", "", true},
        {plain, ":0", "", "offscreen", true}, {plain, ":0", "", "xcb", false},     {asked, ":0", "", "", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sv::runsHeadless(c.options, c.display, c.wayland, c.platform), c.headless)
            << c.display << '|' << c.wayland << '|' << c.platform << '|' << c.options.headless;
    }
}

TEST(Tiling, WindowsSitSideBySideThenInAGridInsideTheArea) {
    const QRect area(10, 20, 1200, 900);
    EXPECT_EQ(sv::tileWindows(area, 1), QVector<QRect>{area});
    const QVector<QRect> three = sv::tileWindows(area, 3);
    ASSERT_EQ(three.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(three[i], QRect(10 + 400 * i, 20, 400, 900));
    const QVector<QRect> five = sv::tileWindows(area, 5);  // 3 columns, 2 rows
    ASSERT_EQ(five.size(), 5);
    EXPECT_EQ(five[3], QRect(10, 470, 400, 450));
    for (const QRect& r : five)
        EXPECT_TRUE(area.contains(r));
    EXPECT_TRUE(sv::tileWindows(area, 0).isEmpty());
}

TEST(Summary, OneLineWithTheRateAndSingularCounts) {
    sv::RunSummary s{2, 1234, 5678, 5.0, 0};
    EXPECT_EQ(s.line(),
              "statusviewer: 2 workstations, 1234 points shown, 5678 state changes applied (1136/s), "
              "0 errors logged");
    sv::RunSummary one{1, 1, 1, 0.0, 1};
    EXPECT_EQ(one.line(), "statusviewer: 1 workstation, 1 point shown, 1 state change applied (0/s), 1 error logged");
}

}  // namespace
