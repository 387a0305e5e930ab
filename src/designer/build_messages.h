#pragma once
// What the build pipeline tells the author, in one place for the build
// steps and the data-folder step.
#include <filesystem>
#include <string>
#include <vector>

#include "designer/folder_copy.h"

namespace rondivo::build_text {

std::string copyProblem(const std::filesystem::path& source, const std::filesystem::path& target,
                        const char* tail);
extern const char* const kCopyTailOpen;
extern const char* const kCopyTailExe;
extern const char* const kCopyTailActually;
std::string folderProblem(const std::filesystem::path& folder);
// A file of the folder could not be moved below data.
std::string notMovedProblem(const std::string& name, const std::string& why);
// The encryption of a secure disc failed: no password in autorun.inf, or
// these files stayed plain.
std::string encryptionProblem(bool passwordRead, const std::vector<std::filesystem::path>& failed);
std::string notAFileProblem(const std::filesystem::path& source);
std::string diskFullProblem(const std::filesystem::path& source,
                            const std::filesystem::path& target);
// The desktop (or the folder the build would make) cannot be written: says which.
std::string unwritableProblem(const std::filesystem::path& folder, int err);
std::string busyProblem(const std::filesystem::path& base);
// The record of the build's files could not be written.
std::string recordProblem(const std::filesystem::path& record, const std::string& why);
// Links in `from` whose targets lie outside it (source, and the target as reason).
std::string outsideLinksNote(const std::filesystem::path& from,
                             const std::vector<CopyFailure>& links);

}  // namespace rondivo::build_text
