// Re-laying the resource section of a linked stub so that the data of the
// marker resource (the resource the payload locator reaches through the
// first entry of each directory level) is the last resource data.
#pragma once

#include <cstdint>
#include <vector>

#include "support/result.h"

namespace veltrane::pe {

struct RelayOutcome {
    bool changed = false;                // false: the file was already laid out so
    std::uint32_t markerDataOffset = 0;  // file offset of the marker's data afterwards
};

// Rebuilds the .rsrc section of `file` with every resource's bytes kept and
// the marker's data placed last, then fixes what depends on the layout: the
// data entries' RVAs, the section's VirtualSize (and SizeOfRawData when it
// must grow), the resource data directory's size, SizeOfImage,
// SizeOfInitializedData and the checksum. The section may grow only when
// nothing follows it in the file or in memory. Fails with a message, leaving
// `file` untouched, when the image or its resource tree cannot be read or the
// new section does not fit.
Result<RelayOutcome> MoveMarkerDataLast(std::vector<std::uint8_t>& file);

}  // namespace veltrane::pe
