// The component context of ContextFixture with the eight sections built from the default
// columns, and helpers to put point rows into them.
#pragma once

#include "support/ContextFixture.h"

#include "status/MaskedPoints.h"
#include "status/StatusDecoder.h"
#include "grid/ColumnLayout.h"
#include "grid/Sections.h"

namespace so::test {

/// Records the masked list's updates.
class RecordingMaskedList : public MaskedList {
public:
    QVector<QPair<QString, qint32>> updates;
    void UpdateMaskedItem(const QString& address, qint32 mask) override { updates.append({address, mask}); }
};

class StatusFixture : public ContextFixture {
protected:
    StatusFixture() {
        QString layouts[kSectionCount];
        for (QString& text : layouts)
            text = kUseObjectDefault;
        sections.InitColumnHeaders(layouts);
    }

    /// Appends a row holding address to a section; returns its number.
    int addPoint(int section, const QString& address) {
        StatusGrid& grid = sections.grid(section);
        const int row = grid.addRow();
        grid.setText(row, col::Address, address);
        return row;
    }

    QString cell(int section, int row, const QString& key) { return sections.grid(section).text(row, key); }

    RecordingMaskedList masked;
    Sections sections{ctx};
    StatusDecoder decoder{ctx, sections, masked};
};

}  // namespace so::test
