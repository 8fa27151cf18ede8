// The eight sections of the status window, each a grid of its own, and the kinds of row a
// database refresh renews. Section numbers (0 doors ... 7 modules) are what the host and the stored
// column layouts use, so the enumerators keep them; inside the component a section is named, never
// counted.
#pragma once

#include <array>
#include <optional>

namespace so {

enum class Section : int {
    Doors = 0,
    Inputs = 1,
    Relays = 2,
    Readers = 3,
    Controllers = 4,
    Boxes = 5,  // communication boxes
    Ports = 6,  // server ports
    Modules = 7,
};

inline constexpr int kSectionCount = 8;

inline constexpr std::array<Section, kSectionCount> kAllSections = {
    Section::Doors,       Section::Inputs, Section::Relays, Section::Readers,
    Section::Controllers, Section::Boxes,  Section::Ports,  Section::Modules,
};

/// The section's number (0-7), as the host, stored layouts and per-section arrays use it.
constexpr int sectionIndex(Section section) { return int(section); }

/// True for a section number 0-7.
constexpr bool isSectionIndex(int index) { return index >= 0 && index < kSectionCount; }

/// The section of a number that comes from outside (the host, a stored layout, a view's count);
/// nothing for a number outside 0-7: the checked way from a number to a Section.
constexpr std::optional<Section> sectionAt(int index) {
    return isSectionIndex(index) ? std::optional<Section>(kAllSections[std::size_t(index)]) : std::nullopt;
}

/// What DBStatusUpdate re-reads: one kind of row. The values are the grid codes the error reports
/// name ("FMain.DBStatusUpdate(104, ...)"); the classic codes share their numbers with sections,
/// but not always their grids: ExpansionInput (7) renews a row of the inputs section.
enum class RefreshTarget : int {
    Door = 0,  // classic or newer-line, told apart by the row's Name item data
    Input = 1,
    Relay = 2,  // a newer-line relay
    Controller = 4,
    Box = 5,
    Port = 6,
    ExpansionInput = 7,
    ZR2Reader = 103,
    ZR2Controller = 104,
    ZR2Module = 107,
};

/// The grid code of a target, as the error reports write it.
constexpr int refreshCode(RefreshTarget target) { return int(target); }

/// The section whose grid holds the rows a target renews.
constexpr Section refreshedSection(RefreshTarget target) {
    switch (target) {
    case RefreshTarget::Door: return Section::Doors;
    case RefreshTarget::Input:
    case RefreshTarget::ExpansionInput: return Section::Inputs;
    case RefreshTarget::Relay: return Section::Relays;
    case RefreshTarget::Controller:
    case RefreshTarget::ZR2Controller: return Section::Controllers;
    case RefreshTarget::Box: return Section::Boxes;
    case RefreshTarget::Port: return Section::Ports;
    case RefreshTarget::ZR2Reader: return Section::Readers;
    case RefreshTarget::ZR2Module: return Section::Modules;
    }
    return Section::Doors;
}

}  // namespace so
