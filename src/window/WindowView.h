// What the status window's state object asks of the widgets that show it.
//
// StatusWindow (the window's state without widgets) keeps every piece of state itself and tells
// its view when something visible changed. The Qt frame implements this interface; while the
// component runs headless the view is null and StatusWindow works on its state alone.
#pragma once

#include "domain/Section.h"
#include "window/ColumnFit.h"

#include <QRectF>
#include <QString>
#include <QtGlobal>

namespace so {

class WindowView {
public:
    virtual ~WindowView() = default;

    /// Lay the whole window out again (band bar, container, stacked sections, scroll bars).
    virtual void arrangeForm() = 0;
    /// The cover panel over the sections was shown (a group is loading) or hidden.
    virtual void coverChanged(bool shown) = 0;
    /// Section state changed: collapsed/expanded, shown/hidden, enabled menu items, section choice
    /// or the view mode (sections, masked list, overridden list).
    virtual void sectionsChanged() = 0;
    /// The status-group box's entries or its selected entry changed.
    virtual void groupBoxChanged() = 0;
    virtual void captionChanged(const QString& caption) = 0;
    /// Give the keyboard focus to the grid of a section.
    virtual void focusGrid(Section section) = 0;
    /// Open the "Configure Status Groups" dialog (the lock is already taken).
    virtual void openConfigureDialog() = 0;
    /// Close the window's widgets (the state object has already run its unload step).
    virtual void closeWindow() = 0;
    /// The window's native handle, handed to the host in the LOAD callback.
    virtual qint64 nativeHandle() const = 0;
    /// The window's current position and size in twips (left, top, width, height).
    virtual QRectF geometryTwips() const = 0;
    /// The grids beside the sections.
    enum class SideList { Masked, Overridden };
    /// How the view draws texts, for sizing the default columns; without measuring functions the
    /// design widths stay (a view that draws nothing).
    virtual TextMetrics textMetrics() const { return {}; }
    /// The widths of a section's columns changed in its grid.
    virtual void columnWidthsChanged(Section section) { Q_UNUSED(section); }
    /// The widths of the masked or the overridden list's columns changed.
    virtual void listColumnWidthsChanged(SideList list) { Q_UNUSED(list); }
    /// The attention list's entries changed; `newAlarm` when a point became an alarm.
    virtual void attentionChanged(bool newAlarm) { Q_UNUSED(newAlarm); }
    /// A long operation's progress for the status bar; an empty text when it is over.
    virtual void progressChanged(const QString& text) { Q_UNUSED(text); }
};

}  // namespace so
