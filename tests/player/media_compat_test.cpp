#include "player/media_compat.h"

#include <gtest/gtest.h>

#include "menucreator/menu_editor_script.h"

namespace rondivo::menucreator {
namespace {

TEST(MediaCompat, MovieSources) {
    for (const char* s : {"a.wmv", "C:\\m\\Clip.MPG", "clip.mpeg?x=1", "/x/y.avi", "v.mp4"})
        EXPECT_TRUE(isMovieSource(s)) << s;
    for (const char* s : {"flash.swf", "a.wmv.txt", "", "song.mp3"})
        EXPECT_FALSE(isMovieSource(s)) << s;
    EXPECT_NE(mediaCompatScript().find("wmv|mpg|mpeg|avi"), std::string::npos);
}

TEST(EditorScript, StringLiteralsCannotBreakOut) {
    EXPECT_EQ(jsString("a\"b\\c\nd"), "\"a\\\"b\\\\c\\nd\"");
    EXPECT_EQ(jsString("</script>"), "\"\\x3c/script>\"");
    EXPECT_EQ(jsString(std::string("\x01", 1)), "\"\\x01\"");
}

}  // namespace
}  // namespace rondivo::menucreator
