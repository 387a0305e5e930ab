#include "player/ui/secure_extract_dialog.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/statbox.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/paths.h"
#include "platform/player_files.h"

namespace rondivo {

namespace fs = std::filesystem;

namespace {

// Dispatches what is queued and returns; never waits. Without an active
// loop (tests, early start-up) a temporary one does the work.
void pumpPendingMessages() {
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) {
        while (loop->Pending()) loop->Dispatch();
        loop->ProcessIdle();
    } else if (wxTheApp) {
        wxTheApp->Yield(true);
    }
}

}  // namespace

SecureExtractDialog::SecureExtractDialog(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Please wait ..", wxDefaultPosition, wxDefaultSize, wxCAPTION) {
    auto* top = new wxBoxSizer(wxVERTICAL);
    auto* group = new wxStaticBoxSizer(wxVERTICAL, this, "Extracting Files");
    gauge_ = new wxGauge(group->GetStaticBox(), kProgressBar, kExtractProgressRange,
                         wxDefaultPosition, wxSize(280, 18), wxGA_HORIZONTAL | wxGA_SMOOTH);
    group->Add(gauge_, 0, wxEXPAND | wxALL, 8);
    top->Add(group, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 10);
    auto* cancel = new wxButton(this, wxID_CANCEL, "Cancel");
    top->Add(cancel, 0, wxALIGN_CENTER | wxALL, 10);
    SetSizerAndFit(top);
    CentreOnScreen();
    // Cancel only asks the worker to stop; the dialog goes when the worker has.
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { cancelPressed_ = true; }, wxID_CANCEL);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& e) {
        cancelPressed_ = true;
        if (e.CanVeto()) e.Veto();
    });
}

void SecureExtractDialog::setProgress(int files) {
    gauge_->SetValue(std::clamp(files, 0, kExtractProgressRange));
}

ExtractionResult runExtractionWithProgress(wxWindow* parent, const ExtractionRequest& request) {
    auto* dialog = new SecureExtractDialog(parent);
    dialog->Show();
    dialog->Update();
    pumpPendingMessages();

    ExtractionWorker extraction(request);
    extraction.start();
    bool cancelSent = false;
    while (!extraction.done()) {
        dialog->setProgress(extraction.fileCount());
        pumpPendingMessages();
        if (!cancelSent && dialog->cancelPressed()) {
            extraction.cancel();
            cancelSent = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ExtractionResult result = extraction.finish();
    dialog->Destroy();
    return result;
}

std::string extractSecureFiles(wxWindow* parent, SecureWindowState& window,
                               bool applicationDataFolderLayout, const fs::path& executableFolder) {
    ExtractionRequest request;
    request.executableFolder = executableFolder.empty() ? platform::discFolder() : executableFolder;
    std::error_code ec;
    request.currentDirectory = fs::current_path(ec);
    request.dataFolderLayout = applicationDataFolderLayout;
    ExtractionPlan plan = planExtraction(request);
    if (!holdsSecureFiles(plan.source)) {
        ExtractionResult nothing;
        nothing.dataFolderLayout = plan.dataFolderLayout;
        return applyExtraction(window, nothing);
    }
    return applyExtraction(window, runExtractionWithProgress(parent, request));
}

std::string extractSecureFilesForShellLaunch(bool applicationDataFolderLayout) {
    SecureWindowState hidden;
    hidden.cleanupTempOnClose = false;
    return extractSecureFiles(nullptr, hidden, applicationDataFolderLayout);
}

}  // namespace rondivo
