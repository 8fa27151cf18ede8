// The eight sections of the status window, each a grid of its own. Their numbers (0 doors ... 7
// modules) are what the host, the stored column layouts and DBStatusUpdate's grid codes use, so
// the enumerators keep them; inside the component a section is named, never counted.
#pragma once

#include <array>

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

/// DBStatusUpdate's grid codes besides the section numbers: the newer line's readers, controllers
/// and modules, whose rows are re-read from their own procedures (in the readers, controllers and
/// modules sections).
namespace refresh {
inline constexpr int ZR2Readers = 103;
inline constexpr int ZR2Controllers = 104;
inline constexpr int ZR2Modules = 107;
}  // namespace refresh

}  // namespace so
