// The tests' view into the simulated field: its scenarios one at a time (start one until it opens
// an episode, end that episode), and the states it holds for a point, as the field itself has them
// before anything is written or reported.
#pragma once

#include "field/SimulatedField.h"

#include <site/SiteStatusText.h>

namespace sv {

struct SimulatedFieldInternals {
    using Row = SimulatedField::ScenarioRow;
    static QVector<const Row*> rows() {
        QVector<const Row*> all;
        for (int s = 0; s <= int(SimulatedField::Scenario::MassMask); ++s)
            all << &SimulatedField::scenarioRow(SimulatedField::Scenario(s));
        return all;
    }
    /// Starts the row's scenario until it holds a point (at most tries times); false when it never did.
    static bool start(SimulatedField& f, const Row& row, int tries) {
        for (int i = 0; i < tries && f.episodes_.isEmpty(); ++i)
            (f.*row.start)();
        return !f.episodes_.isEmpty();
    }
    static int episodes(const SimulatedField& f) { return int(f.episodes_.size()); }
    static void endFirst(SimulatedField& f) { f.endEpisode(0); }

    /// What the field holds for the point at address: a classic input's or relay's entry as the
    /// stored status text writes it ("codes|value|maskSource"), a newer-line input's "contact N
    /// mask N", a relay's "on|off mode N", a door's those of its relay and inputs ("; " between);
    /// "?" for an address the field does not know.
    static QString state(SimulatedField& f, const QString& address) {
        if (address.contains(QLatin1String(".DR")) && !address.contains(QLatin1String("ZRII"))) {
            // A classic door: its relay and its contact input, both numbered as the door.
            QString relay = address, input = address;
            relay.replace(QLatin1String(".DR"), QLatin1String(".BR"));
            input.replace(QLatin1String(".DR"), QLatin1String(".BI"));
            return state(f, relay) + QStringLiteral("; ") + state(f, input);
        }
        if (const int input = f.inputByAddress_.value(address, -1); input >= 0)
            return entryText(f, f.inputs_[input].ref);
        if (const int relay = f.relayByAddress_.value(address, -1); relay >= 0)
            return entryText(f, f.relays_[relay].ref);
        for (const SimulatedField::ZrInput& in : std::as_const(f.zrInputs_))
            if (in.address == address)
                return QStringLiteral("contact %1 mask %2").arg(in.contact).arg(in.mask);
        for (const SimulatedField::ZrRelay& r : std::as_const(f.zrRelays_))
            if (r.address == address)
                return QStringLiteral("%1 mode %2").arg(r.on ? "on" : "off").arg(r.mode);
        for (const SimulatedField::ZrDoor& door : std::as_const(f.zrDoorById_))
            if (door.address == address) {
                QStringList parts{state(f, f.zrRelays_.value(door.relay).address)};
                for (int input : door.inputs)
                    parts << state(f, f.zrInputs_[input].address);
                return parts.join(QStringLiteral("; "));
            }
        return QStringLiteral("?");
    }

private:
    static QString entryText(SimulatedField& f, SuperStatusBook::Ref ref) {
        return so::db::joinStatusEntries({f.book_.entry(ref)}).chopped(1);
    }
};

}  // namespace sv
