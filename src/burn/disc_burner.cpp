#include "burn/disc_burner.h"

#include "burn/iso_layout.h"

namespace rondivo::burn {

namespace {
constexpr const char* kBusyText = "An image is already being written.";
}

CDiscBurner::CDiscBurner() : writer_(session_) {
    clearImage(session_);
}

CDiscBurner::~CDiscBurner() {
    writer_.wait();
}

void CDiscBurner::ClearImage() {
    if (IsBusy()) {
        message_ = kBusyText;
        return;
    }
    clearImage(session_);
}

ImageDir* CDiscBurner::AddFolder(std::string_view target, const std::filesystem::path& folder,
                                 std::string_view pattern, bool recurse) {
    if (IsBusy()) {
        message_ = kBusyText;
        return nullptr;
    }
    return addFolder(session_, target, folder, pattern, recurse);
}

std::uint32_t CDiscBurner::ComputeLayout() {
    if (IsBusy()) {
        message_ = kBusyText;
        return 0;
    }
    message_.clear();
    std::uint32_t sectors = computeLayout(session_);
    if (sectors == 0) message_ = session_.refusal;
    return sectors;
}

void CDiscBurner::SetVolumeLabel(std::string_view text) {
    if (!IsBusy()) setVolumeLabel(session_, text);
}

int CDiscBurner::StartSaveImage(const std::filesystem::path& path, CompletionCallback callback,
                                std::intptr_t user) {
    message_.clear();
    if (IsBusy()) {
        message_ = kBusyText;
        return 0;
    }
    if (!session_.layoutValid) {
        session_.errorCode = kErrorNoLayout;
        message_ = "The image has not been laid out.";
        return 0;
    }
    auto sink = std::make_unique<ImageFileSink>(path);
    if (!sink->create()) {
        session_.errorCode = kErrorImageFile;
        message_ = sink->message();
        return 0;
    }
    return StartWriting(std::move(sink), 0, std::move(callback), user);
}

int CDiscBurner::StartWriting(std::unique_ptr<ImageSink> sink, std::uint32_t sessionStart,
                              CompletionCallback callback, std::intptr_t user) {
    message_.clear();
    if (IsBusy()) {
        message_ = kBusyText;
        return 0;
    }
    session_.sessionStart = sessionStart;
    return writer_.start(std::move(sink), std::move(callback), user) ? 1 : 0;
}

std::string CDiscBurner::LastMessage() const {
    if (!message_.empty()) return message_;
    return writer_.message();
}

CDiscBurner& discBurner() {
    static CDiscBurner burner;
    return burner;
}

}  // namespace rondivo::burn
