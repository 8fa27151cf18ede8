#include "window/LayoutStore.h"

#include "base/ErrorTrap.h"
#include "base/Convert.h"
#include "domain/Section.h"

#include <QLocale>

#include <cmath>

namespace so {
namespace {

constexpr QLatin1StringView kUseDefault("Use Object Default");

qint16 shortOrDefault(const QString& value, qint16 fallback) {
    return value == kUseDefault ? fallback : toInt16(value);
}

/// Window geometry beyond this many twips (about 7,000 inches) is no window's.
constexpr double kMaxTwips = 1e7;

/// A geometry value: its default for "Use Object Default"; ComponentError (Overflow) for a number
/// that no window has (infinite, or beyond kMaxTwips, or a negative size), so it is never kept and
/// never written back.
float twipsOrDefault(const QString& value, float fallback, bool isSize) {
    if (value == kUseDefault)
        return fallback;
    const double twips = toNumber(value);
    if (!std::isfinite(twips) || twips > kMaxTwips || twips < (isSize ? 0.0 : -kMaxTwips))
        throw ComponentError(ComponentError::Overflow,
                             QStringLiteral("Window geometry out of range: %1").arg(value.left(64)));
    return float(twips);
}

/// Applies one Profile_Details row; names compare exactly, unknown names are ignored.
void applyDetail(LayoutSettings& layout, const QString& name, const QString& value) {
    const LayoutSettings defaults;
    if (name == QLatin1String("DockedWhere"))
        layout.dockedWhere = shortOrDefault(value, defaults.dockedWhere);
    else if (name == QLatin1String("FrameType"))
        layout.frameType = shortOrDefault(value, defaults.frameType);
    else if (name == QLatin1String("Height"))
        layout.height = twipsOrDefault(value, defaults.height, true);
    else if (name == QLatin1String("Left"))
        layout.left = twipsOrDefault(value, defaults.left, false);
    else if (name == QLatin1String("Top"))
        layout.top = twipsOrDefault(value, defaults.top, false);
    else if (name == QLatin1String("Width"))
        layout.width = twipsOrDefault(value, defaults.width, true);
    else if (name == QLatin1String("WindowState"))
        layout.windowState = shortOrDefault(value, defaults.windowState);
    else if (name.size() == 16 && name.startsWith(QLatin1String("ColumnHeaderPos"))) {
        const int section = name.back().digitValue();
        if (isSectionIndex(section))
            layout.columnHeaderPos[section] = value;
    }
}

/// A twips value as a plain decimal number: "5000", "1234.5" (never an exponent).
QString decimalText(double value) { return QLocale::c().toString(value, 'f', QLocale::FloatingPointShortest); }

/// The start of every update call: procedure, profile number and object number.
QString updateCallPrefix(const ComponentContext& ctx) {
    return QStringLiteral("KSP_Update_Profile_Persisted_Details ") + QString::number(ctx.currentProfileID) +
           QStringLiteral(", ") + QString::number(kStatusViewerObjectId);
}

/// A layout text made safe inside N'...': every apostrophe doubled. Done here rather than by the
/// host's Fix_Apostrophe so that a failing host call cannot blank the stored layout.
QString doubledApostrophes(QString text) { return text.replace(QLatin1Char('\''), QStringLiteral("''")); }

}  // namespace

void LoadPersistence(ComponentContext& ctx) {
    // A layout whose save failed is newer than the stored one: it stays, to be saved at the next close.
    if (ctx.layout.unsaved)
        return;
    ctx.layout.columnLayoutsUnread = true;
    trap(ctx, QStringLiteral("Status: LoadPersistence"), [&] {
        const QString sql = QStringLiteral("Select * from Profile_Details Where ObjectID = ") +
                            QString::number(kStatusViewerObjectId) + QStringLiteral(" AND ProfileID = ") +
                            QString::number(ctx.currentProfileID);
        db::Recordset rs = ctx.db().query(sql);
        rs.readAll();  // the connection is free again for whatever reports a bad value
        // A value that cannot be used costs only its own setting (reported): the rows after it
        // are still read.
        for (; !rs.eof(); rs.moveNext()) {
            const QString name = rs.field(2).toString();
            const QString value = rs.field(3).toString();
            trap(ctx, QStringLiteral("Status: LoadPersistence"), [&] { applyDetail(ctx.layout, name, value); });
        }
        rs.close();
        ctx.layout.columnLayoutsUnread = false;
    });
}

bool SavePersistence(ComponentContext& ctx, const QRectF& windowTwips) {
    const bool saved = trap(ctx, QStringLiteral("Status: SavePersistence"), [&] {
        db::Connection& db = ctx.db();
        const QString prefix = updateCallPrefix(ctx);
        const std::pair<const char*, double> geometry[] = {
            {"Height", windowTwips.height()},
            {"Left", windowTwips.left()},
            {"Top", windowTwips.top()},
            {"Width", windowTwips.width()},
        };
        for (const auto& [name, value] : geometry)
            db.execute(prefix + QStringLiteral(", '") + QLatin1String(name) + QStringLiteral("', '") +
                       decimalText(value) + QLatin1Char('\''));
        // Layouts that were never read are not written over the stored ones.
        if (ctx.layout.columnLayoutsUnread)
            return;
        for (int i = 0; i < 8; ++i)
            db.execute(prefix + QStringLiteral(", 'ColumnHeaderPos") + QString::number(i) + QStringLiteral("', N'") +
                       doubledApostrophes(ctx.layout.columnHeaderPos[i]) + QLatin1Char('\''));
    });
    ctx.layout.unsaved = !saved;
    if (!saved) {
        ctx.layout.left = float(windowTwips.left());
        ctx.layout.top = float(windowTwips.top());
        ctx.layout.width = float(windowTwips.width());
        ctx.layout.height = float(windowTwips.height());
    }
    return saved;
}

QRectF loadedGeometryTwips(const LayoutSettings& layout) {
    return QRectF(layout.left, layout.top, layout.width, layout.height);
}

}  // namespace so
