#pragma once
// Opening files the way the Windows shell does. On Windows that is the shell
// itself; on a Linux desktop programs are started directly and everything
// else goes to the desktop's default program through xdg-open (found on PATH,
// never through a shell).
#include <filesystem>
#include <string>
#include <vector>

namespace rondivo::platform {

// Result codes as the Windows shell gives them (ShellExecute's SE_ERR_ and
// ERROR_ values): above 32 is success.
enum ShellResult : int {
    kShellOutOfResources = 0,
    kShellFileNotFound = 2,
    kShellPathNotFound = 3,
    kShellAccessDenied = 5,
    kShellOutOfMemory = 8,
    kShellBadFormat = 11,
    kShellSharingViolation = 26,
    kShellAssociationIncomplete = 27,
    kShellDdeTimeout = 28,
    kShellDdeFailed = 29,
    kShellDdeBusy = 30,
    kShellNoAssociation = 31,
    kShellDllNotFound = 32,
    kShellOk = 42,
};
inline bool shellSucceeded(int result) {
    return result > 32;
}
// The system says no program opens this type: the one failure "Open With" answers.
inline bool shellWantsOpenWith(int result) {
    return result == kShellNoAssociation || result == kShellAssociationIncomplete;
}
// The system's reason for a failed launch, as a sentence.
std::string shellFailureReason(int result);

// Opens `file` (a disc-style or native path, relative to `workingDir` or the
// current directory, matched case-insensitively) with `parameters`.
// "Powerpnt.exe" with "/s FILE" shows FILE as a slide show with LibreOffice
// Impress when it is installed, else opens FILE with the default program.
int shellExecute(const std::string& file, const std::string& parameters,
                 const std::filesystem::path& workingDir = {});

// Shows a folder in the desktop's file manager.
int openFolder(const std::filesystem::path& folder);

// Hands an address ("mailto:...", "https://...") to the desktop's program for it.
int openAddress(const std::string& address);
// The system's own "Open With" dialog for `file` (also when the user cancels
// it). False where the system has none (Linux desktops: the window shows our
// own chooser) or it could not be shown.
bool showSystemOpenWith(const std::filesystem::path& file);

// A program the "Open With" chooser offers, from the desktop's .desktop files.
struct DesktopApplication {
    std::string name;
    std::string exec;  // the Exec= line, field codes still in it
    std::filesystem::path desktopFile;
};
std::vector<DesktopApplication> listDesktopApplications();
std::vector<DesktopApplication> parseDesktopEntry(const std::string& text,
                                                  const std::filesystem::path& source);
// argv for running `app` on `file`: %f %F %u %U become the file, other codes vanish.
std::vector<std::string> commandForFile(const DesktopApplication& app,
                                        const std::filesystem::path& file);
bool openWithApplication(const DesktopApplication& app, const std::filesystem::path& file);
bool openWithProgram(const std::filesystem::path& program, const std::filesystem::path& file);

}  // namespace rondivo::platform
