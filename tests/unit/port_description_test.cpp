// What the port list says each port is, read from a fake /sys: USB adapters with and without
// maker, model and serial number, a modem-class adapter, on-board ports, a pseudo-terminal, and
// adapters whose strings are hostile. No device is touched: the terminals exist only in the tree.
#include "PtyPair.h"
#include "serialports/PortDescription.h"
#include "serialports/SystemRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <sys/sysmacros.h>

using namespace quorvane;
namespace fs = std::filesystem;

namespace {

// One terminal of the fake tree: its kernel name, the device it hangs off (a folder under
// /sys/devices), the attributes of the folders above it, and the description expected.
struct Row {
    const char* what;
    const char* terminal; // "" for a device the kernel's tty class does not list (a pty slave)
    std::string parent;
    std::map<std::string, std::string> attributes; // "<folder under /sys/devices>/<name>" -> text
    const char* expected;
};

const std::string Hub = "pci0000:00/0000:00:14.0/usb1";
// The root hub above every adapter has its own maker and model, which must never be taken.
const std::map<std::string, std::string> RootHub = {
    {Hub + "/idVendor", "1d6b\n"},
    {Hub + "/idProduct", "0002\n"},
    {Hub + "/manufacturer", "Linux 6.1.0 xhci-hcd\n"},
    {Hub + "/product", "xHCI Host Controller\n"},
    {Hub + "/serial", "0000:00:14.0\n"},
};

std::map<std::string, std::string> usb(const std::string& device,
                                       std::map<std::string, std::string> strings) {
    std::map<std::string, std::string> attributes = RootHub;
    attributes[device + "/idVendor"] = "0403\n";
    attributes[device + "/idProduct"] = "6001\n";
    for (auto& [name, text] : strings)
        attributes[device + "/" + name] = text;
    return attributes;
}

const std::string Ftdi = Hub + "/1-1";
const std::string FtdiPort = Ftdi + "/1-1:1.0/ttyUSB0"; // the usb-serial port under the interface
const std::string Acm = Hub + "/1-2";

const std::vector<Row>& rows() {
    static const std::vector<Row> table = {
        {"maker, model and serial", "ttyUSB0", FtdiPort,
         usb(Ftdi, {{"manufacturer", "FTDI\n"},
                    {"product", "FT232R USB UART\n"},
                    {"serial", "A50285BI\n"}}),
         "FTDI FT232R USB UART, serial A50285BI"},
        {"model and serial, no maker", "ttyUSB0", FtdiPort,
         usb(Ftdi, {{"product", "FT232R USB UART\n"}, {"serial", "A50285BI\n"}}),
         "FT232R USB UART, serial A50285BI"},
        {"maker and model, no serial", "ttyUSB0", FtdiPort,
         usb(Ftdi, {{"manufacturer", "QinHeng Electronics\n"}, {"product", "USB Serial\n"}}),
         "QinHeng Electronics USB Serial"},
        {"a model that names its maker says it once", "ttyUSB0", FtdiPort,
         usb(Ftdi, {{"manufacturer", "Prolific Technology Inc. \n"},
                    {"product", "prolific technology inc. USB-Serial Controller\n"}}),
         "prolific technology inc. USB-Serial Controller"},
        {"model only", "ttyUSB0", FtdiPort, usb(Ftdi, {{"product", "CP2102 USB to UART\n"}}),
         "CP2102 USB to UART"},
        {"maker only", "ttyUSB0", FtdiPort, usb(Ftdi, {{"manufacturer", "Silicon Labs\n"}}),
         "Silicon Labs USB serial adapter"},
        {"no strings: the vendor and product numbers", "ttyUSB0", FtdiPort, usb(Ftdi, {}),
         "USB serial adapter 0403:6001"},
        {"serial only", "ttyUSB0", FtdiPort, usb(Ftdi, {{"serial", "0001\n"}}),
         "USB serial adapter 0403:6001, serial 0001"},
        {"blank strings count as none", "ttyUSB0", FtdiPort,
         usb(Ftdi, {{"manufacturer", " \n"}, {"product", "\n"}, {"serial", "\t\n"}}),
         "USB serial adapter 0403:6001"},
        {"modem-class adapter: the interface hangs off the device", "ttyACM0", Acm + "/1-2:1.0",
         usb(Acm, {{"manufacturer", "Arduino (www.arduino.cc)\n"},
                   {"product", "Uno R3\n"},
                   {"serial", "85736323838351F0E1A1\n"}}),
         "Arduino (www.arduino.cc) Uno R3, serial 85736323838351F0E1A1"},
        {"control characters from the adapter are not passed on", "ttyUSB0", FtdiPort,
         usb(Ftdi, {{"product", "Evil\x1b[2J\rAdapter\n"},
                    {"serial", "A\x07"
                               "B\n"}}),
         "Evil?[2J?Adapter, serial A?B"},
        {"an over-long model is cut, never inside a character", "ttyUSB0", FtdiPort,
         usb(Ftdi, {{"product", std::string(63, 'x') + "\xc3\xa9" + "tail\n"}}),
         "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"},
        {"on-board port", "ttyS0", "pnp0/00:04", {}, "on-board serial port"},
        {"on-board port with a root hub elsewhere", "ttyS1", "platform/serial8250", RootHub,
         "on-board serial port"},
        {"another kind of terminal is named",
         "ttyAMA0",
         "platform/fe201000.serial",
         {},
         "serial port ttyAMA0"},
        {"pseudo-terminal", "", "", {}, "pseudo-terminal"},
    };
    return table;
}

class PortDescriptionTest : public ::testing::TestWithParam<std::size_t> {
protected:
    void SetUp() override {
        ASSERT_TRUE(runtime.valid());
        root = runtime.path() + "/root";
        fs::create_directories(root + "/sys/class/tty");
        fs::create_directories(root + "/sys/dev/char");
        ports::setSystemRoot(root);
    }
    void TearDown() override { ports::setSystemRoot(""); }

    void write(const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(root + path).parent_path());
        std::ofstream(root + path, std::ios::binary) << text;
    }
    // The kernel's view of terminal `name`, numbered `number`, hanging off /sys/devices/<parent>:
    // its class folder with its subsystem and device links, found from its device number.
    void terminal(const std::string& name, const std::string& parent, const std::string& number) {
        const std::string folder = "devices/" + parent + "/tty/" + name;
        fs::create_directories(root + "/sys/" + folder);
        fs::create_symlink("../../../../../../../../../../class/tty",
                           root + "/sys/" + folder + "/subsystem");
        fs::create_symlink("../..", root + "/sys/" + folder + "/device");
        fs::create_symlink("../../" + folder, root + "/sys/class/tty/" + name);
        fs::create_symlink("../../" + folder, root + "/sys/dev/char/" + number);
    }

    test::PrivateRuntimeDir runtime;
    std::string root;
};

TEST_P(PortDescriptionTest, SaysWhatThePortIs) {
    const Row& row = rows()[GetParam()];
    SCOPED_TRACE(row.what);
    const dev_t rdev = std::string(row.terminal).empty() ? makedev(136, 7) : makedev(188, 0);
    if (!std::string(row.terminal).empty())
        terminal(row.terminal, row.parent, "188:0");
    for (const auto& [path, text] : row.attributes)
        write("/sys/devices/" + path, text);
    EXPECT_EQ(ports::describeDevice(rdev), row.expected);
    // The serial number alone, which keeps a matrix's names with its adapter: the part after
    // ", serial " in the description, or nothing.
    const std::string expected = row.expected;
    const auto at = expected.rfind(", serial ");
    EXPECT_EQ(ports::adapterSerial(rdev), at == std::string::npos ? "" : expected.substr(at + 9));
}

INSTANTIATE_TEST_SUITE_P(Adapters, PortDescriptionTest,
                         ::testing::Range<std::size_t>(0, rows().size()));

// A tree whose device link climbs out of /sys must not lend the description a foreign folder.
TEST(PortDescriptionBounds, AttributesOutsideSysAreNeverRead) {
    test::PrivateRuntimeDir runtime;
    ASSERT_TRUE(runtime.valid());
    const std::string root = runtime.path() + "/root";
    const std::string folder = root + "/sys/devices/platform/tty/ttyUSB9";
    fs::create_directories(folder);
    fs::create_directories(root + "/sys/class/tty");
    fs::create_directories(root + "/sys/dev/char");
    std::ofstream(root + "/idVendor") << "0403\n";
    std::ofstream(root + "/product") << "Outside\n";
    fs::create_symlink("../class/tty", folder + "/subsystem");
    fs::create_symlink("../../../../..", folder + "/device"); // the root, above /sys
    fs::create_symlink("../../devices/platform/tty/ttyUSB9", root + "/sys/class/tty/ttyUSB9");
    fs::create_symlink("../../devices/platform/tty/ttyUSB9", root + "/sys/dev/char/188:9");
    ports::setSystemRoot(root);
    EXPECT_EQ(ports::describeDevice(makedev(188, 9)), "serial port ttyUSB9");
    ports::setSystemRoot("");
}

TEST(PortDescriptionPath, ANonDeviceHasNoDescription) {
    test::PrivateRuntimeDir runtime;
    ASSERT_TRUE(runtime.valid());
    EXPECT_EQ(ports::describeDevicePath(runtime.path()), "");
    EXPECT_EQ(ports::describeDevicePath(runtime.path() + "/missing"), "");
}

} // namespace
