// The two context menus of the status window's rows, as data.
//
// The classic menu (`mnuMain`) serves points of the classic controller line, the newer-line menu
// (`mnuZR2`) points whose address contains "ZRII". Each menu is a tree of control arrays; an entry
// is addressed by its array and index. The menus are made once and keep the visibility and
// enabled state the last popup gave them: the building rules change only some entries for some
// point kinds, so what a right click shows can depend on the row clicked before (a controller row
// after a door row shows the door's functions disabled, after a reader row not at all).
//
// Nothing here pops anything up: the Qt layer renders the model (src/ui/RowContextMenu.h).
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QVector>

#include <array>
#include <functional>
#include <optional>

namespace so {

/// The control arrays of the menus.
enum class MenuArray {
    MainArray,          ///< mnuMainArray: the classic menu's own entries
    AAccessFunctions,   ///< mnuAAccessFunctions: classic "Access Functions" submenu
    AControlFunctions,  ///< mnuAControlFunctions: classic "Control Functions" submenu
    ZR2List,            ///< mnuZR2List: the newer-line menu's own entries
    ZR2AccessArray,     ///< newer-line "Access Functions" submenu
    ZR2ControlArray,    ///< newer-line "Control Functions" submenu
    CompProps,          ///< newer-line "Component Properties" submenu (rebuilt per door)
};
inline constexpr int kMenuArrayCount = 7;

/// Indexes of the entries the handlers and building rules name.
namespace entry {
// mnuMainArray
inline constexpr int RefreshPane = 0;         // "&Refresh This Item(s) - This Pane"
inline constexpr int RefreshControllers = 1;  // "Refresh"
inline constexpr int AccessFunctions = 3;
inline constexpr int ControlFunctions = 4;
inline constexpr int FunctionsSeparator = 5;
inline constexpr int FullRefresh = 6;  // "Refresh" (also F5 and the quiet-period timer)
inline constexpr int Properties = 8;
// mnuZR2List
inline constexpr int ZR2Access = 0;
inline constexpr int ZR2Control = 1;
inline constexpr int ZR2FunctionsSeparator = 2;
inline constexpr int ZR2ClearCodeTamper = 3;
inline constexpr int ZR2TamperSeparator = 4;
inline constexpr int ZR2Refresh = 5;
inline constexpr int ZR2Properties = 7;
inline constexpr int ZR2ComponentProperties = 8;
}  // namespace entry

/// The top-level menu a right-button release pops up.
enum class TopMenu { None, Main, ZR2 };

struct MenuEntry {
    QString caption;
    bool visible = true;
    bool enabled = true;
    /// The array of the submenu this entry opens.
    std::optional<MenuArray> submenu;
    /// Component entries: the kind letter ("R", "I", "L") followed by the component's id.
    QString tag;
    /// Why a disabled entry cannot be chosen (the operator reads it in the entry's status tip).
    QString whyDisabled;

    bool isSeparator() const { return caption == QLatin1String("-"); }
};

class MenuModel {
public:
    /// Whether the operator may run command entry `index` of `array` on the point the menu is
    /// built for; asked for every command entry the building shows.
    using Permission = std::function<bool(MenuArray array, int index)>;

    /// Both menus in their start state.
    MenuModel();

    /// The array holding a top-level menu's entries (Main: MainArray, ZR2: ZR2List).
    static MenuArray arrayOf(TopMenu menu);
    /// The menu a point's address gets: the newer-line menu when it contains "ZRII" (exact case).
    static TopMenu menuForAddress(const QString& address);

    const QVector<MenuEntry>& entries(MenuArray array) const { return arrays_[int(array)]; }
    int count(MenuArray array) const { return int(arrays_[int(array)].size()); }
    /// ComponentError (subscript out of range) for an index the array has not.
    const MenuEntry& entry(MenuArray array, int index) const;
    MenuEntry& entry(MenuArray array, int index);

    /// True when the operator can choose the entry: it and every entry leading to its submenu are
    /// visible and enabled.
    bool isReachable(MenuArray array, int index) const;

    /// Classic menu rules for a row of pane 0-7 (a pane outside the table changes nothing).
    void buildClassic(int pane, const Permission& permitted);
    /// Newer-line menu rules for a point address.
    void buildNewerLine(const QString& address, const Permission& permitted);

    /// Hides every entry that sends a command to the field (the access and control submenus,
    /// clearing a code tamper) with the separators beside them: what stays only reads.
    void withholdCommands();

    /// Component submenu: removes every entry above the placeholder, the highest first.
    void removeComponentEntries();
    /// Component submenu: appends a visible entry.
    void addComponentEntry(const QString& caption, const QString& tag);

private:
    void setVisible(MenuArray array, int index, bool on) { entry(array, index).visible = on; }
    void setEnabled(MenuArray array, int index, bool on, const QString& whyNot) {
        MenuEntry& e = entry(array, index);
        e.enabled = on;
        e.whyDisabled = on ? QString() : whyNot;
    }
    /// Enabled when the operator may command the point; else disabled, saying `whyNot` (an English
    /// text of the catalogue, shown in the window's language).
    void setPermitted(MenuArray array, int index, bool permitted, const char* whyNot) {
        setEnabled(array, index, permitted, QCoreApplication::translate("so::MenuModel", whyNot));
    }
    /// Enables each shown command of a submenu by the operator's permission for it, and the entry
    /// of `parent` that opens the submenu when at least one of them is enabled.
    void permitSubmenu(MenuArray parent, int parentIndex, const Permission& permitted, const char* whyNot);
    /// Disabled: the kind of point has no such commands.
    void setUnavailable(MenuArray array, int index) {
        setEnabled(array, index, false,
                   QCoreApplication::translate("so::MenuModel", "Not available for this kind of point"));
    }
    /// Shows exactly the listed entries of a control submenu, setting them in index order.
    void showOnly(MenuArray array, std::initializer_list<int> shown);

    std::array<QVector<MenuEntry>, kMenuArrayCount> arrays_;
};

}  // namespace so
