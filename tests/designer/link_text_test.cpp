#include "designer/link_text.h"

#include <gtest/gtest.h>

#include "disc/percent_coding.h"

namespace rondivo::links {
namespace {

std::vector<std::string> texts(std::string_view text, const std::vector<Span>& spans) {
    std::vector<std::string> out;
    for (const Span& s : spans) out.emplace_back(text.substr(s.begin, s.end - s.begin));
    return out;
}

TEST(LinkText, OnlyASchemeMakesAWebAddress) {
    const struct {
        const char* link;
        bool web;
    } rows[] = {
        {"http://example.com/", true},
        {"HTTPS://example.com", true},
        {"mailto:a@b.c", true},
        {"javascript:void(0)", true},
        {"//cdn.example.com/x.js", true},
        {"ftp://host/f", true},
        {"data:image/png;base64,AA", true},
        {"http.html", false},
        {"https.html", false},
        {"http2.html", false},
        {"www.html", false},
        {"www.example.com", false},
        {"ftp.html", false},
        {"mailto.html", false},
        {"C:\\pics\\a.jpg", false},
        {"c:/pics/a.jpg", false},
        {"file:///C:/a.jpg", false},
        {"docs/http:x.html", false},
        {"", false},
    };
    for (const auto& r : rows) EXPECT_EQ(isWebAddress(r.link), r.web) << r.link;
}

TEST(LinkText, FileAddressesOfThisMachineBecomePaths) {
    const struct {
        const char* link;
        const char* path;  // nullptr: not a full path of this machine
    } rows[] = {
        {"file:///home/me/assets/banner.png", "/home/me/assets/banner.png"},
        {"file://localhost/home/me/a.png", "/home/me/a.png"},
        {"FILE://LOCALHOST/home/me/a.png", "/home/me/a.png"},
        {"file:/home/me/a.png", "/home/me/a.png"},
        {"file:///C:/Users/me/a.png", "C:/Users/me/a.png"},
        {"file://C:\\Users\\me\\a.png", "C:\\Users\\me\\a.png"},
        {"file://localhost/C:/a.png", "C:/a.png"},
        {"file:///home/me/my%20pic.png", "/home/me/my pic.png"},
        {"file:///home/me/sch%C3%B6n.png", "/home/me/sch\xC3\xB6n.png"},
        {"file:///home/me/Gr\xC3\xBC\xC3\x9F"
         "e.png",
         "/home/me/Gr\xC3\xBC\xC3\x9F"
         "e.png"},
        {"file:///home/a&amp;b.png", "/home/a&b.png"},
        {"C:\\pics\\a.jpg", "C:\\pics\\a.jpg"},
        {"/srv/pics/a.jpg", "/srv/pics/a.jpg"},
        {"file://server/share/setup.exe", nullptr},
        {"file:////server/share/setup.exe", nullptr},
        {"file:%5C%5Cserver%5Cshare%5Ca.png", nullptr},
        {"\\\\server\\share\\a.png", nullptr},
        {"file:///home/me/a%00.png", nullptr},
        {"pics/a.jpg", nullptr},
        {"http://example.com/a.png", nullptr},
    };
    for (const auto& r : rows) {
        std::optional<std::string> d = decodeLink(r.link);
        std::optional<std::string> p = d ? absoluteLocalPath(*d) : std::nullopt;
        if (r.path)
            EXPECT_EQ(p.value_or("(none)"), r.path) << r.link;
        else
            EXPECT_FALSE(p) << r.link << " -> " << *p;
    }
}

TEST(LinkText, PageLinksAreLinkAttributesAndStylesNeverText) {
    const std::string page =
        "<html><head><link rel=stylesheet href='a.css'>\n"
        "<style>@import \"b.css\"; p { background: url( c.png ) }</style></head>\n"
        "<body BACKGROUND=bg.gif><a href=\"C:\\x\\d.html\" "
        "title=\"C:\\x\\t.png\">C:\\x\\e.png</a>\n"
        "<object data=\"f.swf\"><param name=movie value=\"g.swf\"></object>\n"
        "<input value=\"C:\\not\\a.link\"><img src = \"h.png\" style=\"background:url('i.png')\">\n"
        "<!-- <img src=\"comment.png\"> -->\n"
        "<script>if (a<b && c>d) x.src = \"j.png\"; var s = '<img src=\"k.png\">';</script>\n"
        "<pre>mkdir 'C:\\'\nbackground: url(l.png)</pre><video poster=m.jpg></video>";
    std::vector<Span> links, styles;
    pageLinks(page, links, styles);
    EXPECT_EQ(texts(page, links), (std::vector<std::string>{"a.css", "bg.gif", "C:\\x\\d.html",
                                                            "f.swf", "g.swf", "h.png", "m.jpg"}));
    EXPECT_EQ(texts(page, styles), (std::vector<std::string>{"b.css", "c.png", "i.png"}));
}

TEST(LinkText, StyleSheetLinks) {
    const std::string css =
        "@import \"print.css\";\n@import url(theme/colors.css) screen;\n"
        "body { background: url(./a.svg) }\n.b { background: URL(\"../b.png\") }\n"
        ".c { background: url( 'icons/c.png?v=2#x' ) }\n.f { filter: url(#shadow) }\n"
        "@import 'last.css'";
    std::vector<Span> found;
    cssLinks(css, {0, css.size()}, found);
    EXPECT_EQ(texts(css, found),
              (std::vector<std::string>{"print.css", "theme/colors.css", "./a.svg", "../b.png",
                                        "icons/c.png?v=2#x", "#shadow", "last.css"}));
}

}  // namespace
}  // namespace rondivo::links
