// The masked points list: every masked input of the site, whichever status group is shown.
//
// FillMaskedGrid reads the stored mask reports of every controller (SuperStatus, status types 7, 8,
// 9, 14 and 15) and the newer line's masked inputs; UpdateMaskedItem then follows each mask change
// the state decoding reports. Rows are keyed by address; a classic input that belongs to a door is
// listed under its door's address.
#pragma once

#include "base/ComponentContext.h"

#include <QHash>
#include <QString>

namespace so {

class StatusGrid;

/// Receives the mask changes decoded from state reports (the masked points list implements it).
class MaskedList {
public:
    virtual ~MaskedList() = default;
    virtual void UpdateMaskedItem(const QString& address, qint32 maskValue) = 0;
};

class MaskedPoints final : public MaskedList {
public:
    /// Status types of the lookup: base-board inputs, expansion inputs, newer-line inputs.
    static constexpr int kBaseInputs = 7;
    static constexpr int kExpInputs = 8;
    static constexpr int kNewerLineInput = 99;
    /// Looked-up points kept at most (a few MB with the site's longest addresses and names).
    static constexpr int kMaxKept = 16384;

    MaskedPoints(ComponentContext& ctx, StatusGrid& grid);

    StatusGrid& grid() { return grid_; }

    /// Empties the list and fills it from the database ("FMain.FillMaskedGrid").
    void FillMaskedGrid();
    /// Adds, rewrites or removes the row of one point ("MPublic.UpdateMaskedItem"). A point the
    /// site does not have is never added: the address comes from outside.
    void UpdateMaskedItem(const QString& address, qint32 maskValue) override;

    struct Point {
        QString address;
        QString name;
        /// False when the site has no such point (the row would have no name and no meaning).
        bool known = false;
    };
    /// The address and name of point `pointNumber` of a controller for a status type (7, 8, 9, 14,
    /// 15), or of the newer-line input `controllerAddress` itself (99). A base-board input that no
    /// stand-alone input row names is the input of the door with the same number. Addresses are
    /// bound as parameters; answers are kept until the next FillMaskedGrid or forgetNames(), at
    /// most kMaxKept of them.
    Point lookupPoint(const QString& controllerAddress, int statusType, int pointNumber);
    /// Drops the kept names (a point was renamed).
    void forgetNames() { kept_.clear(); }

private:
    void applyMaskChange(const QString& address, qint32 maskValue);
    /// True when the list has a row under any address the point can be listed by. Answered from
    /// the list alone: the frequent "not masked" report of an unlisted point costs no statement.
    bool listedUnderAnyAddressOf(const QString& controllerAddress, int statusType, int pointNumber) const;
    /// Reads point.name of point.address with sql; sets and returns point.known.
    bool queryName(const QString& sql, Point& point);
    void addRow(const QString& name, int icon, const QString& address, const QString& reason);

    ComponentContext& ctx_;
    StatusGrid& grid_;
    QHash<QString, Point> kept_;
};

}  // namespace so
