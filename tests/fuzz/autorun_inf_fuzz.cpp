// autorun.inf from a disc or an earlier build: every reader, and the
// rewrite the data-folder step makes of it.
#include "disc/autorun_inf.h"
#include "disc/secure_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rondivo;
    auto bytes = fuzz::text(data, size);
    auto folder = fuzz::freshScratch("inf");
    fuzz::writeBytes(folder / kAutorunInfName, bytes);
    iconFromAutorunInf(folder);
    labelFromAutorunInf(folder);
    commandLineFromAutorunInf(folder);
    readSecurePassword(folder);
    auto inf =
        dataFolderAutorunInf(readAutorunInfLines(folder).value_or(std::vector<std::string>{}));
    writeAutorunInfLines(folder, inf.lines);
    dataFolderCommandLine(bytes);
    underscoreBlanks(bytes);
    return 0;
}
