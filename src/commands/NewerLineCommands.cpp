#include "commands/NewerLineCommands.h"

#include "commands/ClickedPoint.h"
#include "commands/DeviceDetails.h"
#include "commands/MenuModel.h"
#include "base/ErrorTrap.h"
#include "base/Convert.h"
#include "window/StatusWindow.h"

namespace so {
namespace {

// Device types the host's execute operations take.
constexpr qint32 kDoorType = 7;
constexpr qint32 kRelayType = 5;
constexpr qint32 kInputType = 6;

using Function = NewerLineCommands::Function;

const Function* accessFunction(int index) {
    static const Function kMomentary{1, "Operator executed Momentary Access to door.", "Momentary Access to ", "Door",
                                     kDoorType};
    static const Function kUnlock{2, "Operator executed unlock to Door.", "unlock to ", "Door", kDoorType};
    static const Function kRelock{3, "Operator executed relock to Door.", "relock to ", "Door", kDoorType};
    static const Function kToggle{4, "Operator executed toggle lock to Door.", "toggle lock to ", "Door", kDoorType};
    switch (index) {
    case 0: return &kMomentary;
    case 2: return &kUnlock;
    case 3: return &kRelock;
    case 4: return &kToggle;
    default: return nullptr;
    }
}

const Function* controlFunction(int index) {
    static const Function kFunctions[] = {
        {100, "Operator executed trigger.", "trigger to ", "Relay", kRelayType},
        {10, "Operator executed Mask.", "Mask to ", "Door", kInputType},
        {11, "Operator executed Unmask.", "Unmask to ", "Door", kInputType},
        {14, "Operator executed Momentary Mask.", "Momentary Mask to ", "Door", kInputType},
        {103, "Operator executed force on.", "force on to ", "Relay", kRelayType},
        {104, "Operator executed force on release.", "force on release to ", "Relay", kRelayType},
        {105, "Operator executed force off.", "force off to ", "Relay", kRelayType},
        {106, "Operator executed force off release.", "force off release to ", "Relay", kRelayType},
        {107, "Operator executed lock down.", "lock down to ", "Relay", kRelayType},
        {108, "Operator executed lock down release.", "lock down release to ", "Relay", kRelayType},
        {109, "Operator executed lock open.", "lock open to ", "Relay", kRelayType},
        {110, "Operator executed lock open release.", "lock open release to ", "Relay", kRelayType},
    };
    // Menu index -> function; the separators (1, 5, 8, 11, 14) have none.
    static constexpr int kSlot[17] = {0, -1, 1, 2, 3, -1, 4, 5, -1, 6, 7, -1, 8, 9, -1, 10, 11};
    if (index < 0 || index >= 17 || kSlot[index] < 0)
        return nullptr;
    return &kFunctions[kSlot[index]];
}

}  // namespace

NewerLineCommands::NewerLineCommands(ComponentContext& ctx, StatusWindow& window, MenuModel& menus,
                                     DeviceDetails& details)
    : ctx_(ctx), window_(window), menus_(menus), details_(details) {}

void NewerLineCommands::runAccessEntry(int index) {
    trap(ctx_, QStringLiteral("FPopup.mnuZR2AccessArray_Click"), [&] {
        if (const Function* function = accessFunction(index))
            execute(*function, kDoorType, false);
    });
}

void NewerLineCommands::runControlEntry(int index) {
    trap(ctx_, QStringLiteral("FPopup.mnuZR2ControlArray_Click"), [&] {
        const Function* function = controlFunction(index);
        if (function == nullptr)
            return;
        const bool doorRow = ClickedPoint(window_).pane() == Section::Doors;
        execute(*function, doorRow ? kDoorType : function->typeOutsideDoors, true);
    });
}

void NewerLineCommands::execute(const Function& function, qint32 deviceType, bool control) {
    const ClickedPoint point(window_);
    qint32 deviceNumber = point.deviceNumber();
    // Read before the host call: the grid may change while the host works.
    const QString details = QLatin1String(function.detailsPrefix) + point.name();
    SiteConnection& site = ctx_.site();
    if (control)
        site.ZR2ExecuteControlFunction(deviceType, deviceNumber, function.code);
    else
        site.ZR2ExecuteAccessFunction(deviceType, deviceNumber, function.code);
    // Written once the execute call returned, whatever the device answered; a failed call
    // (an exception) writes no event.
    site.LogEvent(QLatin1String(function.description), QLatin1String(function.deviceKind), deviceNumber, details,
                  kOperatorEventCode);
}

void NewerLineCommands::runListEntry(int index) {
    trap(ctx_, QStringLiteral("FPopup.mnuZR2List_Click"), [&] {
        switch (index) {
        case entry::ZR2ClearCodeTamper: {
            qint32 deviceNumber = ClickedPoint(window_).deviceNumber();
            ctx_.site().ZR2ClearCodeTamper(deviceNumber);
            break;
        }
        case entry::ZR2Refresh: details_.runMainEntry(entry::FullRefresh); break;
        case entry::ZR2Properties: {
            const ClickedPoint point(window_);
            static const char* const kKinds[] = {"ZR2Door", "ZR2Input", "ZR2Relay", "ZR2Reader"};
            if (point.pane() <= Section::Readers)
                ctx_.host().ConfigureDevice(QLatin1String(kKinds[sectionIndex(point.pane())]), point.deviceNumber());
            break;
        }
        default: break;
        }
    });
}

void NewerLineCommands::openComponentProperties(int index) {
    trap(ctx_, QStringLiteral("FPopup.mnuCompProps_Click"), [&] {
        const QString tag = menus_.entry(MenuArray::CompProps, index).tag;
        QString kind;
        if (tag.startsWith(QLatin1Char('R')))
            kind = QStringLiteral("ZR2Relay");
        else if (tag.startsWith(QLatin1Char('I')))
            kind = QStringLiteral("ZR2Input");
        else if (tag.startsWith(QLatin1Char('L')))
            kind = QStringLiteral("ZR2Reader");
        else
            return;
        const std::optional<qint32> number = wholeNumber(tag.mid(1));
        if (!number)
            throw ComponentError(ComponentError::TypeMismatch,
                                 QStringLiteral("Type mismatch: the component tag \"%1\"").arg(tag));
        ctx_.host().ConfigureDevice(kind, *number);
    });
}

void NewerLineCommands::prepareMenu() {
    trap(ctx_, QStringLiteral("FPopup.mnuZR2_Click"), [&] {
        MenuEntry& components = menus_.entry(MenuArray::ZR2List, entry::ZR2ComponentProperties);
        const ClickedPoint point(window_);
        if (point.pane() != Section::Doors) {
            components.enabled = false;
            return;
        }
        components.enabled = true;
        // The door's id is a whole number from the grid, written into the statements as one.
        const QString doorId = QString::number(point.deviceNumber());
        menus_.entry(MenuArray::CompProps, 0).visible = true;
        menus_.removeComponentEntries();
        addComponents(QStringLiteral("SELECT *  From [ZRII_Relays]  WHERE RelayID IN (Select RelayID From "
                                     "ZRII_RelaysInDoorsRelations Where DoorID = ") +
                          doorId + QLatin1Char(')'),
                      QStringLiteral("RelayId"), QStringLiteral("R"));
        addComponents(QStringLiteral("SELECT *  From [ZRII_Inputs]  WHERE InputID IN (Select InputID From "
                                     "ZRII_InputsInDoorsRelations Where DoorID = ") +
                          doorId + QStringLiteral(") ORDER BY [Index]"),
                      QStringLiteral("InputID"), QStringLiteral("I"));
        addComponents(QStringLiteral("SELECT *  From [ZRII_Readers]  WHERE ReaderID IN (Select ReaderID From "
                                     "ZRII_ReadersInDoorsRelations Where DoorID = ") +
                          doorId + QLatin1Char(')'),
                      QStringLiteral("ReaderId"), QStringLiteral("L"));
        const bool listed = menus_.count(MenuArray::CompProps) > 1;
        if (listed)
            menus_.entry(MenuArray::CompProps, 0).visible = false;
        components.enabled = listed;
    });
}

void NewerLineCommands::addComponents(const QString& sql, const QString& idColumn, const QString& letter) {
    db::Recordset rows = ctx_.db().query(sql);
    for (; !rows.eof(); rows.moveNext())
        menus_.addComponentEntry(rows.field(QStringLiteral("Name")).toString(),
                                 letter + rows.field(idColumn).toString());
    rows.close();
}

}  // namespace so
