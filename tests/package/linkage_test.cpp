// What the panel's executable asks the dynamic loader for: its icon is compiled in as pixels,
// so no image library of its own (Qt Gui brings libpng along for its own PNG reader; the
// program never calls it).
#include "runprocess.h"

#include <gtest/gtest.h>

TEST(Linkage, TarnNeedsNoPngLibraryOfItsOwn)
{
    const ProcessResult r = runProcess("/usr/bin/readelf", {"-d", TARN_BINARY_DIR "/app/tarn"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_NE(r.out.find("(NEEDED)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("[libQt6Gui.so.6]"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("libpng"), std::string::npos) << r.out;
}
