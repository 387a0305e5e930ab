#include "menucreator/menu_page.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "platform/file_io.h"
#include "platform/paths.h"

namespace rondivo::menucreator {

namespace {

constexpr std::size_t kNotFound = std::string::npos;
constexpr const char* kPageEnd = "\n</BODY>\n</HTML>\n";

// A value between `open` (searched from `from`) and the next double quote.
bool quotedValueAfter(const std::string& line, const std::string& upper, std::string_view open,
                      std::size_t from, std::string& value) {
    std::size_t at = upper.find(open, from);
    if (at == kNotFound) return false;
    std::size_t start = at + open.size();
    std::size_t end = line.find('"', start);
    if (end == kNotFound) return false;
    value = line.substr(start, end - start);
    return true;
}

void scanLine(const std::string& line, MenuHeadValues& head) {
    const std::string upper = platform::toUpper(line);
    if (std::size_t t = upper.find("<TITLE>"); t != kNotFound) {
        std::size_t start = t + 7;
        if (std::size_t e = upper.find("</TITLE>", start); e != kNotFound)
            head.title = line.substr(start, e - start);
    }
    if (std::size_t s = upper.find("<BGSOUND"); s != kNotFound)
        quotedValueAfter(line, upper, "SRC=\"", s, head.musicPath);
    if (std::size_t b = upper.find("<BODY"); b != kNotFound) {
        quotedValueAfter(line, upper, "BACKGROUND=\"", b, head.backgroundImage);
        if (std::size_t c = upper.find("BGCOLOR=", b); c != kNotFound) {
            // Taken when the tag ends the line, or when what follows the next
            // "<" is a new tag with text after it (no blank before that "<").
            std::size_t lt = upper.find('<', c);
            std::size_t blank = upper.find(' ', c);
            if (lt == kNotFound || (blank != kNotFound && blank > lt)) {
                std::size_t start = c + 8;
                if (std::size_t gt = line.find('>', start); gt != kNotFound)
                    head.backgroundColour = line.substr(start, gt - start);
            }
        }
    }
}

}  // namespace

std::string pageFileAddress(const std::filesystem::path& file) {
    return "file://" + std::filesystem::absolute(file).lexically_normal().string();
}

MenuHeadValues readMenuHeadValues(std::istream& in) {
    MenuHeadValues head;
    // Lines of at most 4999 characters, as a 5000-byte line buffer reads them.
    constexpr std::size_t kMaxLine = 4999;
    std::string line;
    char c;
    auto flush = [&] {
        if (!line.empty()) scanLine(line, head);
        line.clear();
    };
    while (in.get(c)) {
        if (c == '\r' && in.peek() == '\n') continue;  // text mode: CR LF reads as LF
        line.push_back(c);
        if (c == '\n' || line.size() >= kMaxLine) flush();
    }
    flush();
    return head;
}

MenuHeadValues readMenuHeadValuesFrom(const std::string& pathOrUrl) {
    if (pathOrUrl.find("res:") != kNotFound) return {};
    std::ifstream in(platform::u8path(pathOrUrl), std::ios::binary);
    if (!in) return {};
    return readMenuHeadValues(in);
}

std::string colourText(std::uint32_t colourRef) {
    static const char* digits = "0123456789abcdef";
    std::string text = "#";
    for (int shift = 0; shift <= 16; shift += 8) {
        unsigned byte = (colourRef >> shift) & 0xFF;
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 15]);
    }
    return text;
}

std::string buildMenuPage(std::string_view bodyHtml, const MenuHeadValues& head) {
    if (std::size_t end = bodyHtml.find("</HTML>"); end != kNotFound)
        return std::string(bodyHtml.substr(0, end + 7));
    std::string page = "<HTML>\n<TITLE>" + head.title + "</TITLE>\n";
    if (!head.musicPath.empty()) page += "<BGSOUND SRC=\"" + head.musicPath + "\">\n";
    page += "<BODY SCROLL=AUTO";
    if (!head.backgroundImage.empty()) page += " BACKGROUND=\"" + head.backgroundImage + "\"";
    if (!head.backgroundColour.empty()) page += " BGCOLOR=" + head.backgroundColour;
    page += ">\n";
    page += bodyHtml;
    page += kPageEnd;
    return page;
}

std::size_t menuBodyStart(std::string_view page, std::string_view bodyHtml) {
    if (bodyHtml.find("</HTML>") == kNotFound)
        return page.size() - bodyHtml.size() - std::string_view(kPageEnd).size();
    // A whole page from the editor: its body starts after the first BODY tag.
    const std::string lower = platform::toLower(page);
    const std::size_t body = lower.find("<body");
    if (body == kNotFound) return 0;
    const std::size_t gt = lower.find('>', body);
    return gt == kNotFound ? page.size() : gt + 1;
}

std::string addBlankTargets(std::string_view page, std::size_t bodyStart) {
    // One pass over the page: each tag is searched only up to its own '>',
    // and the marked copy is built as it goes (a page of thousands of links
    // is saved in linear time).
    const std::string lower = platform::toLower(page);
    const std::string_view text = lower;
    static constexpr std::string_view kTarget = " target=_blank";
    // With no '>' after a tag, an action or file address anywhere after it keeps it.
    const std::size_t lastAction = text.rfind("action_");
    const std::size_t lastFile = text.rfind("file:");
    auto holds = [&](std::size_t from, std::size_t gt, std::string_view what, std::size_t last) {
        if (gt == kNotFound) return last != kNotFound && last >= from;
        // A match must start before the '>', it may end after it.
        return text.substr(from, gt - from + what.size() - 1).find(what) != kNotFound;
    };
    std::string out;
    out.reserve(page.size() + page.size() / 16);
    std::size_t done = 0;
    for (std::size_t hit = text.find("<a ", std::max<std::size_t>(bodyStart, 1)); hit != kNotFound;
         hit = text.find("<a ", hit + 1)) {
        std::size_t gt = text.find('>', hit);
        if (holds(hit, gt, "action_", lastAction) || holds(hit, gt, "file:", lastFile)) continue;
        out.append(page, done, hit + 2 - done);
        out += kTarget;
        done = hit + 2;
    }
    out.append(page, done, kNotFound);
    return out;
}

namespace {

// The first `tag` ("<head") before `limit` that is the tag itself, not the
// start of a longer word ("<header", "<headline").
std::size_t realTag(const std::string& lower, std::string_view tag, std::size_t limit) {
    for (std::size_t at = lower.find(tag); at != kNotFound && at < limit;
         at = lower.find(tag, at + 1)) {
        const std::size_t next = at + tag.size();
        if (next < lower.size() &&
            (lower[next] == '>' || std::isspace(static_cast<unsigned char>(lower[next]))))
            return at;
    }
    return kNotFound;
}

}  // namespace

std::string declareUtf8(std::string_view page) {
    static constexpr std::string_view kMeta =
        "<META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">";
    const std::string lower = platform::toLower(page);
    const std::size_t body = lower.find("<body");
    const std::size_t charset = lower.find("charset");
    if (charset != kNotFound && (body == kNotFound || charset < body)) return std::string(page);
    // After the HEAD tag (before the title: the author's title may hold the
    // same letters as text, "<headline"), else after the HTML tag.
    const std::size_t title = lower.find("<title");
    std::size_t open = realTag(lower, "<head", std::min(title, body));
    if (open == kNotFound) open = realTag(lower, "<html", body);
    std::size_t at = 0;
    if (open != kNotFound)
        if (const std::size_t gt = lower.find('>', open); gt != kNotFound) at = gt + 1;
    std::string out(page.substr(0, at));
    out += (at > 0 ? "\n" : "");
    out += kMeta;
    out += (at > 0 ? "" : "\n");
    out.append(page.substr(at));
    return out;
}

std::string toDiskText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 2);
    for (char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    out += "\r\n";
    return out;
}

bool saveMenuPage(const std::filesystem::path& file, std::string_view bodyHtml,
                  const MenuHeadValues& head) {
    // Declared first: the body's start is counted from the page's end.
    const std::string page = declareUtf8(buildMenuPage(bodyHtml, head));
    std::string bytes = toDiskText(addBlankTargets(page, menuBodyStart(page, bodyHtml)));
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace rondivo::menucreator
