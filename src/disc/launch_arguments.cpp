#include "disc/launch_arguments.h"

#include <climits>

namespace rondivo {

const std::string& LaunchArguments::at(int position) const {
    static const std::string empty;
    if (position < 1 || position > kMaxWords) return empty;
    return words[position - 1];
}

LaunchArguments LaunchArguments::fromArgv(int argc, const char* const* argv) {
    LaunchArguments args;
    for (int i = 1; i < argc && i <= kMaxWords; ++i) args.words[i - 1] = argv[i] ? argv[i] : "";
    args.count = argc < 1 ? 1 : (argc > kMaxWords + 1 ? kMaxWords + 1 : argc);
    return args;
}

LaunchArguments LaunchArguments::fromWords(const std::vector<std::string>& words) {
    LaunchArguments args;
    std::size_t n = words.size() < kMaxWords ? words.size() : kMaxWords;
    for (std::size_t i = 0; i < n; ++i) args.words[i] = words[i];
    args.count = static_cast<int>(n) + 1;
    return args;
}

std::vector<std::string> splitAtBlanks(std::string_view text, std::size_t maxWords) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < text.size() && out.size() < maxWords) {
        while (i < text.size() && text[i] == ' ') ++i;
        if (i >= text.size()) break;
        std::size_t j = i;
        while (j < text.size() && text[j] != ' ') ++j;
        out.emplace_back(text.substr(i, j - i));
        i = j;
    }
    return out;
}

int decimalOrZero(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) return negative ? INT_MIN : INT_MAX;  // saturate, never overflow
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace rondivo
