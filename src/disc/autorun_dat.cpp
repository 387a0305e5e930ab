#include "disc/autorun_dat.h"

#include <algorithm>
#include <climits>
#include <fstream>
#include <sstream>
#include <string_view>

#include "platform/regular_file.h"

namespace rondivo {

namespace {

constexpr std::size_t kLineBuffer = 1000;  // the reader's scratch line: 999 characters and a NUL

// A formatted-input cursor with the behaviour the player has always had:
// integers skip white space (newlines too), a failed conversion stops the
// reading, and "discard the rest of the line" looks at no more than 999
// characters. A CR before LF is part of the line end.
class DatReader {
  public:
    explicit DatReader(std::istream& in) : in_(in) {}

    bool atEnd() { return in_.peek() == std::char_traits<char>::eof(); }

    bool readInt(std::int32_t& out) {
        int c = in_.peek();
        while (c != EOF && isWhite(c)) {
            in_.get();
            c = in_.peek();
        }
        bool negative = false;
        if (c == '+' || c == '-') {
            negative = c == '-';
            in_.get();
            c = in_.peek();
        }
        if (c == EOF || c < '0' || c > '9') return false;
        long long value = 0;
        bool overflow = false;
        while (c != EOF && c >= '0' && c <= '9') {
            if (!overflow) {
                value = value * 10 + (c - '0');
                if (value > static_cast<long long>(INT_MAX) + 1) overflow = true;
            }
            in_.get();
            c = in_.peek();
        }
        if (negative) value = -value;
        if (overflow || value > INT_MAX || value < INT_MIN) return false;  // as a stream would fail
        out = static_cast<std::int32_t>(value);
        return true;
    }

    // Discards up to and including the newline, examining at most 999 characters.
    void discardLine() {
        for (std::size_t n = 0; n < kLineBuffer - 1; ++n) {
            int c = in_.get();
            if (c == EOF || c == '\n') return;
        }
    }

    // Reserved text lines are skipped whole, whatever they hold: their
    // content is never used, so a long one must not shift the lines after it.
    void skipWholeLine() {
        int c;
        do c = in_.get();
        while (c != EOF && c != '\n');
    }

    // The whole line without its line end (line 13 has no length limit).
    std::string readLine() {
        std::string s;
        int c;
        while ((c = in_.get()) != EOF && c != '\n') s.push_back(static_cast<char>(c));
        if (!s.empty() && s.back() == '\r') s.pop_back();
        return s;
    }

  private:
    static bool isWhite(int c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    }
    std::istream& in_;
};

int clamp01(std::int32_t v) {
    return (v == 0 || v == 1) ? v : 0;
}

}  // namespace

int splashTimeFromIndex(int index) {
    switch (index) {
        case 0:
            return 1500;
        case 1:
            return 3000;
        case 2:
            return 4500;
        case 3:
            return 7500;
        default:
            return 3000;
    }
}

std::string presentationFileText(const PresentationSettings& s) {
    std::ostringstream out;
    const char* eol = "\r\n";
    out << s.splashDisplayMs << eol;
    out << (s.disableRightClick ? 1 : 0) << eol;
    out << (s.disableTitleBar ? 1 : 0) << eol;
    out << (s.disableResizing ? 1 : 0) << eol;
    out << 0 << eol << eol << 0 << eol << eol << 0 << eol << eol;  // reserved lines 5 to 10
    out << s.customWidth << ' ' << s.customHeight << eol;
    out << (s.topMost ? 1 : 0) << eol;
    // One blank between the two: a record read from a file keeps it before startY.
    std::string_view y = s.startY;
    while (!y.empty() && y.front() == ' ') y.remove_prefix(1);
    out << s.startX << ' ' << y << eol;
    out << (s.centreOnStart ? 1 : 0) << eol;
    return out.str();
}

bool writePresentationFile(const std::filesystem::path& folder,
                           const PresentationSettings& settings) {
    std::ofstream out(folder / kPresentationFileName, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << presentationFileText(settings);
    out.flush();
    return static_cast<bool>(out);
}

void readPresentationSettings(std::istream& in, PresentationSettings& s) {
    DatReader r(in);
    // Each step reads one line; any failure stops everything after it.
    auto intLine = [&](std::int32_t& field) {
        if (r.atEnd()) return false;
        std::int32_t v;
        if (!r.readInt(v)) return false;
        field = v;
        r.discardLine();
        return true;
    };
    auto reservedText = [&]() {
        if (r.atEnd()) return false;
        r.skipWholeLine();
        return true;
    };
    std::int32_t reserved = 0;
    [&] {
        if (!intLine(s.splashDisplayMs)) return;
        if (!intLine(s.disableRightClick)) return;
        if (!intLine(s.disableTitleBar)) return;
        if (!intLine(s.disableResizing)) return;
        if (!intLine(reserved) || !reservedText()) return;
        if (!intLine(reserved) || !reservedText()) return;
        if (!intLine(reserved) || !reservedText()) return;
        if (r.atEnd()) return;
        std::int32_t w, h;
        if (!r.readInt(w)) return;
        s.customWidth = w;
        if (!r.readInt(h)) return;
        s.customHeight = h;
        r.discardLine();
        if (!intLine(s.topMost)) return;
        if (r.atEnd()) return;
        // X runs to the first blank, Y from that blank to the end of the line,
        // whatever their lengths: a "100%" written by the designer reads back whole.
        std::string line = r.readLine();
        auto blank = line.find(' ');
        s.startX = line.substr(0, blank);
        s.startY = blank == std::string::npos ? std::string() : line.substr(blank);
        intLine(s.centreOnStart);
    }();
    // A disc is not trusted to keep the menu away for weeks or to ask for a
    // window of two billion pixels: the player's own limits hold.
    s.splashDisplayMs = std::min(s.splashDisplayMs, kMaxSplashDisplayMs);
    s.customWidth = std::clamp(s.customWidth, 0, kMaxCustomWindowExtent);
    s.customHeight = std::clamp(s.customHeight, 0, kMaxCustomWindowExtent);
    s.disableRightClick = clamp01(s.disableRightClick);
    s.disableTitleBar = clamp01(s.disableTitleBar);
    s.disableResizing = clamp01(s.disableResizing);
}

void readPresentationFile(const std::filesystem::path& file, PresentationSettings& settings) {
    platform::RegularFileStream in(file);
    if (!in) return;
    readPresentationSettings(in, settings);
}

void readPresentationFile(PresentationSettings& settings) {
    readPresentationFile(kPresentationFileName, settings);
}

}  // namespace rondivo
