#pragma once
// The writers of one hierarchy: its path tables (with its volume
// descriptor, which points at them) and its directories. The directories of
// the primary hierarchy may carry Rock Ridge, with the continuation areas
// in sectors right after them.
#include <memory>

#include "iso/hierarchy.h"
#include "iso/volume_writer.h"

namespace rondivo::iso {

std::unique_ptr<VolumeWriter> pathTableWriter(std::shared_ptr<const Hierarchy> hierarchy);
std::unique_ptr<VolumeWriter> directoryWriter(std::shared_ptr<const Hierarchy> hierarchy,
                                              bool rockRidge);

}  // namespace rondivo::iso
