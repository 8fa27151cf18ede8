#include "commands/MenuModel.h"

#include "base/Errors.h"
#include "domain/Section.h"

#include <algorithm>

namespace so {
namespace {

MenuEntry item(const char* caption) {
    return MenuEntry{QString::fromLatin1(caption), true, true, std::nullopt, {}, {}};
}
MenuEntry hiddenSubmenu(const char* caption, MenuArray submenu) {
    return MenuEntry{QString::fromLatin1(caption), false, true, submenu, {}, {}};
}

/// The control submenu of both lines; the classic one writes "UnMask", the newer-line one "Unmask".
QVector<MenuEntry> controlFunctions(const char* unmaskCaption) {
    return {item(QT_TRANSLATE_NOOP("so::MenuModel", "Trigger")),
            item("-"),
            item(QT_TRANSLATE_NOOP("so::MenuModel", "Mask")),
            item(unmaskCaption),
            item(QT_TRANSLATE_NOOP("so::MenuModel", "Momentary Mask")),
            item("-"),
            item(QT_TRANSLATE_NOOP("so::MenuModel", "Force ON")),
            item(QT_TRANSLATE_NOOP("so::MenuModel", "Force ON Release")),
            item("-"),
            item(QT_TRANSLATE_NOOP("so::MenuModel", "Force OFF")),
            item(QT_TRANSLATE_NOOP("so::MenuModel", "Force OFF Release")),
            item("-"),
            item(QT_TRANSLATE_NOOP("so::MenuModel", "Lock DOWN")),
            item(QT_TRANSLATE_NOOP("so::MenuModel", "Lock DOWN Release")),
            item("-"),
            item(QT_TRANSLATE_NOOP("so::MenuModel", "Lock OPEN")),
            item(QT_TRANSLATE_NOOP("so::MenuModel", "Lock OPEN Release"))};
}

// Why a command entry is disabled, by the kind of point the menu is for.
const char* const kNotForDoor = QT_TRANSLATE_NOOP("so::MenuModel", "Not permitted for this door");
const char* const kNotForInput = QT_TRANSLATE_NOOP("so::MenuModel", "Not permitted for this input");
const char* const kNotForRelay = QT_TRANSLATE_NOOP("so::MenuModel", "Not permitted for this relay");
const char* const kNotForReader = QT_TRANSLATE_NOOP("so::MenuModel", "Not permitted for this reader");

constexpr std::initializer_list<int> kAllControls = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
constexpr std::initializer_list<int> kInputControls = {2, 3, 4};
constexpr std::initializer_list<int> kRelayControls = {0, 1, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

bool listed(std::initializer_list<int> list, int index) {
    return std::find(list.begin(), list.end(), index) != list.end();
}

}  // namespace

MenuModel::MenuModel() {
    using A = MenuArray;
    arrays_[int(A::MainArray)] = {
        item(QT_TRANSLATE_NOOP("so::MenuModel", "&Refresh This Item(s) - This Pane")),
        item(QT_TRANSLATE_NOOP("so::MenuModel", "Refresh")),
        item("-"),
        hiddenSubmenu(QT_TRANSLATE_NOOP("so::MenuModel", "Access Functions"), A::AAccessFunctions),
        hiddenSubmenu(QT_TRANSLATE_NOOP("so::MenuModel", "Control Functions"), A::AControlFunctions),
        item("-"),
        item(QT_TRANSLATE_NOOP("so::MenuModel", "Refresh")),
        item("-"),
        item(QT_TRANSLATE_NOOP("so::MenuModel", "Properties..."))};
    arrays_[int(A::AAccessFunctions)] = {item(QT_TRANSLATE_NOOP("so::MenuModel", "Momentary Access")), item("-"),
                                         item(QT_TRANSLATE_NOOP("so::MenuModel", "Unlock")),
                                         item(QT_TRANSLATE_NOOP("so::MenuModel", "Relock"))};
    arrays_[int(A::AControlFunctions)] = controlFunctions(QT_TRANSLATE_NOOP("so::MenuModel", "UnMask"));

    arrays_[int(A::ZR2List)] = {
        hiddenSubmenu(QT_TRANSLATE_NOOP("so::MenuModel", "Access Functions"), A::ZR2AccessArray),
        hiddenSubmenu(QT_TRANSLATE_NOOP("so::MenuModel", "Control Functions"), A::ZR2ControlArray),
        item("-"),
        item(QT_TRANSLATE_NOOP("so::MenuModel", "Clear Code Tamper")),
        item("-"),
        item(QT_TRANSLATE_NOOP("so::MenuModel", "Refresh")),
        item("-"),
        item(QT_TRANSLATE_NOOP("so::MenuModel", "Properties...")),
        hiddenSubmenu(QT_TRANSLATE_NOOP("so::MenuModel", "Component Properties"), A::CompProps)};
    arrays_[int(A::ZR2AccessArray)] = {item(QT_TRANSLATE_NOOP("so::MenuModel", "Momentary Access")), item("-"),
                                       item(QT_TRANSLATE_NOOP("so::MenuModel", "Unlock")),
                                       item(QT_TRANSLATE_NOOP("so::MenuModel", "Relock")),
                                       item(QT_TRANSLATE_NOOP("so::MenuModel", "Toggle Lock"))};
    arrays_[int(A::ZR2ControlArray)] = controlFunctions(QT_TRANSLATE_NOOP("so::MenuModel", "Unmask"));
    // The design-time placeholder of the component list; rebuilt for each door.
    arrays_[int(A::CompProps)] = {item(QT_TRANSLATE_NOOP("so::MenuModel", "Relay"))};
}

MenuArray MenuModel::arrayOf(TopMenu menu) { return menu == TopMenu::ZR2 ? MenuArray::ZR2List : MenuArray::MainArray; }

TopMenu MenuModel::menuForAddress(const QString& address) {
    return address.contains(QLatin1String("ZRII")) ? TopMenu::ZR2 : TopMenu::Main;
}

const MenuEntry& MenuModel::entry(MenuArray array, int index) const {
    const QVector<MenuEntry>& entries = arrays_[int(array)];
    if (index < 0 || index >= entries.size())
        throw ComponentError(ComponentError::SubscriptOutOfRange,
                             QStringLiteral("Menu entry %1 out of range").arg(index));
    return entries[index];
}

MenuEntry& MenuModel::entry(MenuArray array, int index) {
    return const_cast<MenuEntry&>(std::as_const(*this).entry(array, index));
}

bool MenuModel::isReachable(MenuArray array, int index) const {
    if (index < 0 || index >= count(array))
        return false;
    const MenuEntry& chosen = entries(array)[index];
    if (!chosen.visible || !chosen.enabled)
        return false;
    if (array == MenuArray::MainArray || array == MenuArray::ZR2List)
        return true;
    for (int parent = 0; parent < kMenuArrayCount; ++parent) {
        const QVector<MenuEntry>& candidates = arrays_[parent];
        for (int i = 0; i < candidates.size(); ++i)
            if (candidates[i].submenu == array)
                return isReachable(MenuArray(parent), i);
    }
    return false;
}

void MenuModel::showOnly(MenuArray array, std::initializer_list<int> shown) {
    for (int i = 0; i < count(array); ++i)
        setVisible(array, i, listed(shown, i));
}

void MenuModel::permitSubmenu(MenuArray parent, int parentIndex, const Permission& permitted, const char* whyNot) {
    const MenuArray submenu = *entry(parent, parentIndex).submenu;
    bool any = false;
    for (int i = 0; i < count(submenu); ++i) {
        const MenuEntry& e = entry(submenu, i);
        if (!e.visible || e.isSeparator())
            continue;
        const bool may = permitted(submenu, i);
        setPermitted(submenu, i, may, whyNot);
        any = any || may;
    }
    setPermitted(parent, parentIndex, any, whyNot);
}

void MenuModel::buildClassic(int pane, const Permission& permitted) {
    using A = MenuArray;
    switch (Section(pane)) {
    case Section::Doors:  // doors: both submenus, all control items
        setVisible(A::MainArray, entry::AccessFunctions, true);
        setVisible(A::MainArray, entry::ControlFunctions, true);
        setVisible(A::MainArray, entry::FunctionsSeparator, true);
        showOnly(A::AControlFunctions, kAllControls);
        permitSubmenu(A::MainArray, entry::AccessFunctions, permitted, kNotForDoor);
        permitSubmenu(A::MainArray, entry::ControlFunctions, permitted, kNotForDoor);
        break;
    case Section::Inputs:  // inputs: masking only
    case Section::Relays:  // relays: trigger and the forced states
        setVisible(A::MainArray, entry::AccessFunctions, false);
        setVisible(A::MainArray, entry::ControlFunctions, true);
        setVisible(A::MainArray, entry::FunctionsSeparator, true);
        setUnavailable(A::MainArray, entry::AccessFunctions);
        showOnly(A::AControlFunctions, Section(pane) == Section::Inputs ? kInputControls : kRelayControls);
        permitSubmenu(A::MainArray, entry::ControlFunctions, permitted,
                      Section(pane) == Section::Inputs ? kNotForInput : kNotForRelay);
        break;
    case Section::Readers:  // readers: no functions
        setVisible(A::MainArray, entry::AccessFunctions, false);
        setVisible(A::MainArray, entry::ControlFunctions, false);
        setVisible(A::MainArray, entry::FunctionsSeparator, false);
        break;
    case Section::Controllers:  // controllers, communication boxes, server ports: disabled where still shown
    case Section::Boxes:
    case Section::Ports:
        setUnavailable(A::MainArray, entry::AccessFunctions);
        setUnavailable(A::MainArray, entry::ControlFunctions);
        break;
    default: break;
    }
}

void MenuModel::buildNewerLine(const QString& address, const Permission& permitted) {
    using A = MenuArray;
    const auto has = [&](const char* code) { return address.contains(QLatin1String(code)); };
    const auto showList = [&](std::initializer_list<int> shown) { showOnly(A::ZR2List, shown); };

    if (has("RL")) {  // a reader: tamper, refresh, properties; the control submenu is left as it was
        showList({3, 4, 5, 6, 7});
        setPermitted(A::ZR2List, entry::ZR2ClearCodeTamper, permitted(A::ZR2List, entry::ZR2ClearCodeTamper),
                     kNotForReader);
        return;
    }
    if (has("DR")) {
        showList({0, 1, 2, 5, 6, 7, 8});
        showOnly(A::ZR2ControlArray, kAllControls);
        permitSubmenu(A::ZR2List, entry::ZR2Access, permitted, kNotForDoor);
        permitSubmenu(A::ZR2List, entry::ZR2Control, permitted, kNotForDoor);
    } else if (has("BI") || has("XI")) {
        showList({1, 2, 5, 6, 7});
        showOnly(A::ZR2ControlArray, kInputControls);
        permitSubmenu(A::ZR2List, entry::ZR2Control, permitted, kNotForInput);
    } else if (has("BR") || has("XR") || has("VR")) {
        showList({1, 2, 5, 6, 7});
        showOnly(A::ZR2ControlArray, kRelayControls);
        permitSubmenu(A::ZR2List, entry::ZR2Control, permitted, kNotForRelay);
    } else {
        showList({entry::ZR2Refresh});
    }
}

void MenuModel::withholdCommands() {
    for (const int index : {entry::AccessFunctions, entry::ControlFunctions, entry::FunctionsSeparator})
        setVisible(MenuArray::MainArray, index, false);
    for (const int index : {entry::ZR2Access, entry::ZR2Control, entry::ZR2FunctionsSeparator,
                            entry::ZR2ClearCodeTamper, entry::ZR2TamperSeparator})
        setVisible(MenuArray::ZR2List, index, false);
}

void MenuModel::removeComponentEntries() {
    QVector<MenuEntry>& entries = arrays_[int(MenuArray::CompProps)];
    while (entries.size() > 1)
        entries.removeLast();
}

void MenuModel::addComponentEntry(const QString& caption, const QString& tag) {
    arrays_[int(MenuArray::CompProps)].append(MenuEntry{caption, true, true, std::nullopt, tag, {}});
}

}  // namespace so
