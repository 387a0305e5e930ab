#include "menucreator/ui/preview_host.h"

#include <wx/display.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "menucreator/preview_navigation.h"
#include "ui/message_box.h"
#include "ui/open_with_dialog.h"

namespace rondivo::menucreator {

namespace {
enum ProgressId { kProgressHeading = 1030, kProgressText = 1031 };
}  // namespace

PreviewHost::PreviewHost(wxDialog& window, const MenuPrompts& prompts,
                         std::function<void()> leavePreview)
    : window_(window), prompts_(prompts), leavePreview_(std::move(leavePreview)) {}

PreviewHost::~PreviewHost() = default;

std::string PreviewHost::caption() {
    return window_.GetTitle().utf8_string();
}

void PreviewHost::showMessageDialog(const std::string& caption, const std::string& text) {
    prompts_.message(&window_, wxString::FromUTF8(text), wxString::FromUTF8(caption), wxOK);
}

void PreviewHost::messageBox(const std::string& text, const std::string& caption,
                             MessageIcon icon) {
    long style = wxOK | (icon == MessageIcon::Error ? wxICON_ERROR : wxICON_INFORMATION);
    prompts_.message(&window_, wxString::FromUTF8(text), wxString::FromUTF8(caption), style);
}

std::optional<std::string> PreviewHost::pickFolder(const std::string& prompt) {
    auto folder = prompts_.folder(&window_, wxString::FromUTF8(prompt));
    if (!folder) return std::nullopt;
    return folder->utf8_string();
}

void PreviewHost::openProgress(const std::string& heading) {
    progress_ = std::make_unique<wxDialog>(&window_, wxID_ANY, kProgramTitle, wxDefaultPosition,
                                           wxDefaultSize, wxCAPTION);
    auto* s = new wxBoxSizer(wxVERTICAL);
    s->Add(new wxStaticText(progress_.get(), kProgressHeading, wxString::FromUTF8(heading)), 0,
           wxALL, 8);
    progressText_ =
        new wxStaticText(progress_.get(), kProgressText, "", wxDefaultPosition, wxSize(360, 40));
    s->Add(progressText_, 0, wxALL, 8);
    progress_->SetSizerAndFit(s);
    progress_->Centre();
    progress_->Show();
}

void PreviewHost::setProgressText(const std::string& text) {
    if (!progress_) return;
    progressText_->SetLabel(wxString::FromUTF8(text));
    progress_->Update();
}

void PreviewHost::closeProgress() {
    progress_.reset();
    progressText_ = nullptr;
}

void PreviewHost::openWith(const std::filesystem::path& file) {
    offerOpenWith(&window_, file);
}

void PreviewHost::quit() {
    prompts_.message(&window_, kPreviewExitMessage, window_.GetTitle(), wxOK | wxICON_INFORMATION);
    leavePreview_();
}

void PreviewHost::maximize() {
    int display = wxDisplay::GetFromWindow(&window_);
    wxRect screen = wxDisplay(display == wxNOT_FOUND ? 0u : unsigned(display)).GetGeometry();
    wxSize border = (window_.GetSize() - window_.GetClientSize()) / 2;
    window_.SetSize(-1 - border.x, -1 - border.y, screen.width + border.x + 1,
                    screen.height + border.y + 1);
}

void PreviewHost::restoreSize() {
    prompts_.message(&window_, kPreviewRestoreMessage, kProgramTitle, wxOK | wxICON_INFORMATION);
}

void PreviewHost::minimize() {
    window_.Iconize(true);
}

std::vector<RunCommand> PreviewHost::commandsToRun(std::string_view argument) {
    return previewRunCommands(argument);
}

std::vector<CopyItem> PreviewHost::copiesIntoFolder(std::string_view argument,
                                                    const std::string& folder) {
    return previewFolderCopies(argument, folder);
}

}  // namespace rondivo::menucreator
