#pragma once
// Saving a folder as an ISO image from the command line.
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace rondivo::burn {

// Masters `folder` as it stands (its contents become the root of the image)
// and writes the image to `isoFile`, with `label` as the volume label when
// it is not empty. With `terminalProgress`, shows the share of sectors
// written on `err` while it works. Returns 0 on success; 1 with a message on
// `err` when nothing or no complete image was written. The contents of
// each of `alsoAtRoot` are added to the root too (files the image needs that
// the folder lacks, without writing into it).
int saveIsoCommand(const std::filesystem::path& folder, const std::filesystem::path& isoFile,
                   const std::string& label, std::ostream& out, std::ostream& err,
                   bool terminalProgress,
                   const std::vector<std::filesystem::path>& alsoAtRoot = {});

}  // namespace rondivo::burn
