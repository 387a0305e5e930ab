#include "designer/build_messages.h"

#include <cstring>

namespace rondivo::build_text {

namespace fs = std::filesystem;

std::string copyProblem(const fs::path& source, const fs::path& target, const char* tail) {
    return "There was a problem copying " + source.string() + " to " + target.string() + tail;
}
const char* const kCopyTailOpen =
    "\n\nPlease verify the file exists and is not currently opened in another program.";
const char* const kCopyTailExe =
    "\n\nPlease verify the file exists and is not currently opened in another program.\nPlease "
    "also verify that "
    "any long sound effect has stopped playing before creating a new presentation.";
const char* const kCopyTailActually =
    "\n\nPlease verify the file actually exists and is not currently opened in another program.";

std::string folderProblem(const fs::path& folder) {
    return "There was a problem creating the following directory:\n" + folder.string() +
           "\n\nPlease check your permissions on your desktop.";
}

std::string notMovedProblem(const std::string& name, const std::string& why) {
    return "\"" + name + "\" could not be moved into the data folder (" + why +
           ").\n\nThe disc would not find it there, so the build has stopped; the earlier "
           "folder is unchanged.";
}

std::string encryptionProblem(bool passwordRead, const std::vector<fs::path>& failed) {
    std::string text = "The presentation could not be encrypted";
    if (!passwordRead) {
        text += ": autorun.inf could not be read.";
    } else {
        text += ". These files could not be encrypted:\n";
        for (std::size_t i = 0; i < failed.size() && i < 10; ++i) text += failed[i].string() + "\n";
        if (failed.size() > 10) text += "... and " + std::to_string(failed.size() - 10) + " more\n";
    }
    return text +
           "\nThe disc would not play, so the build has stopped; the earlier folder is "
           "unchanged.";
}

std::string notAFileProblem(const fs::path& source) {
    return source.string() +
           " is not a regular file (it is a device, a FIFO or a socket), so it cannot go onto a "
           "disc.\n\nPlease choose a file.";
}

std::string diskFullProblem(const fs::path& source, const fs::path& target) {
    return "There is not enough space on the disk to copy " + source.string() + " to " +
           target.string() +
           ".\n\nPlease make room on the disk and create the CD again. The earlier "
           "\"CD-ROM Distributable Files\" folder, if any, is unchanged.";
}

std::string unwritableProblem(const fs::path& folder, int err) {
    return "The folder " + folder.string() + " cannot be written (" + std::strerror(err) +
           "), so the \"CD-ROM Distributable Files\" folder cannot be made there.\n\nPlease "
           "check your permissions on your desktop, or choose a desktop you can write to.";
}

std::string outsideLinksNote(const fs::path& from, const std::vector<CopyFailure>& links) {
    std::string text = "These links in " + from.string() +
                       " lead outside it; what they point to was copied onto the disc:\n";
    for (std::size_t i = 0; i < links.size(); ++i) {
        if (i == 20) {
            text += "... and " + std::to_string(links.size() - 20) + " more\n";
            break;
        }
        text += links[i].source.string() + " (taken from " + links[i].reason + ")\n";
    }
    return text;
}

std::string busyProblem(const fs::path& base) {
    return "Another build is writing the folder " + base.string() +
           " right now.\n\nPlease wait until it has finished, then create the CD again.";
}

std::string recordProblem(const fs::path& record, const std::string& why) {
    return "The list of the files this build made could not be kept in " + record.string() + " (" +
           why +
           ").\n\nThe next build cannot tell them from files added to the folder later; it "
           "keeps those of them it does not make itself.";
}

}  // namespace rondivo::build_text
