#include "menucreator/templates.h"

#include <gtest/gtest.h>

#include "menucreator/image_gallery.h"
#include "menucreator/picture_types.h"
#include "platform/paths.h"
#include "test_support.h"

namespace rondivo::menucreator {
namespace {

TEST(Templates, ChooserOptionLeadsToItsPage) {
    const std::filesystem::path html = "/prog/html";
    struct Case {
        const char* option;
        TemplateKind kind;
        std::string page;
    };
    const Case cases[] = {
        {"Blank Template", TemplateKind::Blank, kBlankTemplateUrl},
        {"Generic CD Template", TemplateKind::Page, "/prog/html/Template_Generic.html"},
        {"Simple Template", TemplateKind::Page, "/prog/html/Template_Simple.html"},
        {"High Tech Template", TemplateKind::Page, "/prog/html/Template_HighTech.html"},
        {"XP Blue Template", TemplateKind::Page, "/prog/html/Template_XPBlue.html"},
        {"Install Software Template", TemplateKind::Page,
         "/prog/html/2_Demo_Software_Installation.html"},
        {"Image Gallery Wizard", TemplateKind::ImageGallery, "/prog/html/Image_Gallery.html"},
    };
    for (const Case& c : cases) {
        std::string location = doLocationFor(c.option);
        EXPECT_NE(location.find(kBeginEditingWord), std::string::npos) << c.option;
        // The engine hands the address over with its host lower-cased.
        for (const std::string& address :
             {location, "http://" + platform::toLower(location.substr(7)) + "/"}) {
            TemplateChoice choice = templateForAddress(address, html);
            EXPECT_EQ(choice.kind, c.kind) << address;
            EXPECT_EQ(std::filesystem::path(choice.page), std::filesystem::path(c.page)) << address;
        }
    }
    EXPECT_EQ(std::filesystem::path(
                  templateForAddress("http://MENUCREATOR_BEGIN_EDITING_GENERAL", html).page),
              std::filesystem::path("/prog/html/1_Demo_General_Menu.html"));
}

TEST(Templates, BuiltInPageNumbers) {
    EXPECT_EQ(builtInPageNumber(kChooserPageUrl), "182");
    EXPECT_EQ(builtInPageNumber("res://Rondivo!%202.6.exe/23/179?x"), "179");
    EXPECT_EQ(builtInPageNumber("file:///a/b.html"), "");
    // The chooser's "Action Commands" link, as the engine resolves it.
    EXPECT_EQ(helpChapterOf("res://Rondivo!%202.6.exe/23/186#BUILTIN"), "BUILTIN");
    EXPECT_EQ(helpChapterOf("res://Rondivo!%202.6.exe/23/186"), "");
    EXPECT_EQ(helpChapterOf("res://Rondivo!%202.6.exe/23/1860#BUILTIN"), std::nullopt);
    EXPECT_EQ(helpChapterOf("http://www.example.com/186#x"), std::nullopt);
}

TEST(Templates, BlankTemplateLines) {
    EXPECT_EQ(
        blankTemplatePage(),
        "<HTML>\n<BODY>\n<style type=\"text/css\">\nfieldset {\n   border: #ffffff 0px solid;\n}\n"
        "a:link {  font-family: Arial, Helvetica, sans-serif; color: #0000FF; text-decoration: "
        "none}\n"
        "a:active {  font-family: Arial, Helvetica, sans-serif; color: #0000FF; text-decoration: "
        "none}\n"
        "a:visited { font-family: Arial, Helvetica, sans-serif; color: #0000FF; text-decoration: "
        "none}\n"
        "a:hover { font-family: Arial, Helvetica, sans-serif; color: #FF0000; text-decoration: "
        "none}\n"
        "</style>\n</BODY>\n</HTML>\n");
}

TEST(ImageGallery, PicturesByTheirExtensionWhateverTheCase) {
    for (const char* p : {"/a/b.gif", "/a/B.JPG", "/a/c.JPEG", "/a/b.png", "/a/b.bmp", "/a/d.WebP",
                          "/a/e.svg", "C:\\pics\\f.png"})
        EXPECT_TRUE(isPictureFile(p)) << p;
    // A folder named like a picture does not make its files pictures.
    for (const char* p : {"/pics.jpg/readme.txt", "/a/notes.txt", "/a/b.png.txt", "/a/.png"})
        EXPECT_FALSE(isPictureFile(p)) << p;
}

TEST(ImageGallery, SevenPicturesMakeTwoRows) {
    test::TempDir pics, html;
    const char* names[] = {"a.jpg", "b.gif", "c.JPEG", "d.png", "e.webp", "f.SVG", "g.bmp"};
    for (const char* n : names) test::writeFile(pics / n, "x");
    test::writeFile(pics / "notes.txt", "x");
    test::writeFile(pics / "h.png.txt", "x");
    std::filesystem::create_directory(pics / "sub");
    GalleryResult r = generateImageGallery(pics.path(), html.path());
    EXPECT_EQ(r.pictureCount, 7);
    EXPECT_EQ(r.pageName, "Image_Gallery.html");
    std::string page = test::readFile(html / "Image_Gallery.html");
    const std::pair<int, int> expected[] = {{15, 80},  {145, 80}, {275, 80}, {405, 80},
                                            {535, 80}, {15, 210}, {145, 210}};
    for (auto [left, top] : expected) {
        std::string style = "style=\"LEFT: " + std::to_string(left) +
                            "px; POSITION: absolute; TOP: " + std::to_string(top) + "px\"";
        EXPECT_NE(page.find(style), std::string::npos) << style;
    }
    EXPECT_EQ(page.find("notes.txt"), std::string::npos);
    EXPECT_EQ(page.find("TOP: 340px"), std::string::npos);
}

TEST(ImageGallery, ExactTextForOnePicture) {
    std::string expected =
        "<HTML>\r\n<TITLE>My Image Gallery</TITLE>\r\n<BODY>\r\n<style "
        "type=\"text/css\">\r\nfieldset {\r\n"
        "   border: #ffffff 0px solid;\r\n}\r\n"
        "a:link {  font-family: Arial, Helvetica, sans-serif; color: #0000FF; text-decoration: "
        "none}\r\n"
        "a:active {  font-family: Arial, Helvetica, sans-serif; color: #0000FF; text-decoration: "
        "none}\r\n"
        "a:visited { font-family: Arial, Helvetica, sans-serif; color: #0000FF; text-decoration: "
        "none}\r\n"
        "a:hover { font-family: Arial, Helvetica, sans-serif; color: #FF0000; text-decoration: "
        "none}\r\n"
        "</style>\r\n"
        "<P><BR><FONT SIZE=4 FACE=Verdana><FIELDSET style=\"LEFT: 200px; POSITION: absolute; TOP: "
        "20px\">"
        "My Image Gallery</FIELDSET></FONT><BR><P>\r\n"
        "<P><BR><FONT SIZE=1 FACE=Verdana><FIELDSET style=\"LEFT: 190px; POSITION: absolute; TOP: "
        "45px\">"
        "Click a picture to view full image.</FIELDSET></FONT><BR><P>\r\n";
    test::TempDir pics, html;
    test::writeFile(pics / "Sun.JPEG", "x");
    std::string p = (pics / "Sun.JPEG").string();
    expected += "\r\r\n<BR><P>\r\r\n<A HREF=\"" + p + "\" target=_blank>\r\r\n<IMG SRC=\"" + p +
                "\" WIDTH=100 HEIGHT=100 BORDER=0 style=\"LEFT: 15px; POSITION: absolute; TOP: "
                "80px\">\r\r\n"
                "</A>\r\n\r\r\n<BR><P>\r\r\n\r\n</BODY>\r\n</HTML>";
    EXPECT_EQ(generateImageGallery(pics.path(), html.path()).pictureCount, 1);
    EXPECT_EQ(test::readFile(html / "Image_Gallery.html"), expected);
}

TEST(ImageGallery, FolderWithoutPicturesStillWritesThePage) {
    test::TempDir pics, html;
    test::writeFile(pics / "a.txt", "x");
    test::writeFile(pics / "b.png.doc", "x");
    GalleryResult r = generateImageGallery(pics.path(), html.path());
    EXPECT_EQ(r.pictureCount, 0);
    EXPECT_TRUE(r.written);
    EXPECT_NE(test::readFile(html / "Image_Gallery.html").find("</HTML>"), std::string::npos);
}

}  // namespace
}  // namespace rondivo::menucreator
