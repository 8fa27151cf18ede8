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
    return {item("Trigger"),
            item("-"),
            item("Mask"),
            item(unmaskCaption),
            item("Momentary Mask"),
            item("-"),
            item("Force ON"),
            item("Force ON Release"),
            item("-"),
            item("Force OFF"),
            item("Force OFF Release"),
            item("-"),
            item("Lock DOWN"),
            item("Lock DOWN Release"),
            item("-"),
            item("Lock OPEN"),
            item("Lock OPEN Release")};
}

constexpr std::initializer_list<int> kAllControls = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
constexpr std::initializer_list<int> kInputControls = {2, 3, 4};
constexpr std::initializer_list<int> kRelayControls = {0, 1, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

bool listed(std::initializer_list<int> list, int index) {
    return std::find(list.begin(), list.end(), index) != list.end();
}

}  // namespace

MenuModel::MenuModel() {
    using A = MenuArray;
    arrays_[int(A::MainArray)] = {item("&Refresh This Item(s) - This Pane"),
                                  item("Refresh"),
                                  item("-"),
                                  hiddenSubmenu("Access Functions", A::AAccessFunctions),
                                  hiddenSubmenu("Control Functions", A::AControlFunctions),
                                  item("-"),
                                  item("Refresh"),
                                  item("-"),
                                  item("Properties...")};
    arrays_[int(A::AAccessFunctions)] = {item("Momentary Access"), item("-"), item("Unlock"), item("Relock")};
    arrays_[int(A::AControlFunctions)] = controlFunctions("UnMask");

    arrays_[int(A::ZR2List)] = {hiddenSubmenu("Access Functions", A::ZR2AccessArray),
                                hiddenSubmenu("Control Functions", A::ZR2ControlArray),
                                item("-"),
                                item("Clear Code Tamper"),
                                item("-"),
                                item("Refresh"),
                                item("-"),
                                item("Properties..."),
                                hiddenSubmenu("Component Properties", A::CompProps)};
    arrays_[int(A::ZR2AccessArray)] = {item("Momentary Access"), item("-"), item("Unlock"), item("Relock"),
                                       item("Toggle Lock")};
    arrays_[int(A::ZR2ControlArray)] = controlFunctions("Unmask");
    // The design-time placeholder of the component list; rebuilt for each door.
    arrays_[int(A::CompProps)] = {item("Relay")};
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

void MenuModel::permitSubmenu(MenuArray parent, int parentIndex, const Permission& permitted, const char* noun) {
    const MenuArray submenu = *entry(parent, parentIndex).submenu;
    bool any = false;
    for (int i = 0; i < count(submenu); ++i) {
        const MenuEntry& e = entry(submenu, i);
        if (!e.visible || e.isSeparator())
            continue;
        const bool may = permitted(submenu, i);
        setPermitted(submenu, i, may, noun);
        any = any || may;
    }
    setPermitted(parent, parentIndex, any, noun);
}

void MenuModel::buildClassic(int pane, const Permission& permitted) {
    using A = MenuArray;
    switch (Section(pane)) {
    case Section::Doors:  // doors: both submenus, all control items
        setVisible(A::MainArray, entry::AccessFunctions, true);
        setVisible(A::MainArray, entry::ControlFunctions, true);
        setVisible(A::MainArray, entry::FunctionsSeparator, true);
        showOnly(A::AControlFunctions, kAllControls);
        permitSubmenu(A::MainArray, entry::AccessFunctions, permitted, "door");
        permitSubmenu(A::MainArray, entry::ControlFunctions, permitted, "door");
        break;
    case Section::Inputs:  // inputs: masking only
    case Section::Relays:  // relays: trigger and the forced states
        setVisible(A::MainArray, entry::AccessFunctions, false);
        setVisible(A::MainArray, entry::ControlFunctions, true);
        setVisible(A::MainArray, entry::FunctionsSeparator, true);
        setUnavailable(A::MainArray, entry::AccessFunctions);
        showOnly(A::AControlFunctions, Section(pane) == Section::Inputs ? kInputControls : kRelayControls);
        permitSubmenu(A::MainArray, entry::ControlFunctions, permitted,
                      Section(pane) == Section::Inputs ? "input" : "relay");
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
        setPermitted(A::ZR2List, entry::ZR2ClearCodeTamper, permitted(A::ZR2List, entry::ZR2ClearCodeTamper), "reader");
        return;
    }
    if (has("DR")) {
        showList({0, 1, 2, 5, 6, 7, 8});
        showOnly(A::ZR2ControlArray, kAllControls);
        permitSubmenu(A::ZR2List, entry::ZR2Access, permitted, "door");
        permitSubmenu(A::ZR2List, entry::ZR2Control, permitted, "door");
    } else if (has("BI") || has("XI")) {
        showList({1, 2, 5, 6, 7});
        showOnly(A::ZR2ControlArray, kInputControls);
        permitSubmenu(A::ZR2List, entry::ZR2Control, permitted, "input");
    } else if (has("BR") || has("XR") || has("VR")) {
        showList({1, 2, 5, 6, 7});
        showOnly(A::ZR2ControlArray, kRelayControls);
        permitSubmenu(A::ZR2List, entry::ZR2Control, permitted, "relay");
    } else {
        showList({entry::ZR2Refresh});
    }
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
