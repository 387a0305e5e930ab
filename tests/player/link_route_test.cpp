#include "player/link_route.h"

#include <gtest/gtest.h>

#include "disc/action_address.h"

namespace rondivo {
namespace {

struct LinkCase {
    const char* address;
    bool newWindow;
    LinkRoute route;
    const char* target;  // nullptr: the address itself
};

// A Posix path as this system writes it.
std::string native(const char* path) {
    std::string p = path;
#ifdef _WIN32
    for (auto& c : p)
        if (c == '/') c = '\\';
#endif
    return p;
}

TEST(LinkRoute, EachKindOfAddressGoesWhereABrowserWouldSendIt) {
    const LinkCase cases[] = {
        // Pages, pictures, PDF and media the engine shows stay in the window.
        {"file:///media/cd/data/page2.html", false, LinkRoute::Show, nullptr},
        {"file:///media/cd/data/Photo.JPG", false, LinkRoute::Show, nullptr},
        {"file:///media/cd/data/manual.pdf#page=2", false, LinkRoute::Show, nullptr},
        {"file:///media/cd/data/song.mp3", false, LinkRoute::Show, nullptr},
        {"https://example.com/", false, LinkRoute::Show, nullptr},
        {"about:blank", false, LinkRoute::Show, nullptr},
        {"data:text/html,<p>x</p>", false, LinkRoute::Show, nullptr},
        {"page2.html", false, LinkRoute::Show, nullptr},
        {"blob:file:///3f1c", false, LinkRoute::Show, nullptr},
        // A local page asking for a new window opens in the player window.
        {"file:///media/cd/data/page2.htm", true, LinkRoute::Show, nullptr},
        // Web addresses asking for a new window go to the default browser.
        {"http://example.com/news", true, LinkRoute::Browser, nullptr},
        {"HTTPS://Example.com/a.zip", true, LinkRoute::Browser, nullptr},
        // Other schemes go to the desktop, in the window and in new windows alike.
        {"mailto:info@example.com?subject=Hello", false, LinkRoute::Desktop, nullptr},
        {"tel:+4930123456", false, LinkRoute::Desktop, nullptr},
        {"ftp://example.com/file.txt", true, LinkRoute::Desktop, nullptr},
        {"ms-settings:display", false, LinkRoute::Desktop, nullptr},
        // Local files the engine cannot show: a shell launch of the path, decoded.
        {"file:///media/cd/data/Setup%20Files.zip", false, LinkRoute::ShellFile,
         "/media/cd/data/Setup Files.zip"},
        {"file://localhost/media/cd/data/report.docx", true, LinkRoute::ShellFile,
         "/media/cd/data/report.docx"},
        {"file:///media/cd/data/install.exe?x=1", false, LinkRoute::ShellFile,
         "/media/cd/data/install.exe"},
        {"file:///media/cd/data/", false, LinkRoute::ShellFile, "/media/cd/data/"},
        {"file:///media/cd/data/archive.tar.gz", false, LinkRoute::ShellFile,
         "/media/cd/data/archive.tar.gz"},
        // Action links stay the player's, also when they ask for a new window.
        {"http://ACTION_RUN=setup.exe", true, LinkRoute::Action, nullptr},
        {"http://action_quit/", false, LinkRoute::Action, nullptr},
        // Nothing to open.
        {"javascript:void(0)", true, LinkRoute::Ignore, nullptr},
        {"about:blank", true, LinkRoute::Ignore, nullptr},
        {"", true, LinkRoute::Ignore, nullptr},
        // Another machine's files are never started; a NUL refuses the address.
        {"file://otherhost/share/a.zip", false, LinkRoute::Ignore, nullptr},
        {"file:////server/share/setup.exe", false, LinkRoute::Ignore, nullptr},
        {"file://localhost//server/share/setup.exe", false, LinkRoute::Ignore, nullptr},
        {"file:\\\\server\\share\\setup.exe", false, LinkRoute::Ignore, nullptr},
        {"file:%5C%5Cserver%5Cshare%5Csetup.exe", false, LinkRoute::Ignore, nullptr},
        {"file:///media/cd/setup.exe%00.html", false, LinkRoute::Ignore, nullptr},
        {"file:///media/cd/page.html%00.exe", false, LinkRoute::Ignore, nullptr},
    };
    for (const auto& c : cases) {
        LinkDecision d = routeLink(c.address, c.newWindow, WebEngine::WebKit);
        EXPECT_EQ(d.route, c.route) << c.address << " new window " << c.newWindow;
        const std::string target = c.target && d.route == LinkRoute::ShellFile
                                       ? native(c.target)
                                       : (c.target ? c.target : c.address);
        EXPECT_EQ(d.target, target) << c.address;
    }
}

TEST(LinkRoute, TheIeViewShowsPagesAndPicturesAndTheShellOpensTheRest) {
    const LinkCase cases[] = {
        // IE hands local addresses over with the drive in many spellings.
        {"file:///D:/data/page2.html", false, LinkRoute::Show, nullptr},
        {"file://D:\\data\\Photo.JPG", false, LinkRoute::Show, nullptr},
        {"file:///D:/data/notes.txt", false, LinkRoute::Show, nullptr},
        {"file:///D:/data/manual.pdf#page=2", false, LinkRoute::ShellFile, "D:\\data\\manual.pdf"},
        {"file:///D:/data/song.mp3", false, LinkRoute::ShellFile, "D:\\data\\song.mp3"},
        {"file:///D:/data/clip.webm", false, LinkRoute::ShellFile, "D:\\data\\clip.webm"},
        {"file:///D:/data/photo.webp", false, LinkRoute::ShellFile, "D:\\data\\photo.webp"},
        {"file://localhost/D:/Setup%20Files/setup.exe", false, LinkRoute::ShellFile,
         "D:\\Setup Files\\setup.exe"},
        {"file:///D:/data/%C3%9Cbersicht.doc", false, LinkRoute::ShellFile,
         "D:\\data\\\xC3\x9C"
         "bersicht.doc"},
        // Action links as IE rewrites them, decoded as the page's script hands them over.
        {"http://ACTION_RUN=Setup%20Files/setup.exe", false, LinkRoute::Action,
         "http://ACTION_RUN=Setup Files/setup.exe"},
        {"http://action_copy=docs/a.pdf,%7Bdesktop%7D", false, LinkRoute::Action,
         "http://action_copy=docs/a.pdf,{desktop}"},
        {"http://ACTION_MESSAGEBOX=Gr%C3%BC%C3%9Fe", false, LinkRoute::Action,
         "http://ACTION_MESSAGEBOX=Gr\xC3\xBC\xC3\x9F"
         "e"},
        {"file://server/share/setup.exe", false, LinkRoute::Ignore, nullptr},
    };
    for (const auto& c : cases) {
        LinkDecision d = routeLink(c.address, c.newWindow, WebEngine::InternetExplorer);
        EXPECT_EQ(d.route, c.route) << c.address;
        std::string target = c.target ? c.target : c.address;
#ifndef _WIN32
        // Read in this system's style, "D:" is a folder of the root.
        if (d.route == LinkRoute::ShellFile) {
            for (auto& ch : target)
                if (ch == '\\') ch = '/';
            target.insert(0, "/");
        }
#endif
        EXPECT_EQ(d.target, target) << c.address;
    }
}

TEST(LinkRoute, WhatTheEngineCannotShowIsHandedOn) {
    EXPECT_EQ(routeUnshown("https://example.com/get?file=setup").route, LinkRoute::Browser);
    LinkDecision local = routeUnshown("file:///media/cd/data/clip%201.ogv");
    EXPECT_EQ(local.route, LinkRoute::ShellFile);
    EXPECT_EQ(local.target, native("/media/cd/data/clip 1.ogv"));
    EXPECT_EQ(routeUnshown("data:application/zip;base64,UEsF").route, LinkRoute::Ignore);
}

TEST(LinkRoute, ErrorPageShowsTheAddressAsTextNeverAsMarkup) {
    const std::string address = "http://x.invalid/\"><script>alert(1)</script>";
    std::string page = unreachablePageHtml(address);
    EXPECT_EQ(page.find("<script>alert"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(page.find(">Back<"), std::string::npos);
    EXPECT_NE(page.find("href='" + carryAddress(kNewWindowScheme, address) + "'"),
              std::string::npos);
}

}  // namespace
}  // namespace rondivo
