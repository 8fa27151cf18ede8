#include "status/Summaries.h"

#include "base/ErrorTrap.h"
#include "base/Texts.h"
#include "domain/Resources.h"
#include "domain/StateTexts.h"
#include "status/RowRef.h"

namespace so {
namespace {

/// Runs a summary under its trap. A missing column is a real failure here (the summaries read
/// cells every door and input grid has), so it is logged like any other instead of passing silently.
template <class Body>
QString summaryUnderTrap(ComponentContext& ctx, const QString& reportName, Body&& body) {
    return trapOr(ctx, reportName, QString(), [&] {
        try {
            return body();
        } catch (const MissingColumnError& e) {
            throw ComponentError(kMissingColumnNumber, QString::fromUtf8(e.what()));
        }
    });
}

enum class Position { Closed, NotClosed, Undetermined };

/// The fault a main line reads, or none: the newer line's fixed texts (codes 0x20 to 0x50) or the
/// classic line's states 16 to 64 in the host's words.
RowConditions lineFault(ResourceTexts& texts, const QString& input1) {
    static const std::pair<QString, Condition> kNewerLine[] = {
        {GetLineStateText(0x20, 0), Condition::LineOpen},
        {GetLineStateText(0x30, 0), Condition::LineShort},
        {GetLineStateText(0x40, 0), Condition::LineFault},
        {GetLineStateText(0x50, 0), Condition::LineNoisy},
    };
    for (const auto& [text, fault] : kNewerLine)
        if (input1 == text)
            return fault;
    const std::pair<int, Condition> kClassic[] = {
        {res::LineState16, Condition::LineShort},
        {res::LineState32, Condition::LineOpen},
        {res::LineState48, Condition::LineFault},
        {res::LineState64, Condition::LineNoisy},
    };
    for (const auto& [resource, fault] : kClassic)
        if (sameText(input1, texts(resource)))
            return fault;
    return {};
}

/// Records the line conditions a summary speaks for: any earlier ones are replaced.
void showLineFault(ResourceTexts& texts, RowConditions& shown, const QString& input1) {
    shown.remove(Condition::LineOpen | Condition::LineShort | Condition::LineFault | Condition::LineNoisy);
    shown = shown | lineFault(texts, input1);
}

/// Whether a Masked cell says the point is masked. Classic rows write the not-known text when no
/// mask is set; newer-line rows write their mask sources, "-" for none (GetMaskSourceText(0)), so
/// that text means not masked as well.
bool maskedCell(const QString& masked, const QString& notKnown) {
    return !sameText(masked, notKnown) && masked != QLatin1String("-");
}

// Slots of the kept summaries among the composed resource texts: a door's summary is one of 12
// texts, an input's one of 24 unless its line shows a text of its own.
constexpr int kDoorSummaries = 0;
constexpr int kInputSummaries = 12;
static_assert(kInputSummaries + 24 <= ResourceTexts::kComposedSlots);

QString doorStatus(ResourceTexts& texts, const RowReader& row, RowConditions& shown) {
    const QString& notKnown = texts(res::NotKnown);
    const QString& input1 = row.text(ColumnId::Input1);
    const qint64 contactPolarity = row.data(ColumnId::Status);
    Position position = Position::Undetermined;
    if (sameText(input1, texts(res::LineClear)))
        position = contactPolarity == 0 ? Position::Closed : Position::NotClosed;
    else if (sameText(input1, texts(res::LineSet)))
        position = contactPolarity == 1 ? Position::Closed : Position::NotClosed;

    const bool relayEnergised = sameText(row.text(ColumnId::RelayStatus), texts(res::RelayOn));
    const bool relayNormal = row.data(ColumnId::TwoPersonRule) != 0 ? relayEnergised : !relayEnergised;
    const bool masked =
        !sameText(row.text(ColumnId::LMType), notKnown) && maskedCell(row.text(ColumnId::Masked), notKnown);

    shown.set(Condition::DoorNotClosed, position == Position::NotClosed);
    shown.set(Condition::RelayNotNormal, !relayNormal);
    showLineFault(texts, shown, input1);

    const int slot = kDoorSummaries + int(position) * 4 + (relayNormal ? 2 : 0) + (masked ? 1 : 0);
    return texts.composed(slot, [&] {
        // The items joined by ", ".
        QString items;
        int itemCount = 0;
        const auto add = [&](const QString& item) {
            if (itemCount++ > 0)
                items += QLatin1String(", ");
            items += item;
        };
        if (position == Position::NotClosed)
            add(texts(res::DoorNotClosed));
        if (!relayNormal)
            add(texts(res::RelayNotNormal));
        if (masked)
            add(texts(res::Masked));
        switch (position) {
        case Position::Undetermined: return itemCount == 0 ? notKnown : items;
        case Position::Closed: return relayNormal && !masked ? texts(res::EnclosureClosed) : items;
        case Position::NotClosed: return items;
        }
        return notKnown;
    });
}

QString inputStatus(ResourceTexts& texts, const RowReader& row, RowConditions& shown) {
    const QString& notKnown = texts(res::NotKnown);
    const QString& input1 = row.text(ColumnId::Input1);
    const qint64 contactPolarity = row.data(ColumnId::Status);
    const QString open = QStringLiteral("OPEN,");

    // How the main line reads: 0 open, 1 closed, 2 no state, 3 a state text of its own.
    int line = 3;
    if (sameText(input1, texts(res::LineClear)))
        line = contactPolarity != 0 ? 0 : 1;
    else if (sameText(input1, texts(res::LineSet)))
        line = contactPolarity == 0 ? 0 : 1;
    else if (sameText(input1, notKnown))
        line = 2;
    const bool input1NotKnown = sameText(input1, notKnown);
    const bool hasLineModule = !sameText(row.text(ColumnId::LMType), notKnown);
    const bool masked = hasLineModule && maskedCell(row.text(ColumnId::Masked), notKnown);

    const auto build = [&] {
        QString text = line == 0 ? open : line == 3 ? input1 + QLatin1Char(',') : QString();
        if (masked)
            text += texts(res::Masked) + QLatin1Char(',');
        if (!text.isEmpty())
            return text.chopped(1);
        if (!hasLineModule || input1NotKnown)
            return notKnown;
        return texts(res::EnclosureClosed);
    };
    // A line text of its own reads "OPEN" when the line is open.
    shown.set(Condition::InputOpen, line == 0 || (line == 3 && input1 == QStringView(open).chopped(1)));
    showLineFault(texts, shown, input1);
    if (line == 3)
        return masked ? texts.composedWith(input1, build) : input1;  // unmasked: the line's own text
    const int slot = ((line * 2 + (input1NotKnown ? 1 : 0)) * 2 + (hasLineModule ? 1 : 0)) * 2 + (masked ? 1 : 0);
    return texts.composed(kInputSummaries + slot, build);
}

}  // namespace

QString GetDoorStatus(ComponentContext& ctx, const StatusGrid& grid, StatusGrid::RowAt row, const GridColumns& columns,
                      ResourceTexts& texts, RowConditions* shown) {
    RowConditions conditions;
    QString text = summaryUnderTrap(ctx, QStringLiteral("MPublic.GetDoorStatus"),
                                    [&] { return doorStatus(texts, RowReader(grid, columns, row), conditions); });
    if (shown != nullptr)
        *shown = conditions;
    return text;
}

QString GetDoorStatus(ComponentContext& ctx, const StatusGrid& grid, int row, RowConditions* shown) {
    GridColumns columns;
    columns.sync(grid);
    ResourceTexts texts(ctx);
    RowConditions conditions;
    QString text = summaryUnderTrap(ctx, QStringLiteral("MPublic.GetDoorStatus"), [&] {
        return doorStatus(texts, RowReader(grid, columns, grid.at(row)), conditions);
    });
    if (shown != nullptr)
        *shown = conditions;
    return text;
}

QString GetInputStatus(ComponentContext& ctx, const StatusGrid& grid, StatusGrid::RowAt row, const GridColumns& columns,
                       ResourceTexts& texts, RowConditions* shown) {
    RowConditions conditions;
    QString text = summaryUnderTrap(ctx, QStringLiteral("MPublic.GetInputStatus"),
                                    [&] { return inputStatus(texts, RowReader(grid, columns, row), conditions); });
    if (shown != nullptr)
        *shown = conditions;
    return text;
}

QString GetInputStatus(ComponentContext& ctx, const StatusGrid& grid, int row, RowConditions* shown) {
    GridColumns columns;
    columns.sync(grid);
    ResourceTexts texts(ctx);
    RowConditions conditions;
    QString text = summaryUnderTrap(ctx, QStringLiteral("MPublic.GetInputStatus"), [&] {
        return inputStatus(texts, RowReader(grid, columns, grid.at(row)), conditions);
    });
    if (shown != nullptr)
        *shown = conditions;
    return text;
}

}  // namespace so
