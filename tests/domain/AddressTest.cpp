#include "base/Errors.h"
#include "domain/Address.h"

#include <statusobject/GroupPoint.h>

#include <gtest/gtest.h>

namespace so {
namespace {

const QString kCtrl = QStringLiteral("\\\\SNET.P001.C0101");  // a classic controller, 17 characters

TEST(Address, ClassificationFollowsTheOrderedTests) {
    struct Case {
        QString address;
        PointKind kind;
    };
    const Case cases[] = {
        {kCtrl + ".SM03", PointKind::Reader},
        {kCtrl + ".BI03", PointKind::Input},
        {kCtrl + ".BR03", PointKind::Relay},
        {kCtrl + ".DR03", PointKind::Door},
        {kCtrl + ".XR12", PointKind::ExpRelay},
        {kCtrl + ".XI12", PointKind::ExpInput},
        // "SM" is tested before "DR": a door whose network part holds "SM" reads as a reader.
        {QStringLiteral("\\\\SNET.SM1.C0101.DR01"), PointKind::Reader},
        {kCtrl, PointKind::Controller},
        {QStringLiteral("\\\\PYLON.P00001"), PointKind::Pylon},
        {QStringLiteral("\\\\PYLON.P00001.0001"), PointKind::Pylon},
        {QStringLiteral("\\\\PORT.CO1"), PointKind::ServerPort},
        {QStringLiteral("\\\\PORT.COM1"), PointKind::None},  // 11 characters
        {QStringLiteral(""), PointKind::None},
        {QStringLiteral("abc"), PointKind::None},
        {QStringLiteral("\\\\SNET.x.sm01"), PointKind::None},  // codes are case-sensitive
    };
    for (const Case& c : cases)
        EXPECT_EQ(classifyAddress(c.address), c.kind) << c.address.toStdString();
    EXPECT_EQ(kCtrl.size(), 17);
}

TEST(Address, DoorAddressReplacesThePointCode) {
    EXPECT_EQ(ConvertToDoorAddress(kCtrl + ".SM12"), kCtrl + ".DR12");
    EXPECT_EQ(ConvertToDoorAddress(kCtrl + ".BR01"), kCtrl + ".DR01");
    EXPECT_EQ(ConvertToDoorAddress(kCtrl + ".BI03"), kCtrl + ".DR03");
    EXPECT_EQ(ConvertToDoorAddress(kCtrl + ".DR07"), kCtrl + ".DR07");
    EXPECT_EQ(ConvertToDoorAddress(QStringLiteral("BI03")), QStringLiteral("DR03"));
    for (const QString& tooShort : {QString(), QStringLiteral("a"), QStringLiteral("'03")})
        EXPECT_THROW(ConvertToDoorAddress(tooShort), ComponentError) << tooShort.toStdString();
}

TEST(Address, ControllerOfAPoint) {
    EXPECT_EQ(classicControllerAddress(kCtrl + ".BR01"), kCtrl);
    // Three-digit point numbers keep one digit too many; callers accept it.
    EXPECT_EQ(classicControllerAddress(kCtrl + ".XR100"), kCtrl + ".");
    EXPECT_THROW(classicControllerAddress(QStringLiteral("BR01")), ComponentError);
    EXPECT_EQ(newerLineControllerAddress(QStringLiteral("\\\\ZRII.00001.01.BI0101")),
              QStringLiteral("\\\\ZRII.00001.01"));
    EXPECT_EQ(newerLineControllerAddress(QStringLiteral("\\\\ZRII")), QStringLiteral("\\\\ZRII"));
    EXPECT_TRUE(isNewerLineAddress(QStringLiteral("\\\\ZRII.00001")));
    EXPECT_FALSE(isNewerLineAddress(QStringLiteral("\\\\SNET.ZRII")));
    EXPECT_FALSE(isNewerLineAddress(QStringLiteral("\\ZRII")));
}

TEST(Address, ObjectTypesSectionsAndCodes) {
    using S = Section;
    const std::pair<int, std::optional<Section>> sections[] = {
        {1, S::Doors},     {2, S::Inputs},     {3, S::Relays},      {4, S::Readers},       {5, S::Controllers},
        {6, S::Boxes},     {7, S::Ports},      {8, S::Inputs},      {9, S::Relays},        {101, S::Doors},
        {102, S::Inputs},  {103, S::Relays},   {104, S::Readers},   {105, S::Controllers}, {108, S::Modules},
        {0, std::nullopt}, {10, std::nullopt}, {106, std::nullopt}, {107, std::nullopt}};
    for (const auto& [type, section] : sections)
        EXPECT_EQ(sectionForObjectType(type), section) << type;
    // The same as the host numbers the sections (0-7), -1 for a number that is no object type.
    const std::pair<int, int> numbers[] = {{1, 0}, {8, 1}, {103, 2}, {4, 3},  {105, 4},
                                           {6, 5}, {7, 6}, {108, 7}, {0, -1}, {107, -1}};
    for (const auto& [type, number] : numbers)
        EXPECT_EQ(sectionOfObjectType(type), number) << type;
    for (int type = 1; type <= 9; ++type)
        EXPECT_EQ(pointKindForCode(pointCode(PointKind(type))), PointKind(type));
    EXPECT_EQ(pointKindForCode(QStringLiteral("dr")), PointKind::None);
    EXPECT_EQ(tableForObjectType(3), QStringLiteral("Outputs"));
    EXPECT_EQ(tableForObjectType(108), QStringLiteral("ZRII_Modules"));
    EXPECT_TRUE(tableForObjectType(9).isEmpty());
}

TEST(Address, DeviceTypeRoutes) {
    const DeviceTypeRoute* input = deviceTypeRoute(QStringLiteral("STD_INPUTV"));
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->section, Section::Inputs);
    EXPECT_EQ(input->kindCode, QStringLiteral("BIV"));
    EXPECT_EQ(input->doorKindCode, QStringLiteral("DRV"));

    const DeviceTypeRoute* relay = deviceTypeRoute(QStringLiteral("ZR2_RELAY"));
    ASSERT_NE(relay, nullptr);
    EXPECT_EQ(relay->doorOnlyIfAddressContains, QStringLiteral("BR"));

    const DeviceTypeRoute* enabled = deviceTypeRoute(QStringLiteral("PYLON_ENABLED"));
    ASSERT_NE(enabled, nullptr);
    EXPECT_EQ(enabled->section, Section::Boxes);
    EXPECT_EQ(enabled->kindCode, QStringLiteral("ENABLED"));
    EXPECT_TRUE(enabled->doorKindCode.isEmpty());

    EXPECT_TRUE(deviceTypeRoute(QStringLiteral("ZR2_CONTROLLER"))->kindCode.isEmpty());
    // The table holds the upper-cased words only; the caller upper-cases.
    EXPECT_EQ(deviceTypeRoute(QStringLiteral("Reader")), nullptr);
    EXPECT_EQ(deviceTypeRoute(QStringLiteral("DOOR")), nullptr);
}

}  // namespace
}  // namespace so
