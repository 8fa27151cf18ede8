// The host's drawn image list and its property and help windows (headless here: they log).
#include "host/AppLog.h"
#include "host/DeviceWindows.h"
#include "host/DrawnImageList.h"

#include "AppTestSite.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QRegularExpression>

using sv::DeviceWindows;
using sv::DrawnImageList;

namespace {

TEST(DrawnImageList, EveryIndexTheComponentUsesHasItsOwnDrawing) {
    DrawnImageList images;
    const int used[] = {13, 15, 16, 18, 19, 20, 26, 32, 33, 34, 35, 36, 45, 46, 47,
                        65, 66, 81, 82, 83, 84, 85, 86, 87, 88, 89, 90, 91, 92};
    QSet<QByteArray> distinctPictures;
    for (int index : used) {
        EXPECT_TRUE(DrawnImageList::hasDrawing(index)) << index;
        const QImage img = images.image(index).value<QImage>();
        ASSERT_FALSE(img.isNull()) << index;
        EXPECT_EQ(img.size(), QSize(16, 16));
        distinctPictures.insert(QByteArray(reinterpret_cast<const char*>(img.constBits()), int(img.sizeInBytes())));
    }
    // Pairs that share a meaning share a picture (81/82, 83/84 ...); the kinds of point differ.
    EXPECT_GE(distinctPictures.size(), 20);
    EXPECT_FALSE(images.image(0).value<QImage>().isNull()) << "an unused index still has an image";
    EXPECT_FALSE(images.image(images.count()).isValid());
    EXPECT_FALSE(images.image(-1).isValid());
}

struct WindowsFixture : ::testing::Test {
    sv::test::DemoSiteFile site;
    sv::AppLog log;
    DeviceWindows windows{*site.db, log, true};  // interactive, but no widget application here
    WindowsFixture() { log.setEcho(false); }
};

TEST_F(WindowsFixture, EveryDeviceKindTheComponentNamesHasAStoredRow) {
    const char* kinds[] = {"Door",     "Input",      "ExpInput", "Output",   "ExpOutput",
                           "Reader",   "Controller", "Pylon",    "Port",     "Dialup Location",
                           "CCTVPort", "ZR2Door",    "ZR2Input", "ZR2Relay", "ZR2Reader"};
    for (const char* kind : kinds) {
        const auto table = DeviceWindows::tableForKind(kind);
        ASSERT_TRUE(table.has_value()) << kind;
        const qint32 id = site.scalar(QString("SELECT MIN(%1) FROM %2").arg(table->idColumn, table->table)).toInt();
        const sv::StoredRow row = windows.storedRow(*table, id);
        ASSERT_FALSE(row.isEmpty()) << kind;
        EXPECT_EQ(row.first().first.compare(table->idColumn, Qt::CaseInsensitive), 0) << kind;
    }
    EXPECT_FALSE(DeviceWindows::tableForKind("Doors; DROP TABLE Doors").has_value());
}

TEST(DeviceProperties, StoredColumnsReadAsLabelledFieldsWithFlagsAsYesOrNo) {
    const sv::StoredRow door = {
        {"DoorId", "12"},         {"DoorName", "Garage Gate"}, {"ControllerID", "3"}, {"InputIndex", "2"},
        {"Active", "1"},          {"normal_open", "-1"},       {"Disabled", "0"},     {"ListAddress", "x.CA00"},
        {"SomeNewColumn_x", "7"}, {"Installed", "(none)"}};
    const sv::StoredRow expected = {
        {"Number", "12"},       {"Name", "Garage Gate"},  {"Controller number", "3"}, {"Input on its controller", "2"},
        {"Active", "Yes"},      {"Normally open", "Yes"}, {"Disabled", "No"},         {"Some new column x", "7"},
        {"Installed", "(none)"}};
    EXPECT_EQ(sv::labelledFields(door), expected);
}

TEST_F(WindowsFixture, EveryStoredColumnOfEveryKindGetsALabelInWords) {
    for (const char* kind : {"Door", "Input", "ExpInput", "Output", "Reader", "Controller", "Pylon", "Port", "ZR2Door",
                             "ZR2Input", "ZR2Relay", "ZR2Reader"}) {
        const auto table = DeviceWindows::tableForKind(kind);
        ASSERT_TRUE(table.has_value());
        const qint32 id = site.scalar(QString("SELECT MIN(%1) FROM %2").arg(table->idColumn, table->table)).toInt();
        for (const auto& [label, value] : sv::labelledFields(windows.storedRow(*table, id))) {
            EXPECT_FALSE(label.contains(QLatin1Char('_'))) << kind << " " << label.toStdString();
            EXPECT_FALSE(label.contains(QRegularExpression(QStringLiteral("[a-z][A-Z]"))))
                << kind << " " << label.toStdString();
        }
    }
}

TEST_F(WindowsFixture, HeadlessThePropertiesAndHelpAreLoggedNotShown) {
    EXPECT_FALSE(windows.opensWindows());
    const qint32 door = site.scalar("SELECT MIN(DoorId) FROM Doors").toInt();
    const QString name = site.scalar(QString("SELECT DoorName FROM Doors WHERE DoorId = %1").arg(door)).toString();
    windows.showDevice("Door", door);
    ASSERT_EQ(log.infoCount(), 1);
    EXPECT_TRUE(log.lines().last().contains(name)) << log.lines().last().toStdString();

    windows.showRecorder(5001);  // the demo site's DVR
    EXPECT_TRUE(log.lines().last().contains("Video Recorder 5001"));
    windows.showHelp(212);
    EXPECT_TRUE(log.lines().last().contains("Status Viewer"));
    EXPECT_EQ(windows.openWindowCount(), 0);
    EXPECT_EQ(log.errorCount(), 0);

    windows.showDevice("Toaster", 1);
    windows.showDevice("Door", -5);
    windows.showRecorder(-1);
    EXPECT_EQ(log.errorCount(), 3);
}

}  // namespace
