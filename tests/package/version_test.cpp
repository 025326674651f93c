// The version block is the one source of the version: the program, tarnctl, the desktop entry,
// the man pages and the project all say what res/versioninfo.json says, and CMake refuses a
// block whose strings contradict its numbers.
#include "tarnctlhelp.h"

#include "ptzcontrolapp.h"
#include "runprocess.h"
#include "tarnmain.h"
#include "tempdir.h"
#include "versioninfo.h"
#include "versionjson.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <stdlib.h>

namespace {

std::string desktopValue(const std::string &entry, const std::string &key)
{
    const std::string prefix = "\n" + key + "=";
    const std::size_t at = entry.find(prefix);
    if (at == std::string::npos)
        return {};
    const std::size_t start = at + prefix.size();
    return entry.substr(start, entry.find('\n', start) - start);
}

// CMake wraps its messages: every run of blanks and newlines as one space.
std::string squeezed(const std::string &text)
{
    std::string out;
    for (char c : text) {
        const bool space = c == ' ' || c == '\n';
        if (!space || (!out.empty() && out.back() != ' '))
            out += space ? ' ' : c;
    }
    return out;
}

} // namespace

TEST(Version, TarnctlPrintsItsVersionLine)
{
    const ProcessResult r = runProcess(TARNCTL_PATH, {"--version"});
    EXPECT_EQ(r.status, 0);
    // The line's form: the name, one blank, the four-part version, a newline.
    EXPECT_TRUE(std::regex_match(r.out, std::regex("tarnctl [0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+\n")))
        << r.out;
    EXPECT_EQ(r.out, "tarnctl " + versionFromJson().dotted() + "\n");
    EXPECT_EQ(r.err, "");
}

TEST(Version, EveryPlaceSaysTheVersionBlocksVersion)
{
    const std::string version = versionFromJson().dotted();
    ASSERT_EQ(version, versionFromJson("fileVersion").dotted()) << "one version in the block";
    ASSERT_TRUE(std::regex_match(version, std::regex("[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+")))
        << "res/versioninfo.json is read: " << version;
    EXPECT_EQ(applicationVersionText().toStdString(), version);
    EXPECT_EQ(std::string(TARN_PROJECT_VERSION), version) << "the CMake project's version";
    const std::string entry = readFile(TARN_BUILT_DESKTOP_FILE);
    EXPECT_EQ(desktopValue(entry, "X-Tarn-Version"), version);
    EXPECT_EQ(desktopValue(entry, "Comment"), std::string(productLine));
    for (const char *page : {"/tarn.1", "/tarnctl.1"}) {
        const std::string roff = readFile(std::string(TARN_MAN_DIR) + page);
        EXPECT_NE(roff.find("\"Tarn " + version + "\""), std::string::npos) << page;
    }
}

TEST(Version, TheProgramCarriesItAsItsApplicationVersion)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string seen;
    // With no serial control the panel ends at once; the factory runs while the program's
    // QApplication stands.
    CPtzControlApp app(
        [&] {
            seen = QCoreApplication::applicationVersion().toStdString();
            return std::unique_ptr<CMSComm>();
        },
        {});
    char argv0[] = "tarn";
    EXPECT_EQ(tarnMain(app, argv0), 0);
    EXPECT_EQ(seen, versionFromJson().dotted());
}

TEST(Version, CMakeRefusesABlockThatContradictsItself)
{
    const std::string good = readFile(TARN_SOURCE_DIR "/res/versioninfo.json");
    ASSERT_FALSE(good.empty());
    // The edits start from the file's own values, whatever the version is.
    const JsonVersion fileV = versionFromJson("fileVersion"), product = versionFromJson();
    const std::string fileNumbers = "[" + fileV.commas() + "]";
    const std::string productNumbers = "[" + product.commas() + "]";
    const std::string fileThreeParts = "[" + std::to_string(fileV.parts[0]) + ", " +
                                       std::to_string(fileV.parts[1]) + ", " +
                                       std::to_string(fileV.parts[2]) + "]";
    JsonVersion tooLarge = product;
    tooLarge.parts[3] = 65536;
    const std::string productDotted = "ProductVersion is '" + product.dotted() + "'";
    struct Case
    {
        const char *name;
        std::string from, to; // the edit made to the good file
        const char *says;     // in CMake's error
    };
    const Case cases[] = {
        {"unchanged", "", "", nullptr},
        {"FileVersion string differs", "[\"FileVersion\", \"" + fileV.commas() + "\"]",
         "[\"FileVersion\", \"70000, 0, 0, 0\"]", "FileVersion is '70000, 0, 0, 0'"},
        {"ProductVersion string differs", "[\"ProductVersion\", \"" + product.commas() + "\"]",
         "[\"ProductVersion\", \"" + product.dotted() + "\"]", productDotted.c_str()},
        {"number too large", "\"productVersion\": " + productNumbers,
         "\"productVersion\": [" + tooLarge.commas() + "]", "not a number from 0 to 65535"},
        {"three parts", "\"fileVersion\": " + fileNumbers, "\"fileVersion\": " + fileThreeParts,
         "list of four numbers"},
        {"a flag that is not hex", "\"fileFlagsMask\": \"0x3F\"", "\"fileFlagsMask\": \"63\"",
         "not a hexadecimal number"},
        {"no copyright", "\"LegalCopyright\"", "\"LegalNotice\"", "needs a LegalCopyright"},
        {"not JSON", "\"strings\": [", "\"strings\": ", "versioninfo.json"},
    };
    const TempDir dir("tarn-version");
    for (const Case &c : cases) {
        std::string edited = good;
        if (!c.from.empty()) {
            const std::size_t at = edited.find(c.from);
            ASSERT_NE(at, std::string::npos) << c.name;
            edited.replace(at, c.from.size(), c.to);
        }
        const std::string file = dir.path() + "/versioninfo.json";
        std::ofstream(file, std::ios::trunc) << edited;
        const ProcessResult r =
            runProcess(CMAKE_COMMAND_PATH, {"-DTARN_VERSION_JSON=" + file, "-P",
                                            TARN_SOURCE_DIR "/cmake/versioninfo.cmake"});
        if (!c.says) {
            EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
            continue;
        }
        EXPECT_NE(r.status, 0) << c.name;
        EXPECT_NE(squeezed(r.err).find(c.says), std::string::npos) << c.name << ": " << r.err;
    }
}
