// The configuration file: what is refused (before anything could be sent), what is taken, and that
// a written file reads back the same.
#include "platform/site/ConfigurationFile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace quorvane::site {
namespace {

const std::string Routes =
    R"("routes": {"A": 1, "B": 2, "C": 3, "D": 4, "E": 5, "F": 6, "G": 7, "H": 8})";
const std::string Edids =
    R"("edid": {"IN1": "1080p,Stereo Audio 2.0", "IN2": "User define", "IN3": "Copy HDMI OUT B",)"
    R"( "IN4": "DVI 1920X1080", "IN5": "1080i,Stereo Audio 2.0", "IN6": "4K2K,HD Audio 7.1",)"
    R"( "IN7": "3D,Dolby/DTS 5.1", "IN8": "1080p,Stereo Audio 2.0"})";

std::string file(const std::string& format, const std::string& version, const std::string& routes,
                 const std::string& edid,
                 const std::string& rest = R"("beep": true, "dvi": false)") {
    return "{\"format\": " + format + ", \"version\": " + version + ", " + routes + ", " + edid +
           ", " + rest + "}";
}

std::string good(const std::string& rest = R"("beep": true, "dvi": false)") {
    return file("\"quorvane-configuration\"", "1", Routes, Edids, rest);
}

ConfigurationFileRead parse(const std::string& text) {
    return parseConfiguration(std::vector<std::uint8_t>(text.begin(), text.end()));
}

TEST(ConfigurationFile, RefusesWhatIsNoConfigurationItCanRestore) {
    struct Row {
        const char* name;
        std::string text;
        std::string errorStart;
    };
    std::string route9 = Routes;
    route9.replace(route9.find("\"C\": 3"), 6, "\"C\": 9");
    std::string outputI = Routes;
    outputI.replace(outputI.find("\"H\": 8"), 6, "\"I\": 8");
    std::string noH = R"("routes": {"A": 1, "B": 2, "C": 3, "D": 4, "E": 5, "F": 6, "G": 7})";
    std::string fraction = Routes;
    fraction.replace(fraction.find("\"A\": 1"), 6, "\"A\": 1.5");
    std::string textRoute = Routes;
    textRoute.replace(textRoute.find("\"A\": 1"), 6, "\"A\": \"1\"");
    std::string unknownEdid = Edids;
    unknownEdid.replace(unknownEdid.find("DVI 1920X1080"), 13, "DVI 800X600");
    // The list shows the DVI entries with a blank at the end; the matrix reports them without.
    std::string blankEdid = Edids;
    blankEdid.replace(blankEdid.find("DVI 1920X1080"), 13, "DVI 1920X1080 ");
    std::string in9 = Edids;
    in9.replace(in9.find("\"IN8\""), 5, "\"IN9\"");
    const std::vector<Row> rows = {
        {"not JSON", "format: quorvane-configuration", "not a JSON file"},
        {"empty", "", "not a JSON file"},
        {"a JSON array", "[1, 2]", "not a configuration file (no JSON object)"},
        {"wrong format name", file("\"quorvane-presets\"", "1", Routes, Edids),
         "not a configuration file (its \"format\" is not \"quorvane-configuration\")"},
        {"no format", file("null", "1", Routes, Edids), "not a configuration file"},
        {"newer version", file("\"quorvane-configuration\"", "2", Routes, Edids),
         "made by a newer version of this program (file version 2, this program reads 1)"},
        {"version 0", file("\"quorvane-configuration\"", "0", Routes, Edids),
         "\"version\" is not a version number"},
        {"version as text", file("\"quorvane-configuration\"", "\"1\"", Routes, Edids),
         "\"version\" is not a version number"},
        {"route to input 9", file("\"quorvane-configuration\"", "1", route9, Edids),
         "routes.C: not an input 1..8 (or null)"},
        {"output I", file("\"quorvane-configuration\"", "1", outputI, Edids),
         "routes: 'I' is no output A..H"},
        {"output H missing", file("\"quorvane-configuration\"", "1", noH, Edids),
         "routes: output H is missing"},
        {"route 1.5", file("\"quorvane-configuration\"", "1", fraction, Edids),
         "routes.A: not an input 1..8 (or null)"},
        {"route as text", file("\"quorvane-configuration\"", "1", textRoute, Edids),
         "routes.A: not an input 1..8 (or null)"},
        {"unknown EDID name", file("\"quorvane-configuration\"", "1", Routes, unknownEdid),
         "edid.IN4: 'DVI 800X600' is not an EDID the matrix reports"},
        {"EDID name with the list's blank",
         file("\"quorvane-configuration\"", "1", Routes, blankEdid),
         "edid.IN4: 'DVI 1920X1080 ' is not an EDID the matrix reports"},
        {"input IN9", file("\"quorvane-configuration\"", "1", Routes, in9),
         "edid: 'IN9' is no input IN1..IN8"},
        {"beep missing", good(R"("dvi": false)"), "\"beep\" is missing or not true/false"},
        {"dvi as number", good(R"("beep": true, "dvi": 0)"),
         "\"dvi\" is missing or not true/false"},
        {"names not an object", good(R"("beep": true, "dvi": false, "names": [])"),
         "\"names\" is not an object"},
        {"name with a line break",
         good(R"("beep": true, "dvi": false, "names": {"inputs": {"IN1": "a\nb"}})"),
         "names.inputs.IN1: a name may not contain control characters"},
        {"name too long",
         good(R"("beep": true, "dvi": false, "names": {"outputs": {"A": ")" + std::string(41, 'x') +
              "\"}}"),
         "names.outputs.A: a name is at most 40 bytes long"},
        {"name a command would read as a port",
         good(R"("beep": true, "dvi": false, "names": {"inputs": {"IN2": "3"}})"),
         "names.inputs.IN2: '3' reads as a number or a letter; a name must not"},
        {"one name for two outputs",
         good(R"("beep": true, "dvi": false, "names": {"outputs": {"A": "TV", "C": "TV"}})"),
         "names.outputs.C: 'TV' names another port too"},
        {"name of output 9",
         good(R"("beep": true, "dvi": false, "names": {"outputs": {"9": "x"}})"),
         "names.outputs: '9' is no port"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ConfigurationFileRead read = parse(row.text);
        EXPECT_FALSE(read.configuration.has_value());
        EXPECT_EQ(read.error.substr(0, row.errorStart.size()), row.errorStart) << read.error;
    }
}

TEST(ConfigurationFile, TakesAWholeConfiguration) {
    const ConfigurationFileRead read = parse(
        good(R"("beep": false, "dvi": true, "extra": 1, "names": {"inputs": {"IN3": "Blu-ray"},)"
             R"( "outputs": {"B": "Projector", "C": null}})"));
    ASSERT_TRUE(read.configuration.has_value()) << read.error;
    const Configuration& c = *read.configuration;
    EXPECT_EQ(c.routes[0], 1);
    EXPECT_EQ(c.routes[7], 8);
    EXPECT_EQ(c.edid[1], "User define");
    EXPECT_EQ(c.edid[2], "Copy HDMI OUT B");
    EXPECT_EQ(c.edid[3], "DVI 1920X1080");
    EXPECT_FALSE(c.beep);
    EXPECT_TRUE(c.dvi);
    EXPECT_EQ(c.names.inputs[2], "Blu-ray");
    EXPECT_EQ(c.names.outputs[1], "Projector");
    EXPECT_EQ(c.names.outputs[2], "");
    // A null route is an output the matrix reported no input for.
    std::string nullRoute = Routes;
    nullRoute.replace(nullRoute.find("\"E\": 5"), 6, "\"E\": null");
    const ConfigurationFileRead withNull =
        parse(file("\"quorvane-configuration\"", "1", nullRoute, Edids));
    ASSERT_TRUE(withNull.configuration.has_value()) << withNull.error;
    EXPECT_FALSE(withNull.configuration->routes[4].has_value());
}

TEST(ConfigurationFile, WrittenFileReadsBackAndReplacesWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath("site.json").toStdString();
    Configuration c;
    c.routes = {3, 3, 1, 8, std::nullopt, 6, 2, 7};
    c.edid = {"1080p,Stereo Audio 2.0", "User define",     "Copy HDMI OUT H",
              "DVI 1920X1200",          "3D,HD Audio 7.1", "4K2K,Stereo Audio 2.0",
              "1080i,HD Audio 7.1",     "DVI 1024X768"};
    c.beep = false;
    c.dvi = true;
    c.names.inputs[0] = "Blu-ray";
    c.names.outputs[7] = "Projector \"left\"";
    {
        std::ofstream old(path);
        old << std::string(5000, 'x');
    }
    ASSERT_EQ(writeConfigurationFile(path, c), "");
    const ConfigurationFileRead read = readConfigurationFile(path);
    ASSERT_TRUE(read.configuration.has_value()) << read.error;
    EXPECT_EQ(*read.configuration, c);
    // The literal text of the parts a reader of the file sees first.
    const std::string text = configurationJson(c);
    EXPECT_NE(text.find("\"format\": \"quorvane-configuration\""), std::string::npos);
    EXPECT_NE(text.find("\"version\": 1"), std::string::npos);
    EXPECT_NE(text.find("\"E\": null"), std::string::npos);
    EXPECT_NE(text.find("\"IN2\": \"User define\""), std::string::npos);
    EXPECT_NE(text.find("\"H\": \"Projector \\\"left\\\"\""), std::string::npos);
    // A folder that does not exist is reported, nothing is left behind.
    EXPECT_NE(writeConfigurationFile(dir.filePath("none/site.json").toStdString(), c), "");
}

TEST(ConfigurationFile, ReadsOnlyRegularFilesOfSensibleSize) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string fifo = dir.filePath("fifo").toStdString();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string big = dir.filePath("big.json").toStdString();
    {
        std::ofstream out(big);
        out << good() << std::string(MaxFileBytes, ' ');
    }
    struct Row {
        const char* name;
        std::string path;
        std::string errorStart;
    };
    const std::vector<Row> rows = {
        {"a FIFO (would wait for a writer)", fifo, "not a regular file"},
        {"a folder", dir.path().toStdString(), "a folder, not a file"},
        {"longer than a configuration", big, "longer than a configuration file can be"},
        {"missing", dir.filePath("missing.json").toStdString(), ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ConfigurationFileRead read = readConfigurationFile(row.path);
        EXPECT_FALSE(read.configuration.has_value());
        EXPECT_FALSE(read.error.empty());
        EXPECT_EQ(read.error.substr(0, row.errorStart.size()), row.errorStart) << read.error;
    }
}

} // namespace
} // namespace quorvane::site
