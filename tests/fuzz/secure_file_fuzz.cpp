// An .enc file from a disc that is not what it claims: decryption fails
// cleanly (nothing left behind) or gives some bytes, never a crash.
#include <cstdlib>
#include <span>

#include "disc/secure_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rondivo;
    auto folder = fuzz::freshScratch("secure");
    fuzz::writeBytes(folder / "page.html.enc", fuzz::text(data, size));
    for (const char* password : {"", "secret"}) {
        std::error_code ec;
        bool ok = decryptFile(folder / "page.html.enc", folder / "page.html", password);
        if (!ok && std::filesystem::exists(folder / "page.html", ec)) std::abort();
        std::filesystem::remove(folder / "page.html", ec);
    }
    importKeyBlob(std::span<const std::uint8_t>(data, size));
    return 0;
}
