#pragma once
// Opening files the way the Windows shell does. On Windows that is the shell
// itself; on a Linux desktop programs are started directly and everything
// else goes to the desktop's default program through xdg-open (found on PATH,
// never through a shell).
#include <filesystem>
#include <string>
#include <vector>

namespace rondivo::platform {

// Result codes as the Windows shell gives them: above 32 is success.
enum ShellResult : int {
    kShellFileNotFound = 2,
    kShellPathNotFound = 3,
    kShellAccessDenied = 5,
    kShellNoAssociation = 31,
    kShellOk = 42,
};
inline bool shellSucceeded(int result) {
    return result > 32;
}

// Opens `file` (a disc-style or native path, relative to `workingDir` or the
// current directory, matched case-insensitively) with `parameters`.
// "Powerpnt.exe" with "/s FILE" shows FILE as a slide show with LibreOffice
// Impress when it is installed, else opens FILE with the default program.
int shellExecute(const std::string& file, const std::string& parameters,
                 const std::filesystem::path& workingDir = {});

// Shows a folder in the desktop's file manager.
int openFolder(const std::filesystem::path& folder);

// The system's own "Open With" dialog for `file`. False where the system has
// none (Linux desktops: the window shows our own chooser) or it failed.
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
