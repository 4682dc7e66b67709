// Port search and selection on real controls and a real port component. The
// ports are pseudo-terminals behind a private program folder's Ports folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "design/scaling.h"
#include "platform/qt/form.h"
#include "serial/core/serial_errors.h"
#include "serial/port_component.h"
#include "serial/port_selection.h"
#include "tests/support/pty.h"

namespace vos {
namespace {

// The line as the selection sees it: what it was asked, in order; ports are
// tested as the port component tests them.
struct RecordedLine final : serial::LineRequests {
    explicit RecordedLine(const serial::TSerialComPort& p) : port(p) {}
    bool portPresent(int n) override { return port.PortAvailable(n); }
    const serial::TSerialComPort& port;
    void choosePort(int n) override { asked.push_back("choose " + std::to_string(n)); }
    void chooseSpeed(std::int32_t baud) override { asked.push_back("speed " + std::to_string(baud)); }
    void openConfiguredPort() override { asked.push_back("open"); }
    std::vector<std::string> asked;
};

class SelectionTest : public ::testing::Test {
protected:
    // The main window's design settings of its port.
    void SetUp() override {
        port.setBaud(9600);
        port.setAutoOpen(false);
    }

    // Ports/COM<n> -> a fresh pseudo-terminal each.
    void addPorts(std::initializer_list<int> numbers) {
        for (int n : numbers) {
            ptys[n] = std::make_unique<test::PtyPair>();
            folder.linkPort(n, ptys[n]->slavePath());
        }
    }
    void removePort(int n) { std::filesystem::remove(folder.path() + "Ports/COM" + std::to_string(n)); }

    std::vector<std::string> items() {
        std::vector<std::string> out;
        for (int i = 0; i < sel.ComboBox_NoCom().count(); ++i) out.push_back(sel.ComboBox_NoCom().item(i));
        return out;
    }
    std::vector<int> slots(int count) {
        std::vector<int> out;
        for (int s = 1; s <= count; ++s) out.push_back(sel.PortsTrouves(s));
        return out;
    }

    test::ProgramFolder folder;
    std::map<int, std::unique_ptr<test::PtyPair>> ptys;
    Form form{"Form1", FormStyle::Borderless};
    serial::TSerialComPort port{folder.path()};
    RecordedLine line{port};
    serial::PortSelection sel{form, port, line};
};

TEST_F(SelectionTest, LinkControlsAsDesigned) {
    const char* order[] = {"ComboBox_NoCom", "ComboBox_Bauds", "TXDLight", "RXDLight", "OKLight",
                           "LabelTXD",       "LabelRXD",       "LabelPortsDispos", "LabelNoCom"};
    const auto link = sel.linkControls();
    for (std::size_t i = 0; i < link.size(); ++i) {
        SCOPED_TRACE(order[i]);
        EXPECT_EQ(link[i]->name(), order[i]);
        EXPECT_EQ(form.find(order[i]), link[i]);
        const bool isLight = std::string(order[i]).ends_with("Light");
        EXPECT_EQ(link[i]->visible(), isLight);
    }
    EXPECT_EQ(sel.ComboBox_NoCom().bounds(), (design::Bounds{8, 689, 80, 23}));
    EXPECT_EQ(sel.ComboBox_NoCom().hint(), "Numéro du port série");
    EXPECT_EQ(sel.ComboBox_Bauds().bounds(), (design::Bounds{96, 689, 73, 23}));
    ASSERT_EQ(sel.ComboBox_Bauds().count(), 2);
    EXPECT_EQ(sel.ComboBox_Bauds().item(0), "9600");
    EXPECT_EQ(sel.ComboBox_Bauds().item(1), "19200");
    EXPECT_EQ(sel.ComboBox_Bauds().text(), "ComboBox_Bauds");
    EXPECT_EQ(sel.LabelNoCom().caption(), "COM NON DISPONIBLE");
    EXPECT_EQ(sel.LabelPortsDispos().caption(), "Ports disponibles : com ");
    EXPECT_EQ(sel.LabelPortsDispos().hint(), "Ports visibles par Corvexa");
    EXPECT_EQ(sel.LabelPortsDispos().font().color, design::colors::Aqua);
    EXPECT_EQ(sel.LabelPortsDispos().font().pixelHeight, 15);

    struct LightCase {
        serial::TSerialStatusLight* light;
        design::Bounds bounds;
        design::Rgb lit, notLit;
    };
    for (const LightCase& c : {LightCase{&sel.OKLight(), {190, 700, 20, 9}, design::colors::Yellow, design::colors::Red},
                               LightCase{&sel.TXDLight(), {385, 700, 20, 9}, design::colors::Lime, design::colors::Silver},
                               LightCase{&sel.RXDLight(), {448, 700, 20, 9}, design::colors::Yellow, design::colors::Silver}}) {
        SCOPED_TRACE(c.light->control().name());
        EXPECT_EQ(c.light->bounds(), c.bounds);
        EXPECT_EQ(c.light->LitColor(), c.lit);
        EXPECT_EQ(c.light->NotLitColor(), c.notLit);
        EXPECT_FALSE(c.light->Lit());
    }

    EXPECT_FALSE(sel.CheckBox_InitPort().visible());
    EXPECT_TRUE(sel.CheckBox_InitPort().checked());
    Label& area = sel.LabelDetectePorts();
    EXPECT_EQ(area.bounds(), (design::Bounds{8, 445, 25, 25}));
    EXPECT_TRUE(area.transparent());
    EXPECT_TRUE(area.visible());
    EXPECT_EQ(area.hint(), "Détection des ports");
    EXPECT_EQ(sel.detectePortsCaption().caption(), "PORTS");
    EXPECT_EQ(sel.detectePortsCaption().left(), 5);
    EXPECT_EQ(sel.detectePortsCaption().top(), 476);
}

TEST_F(SelectionTest, ProgressWindowAsDesigned) {
    serial::TForm2& f = sel.Form2();
    EXPECT_FALSE(f.form().visible());
    EXPECT_EQ(f.form().caption(), "Vostrelle");
    EXPECT_EQ(f.form().clientWidth(), 459);
    EXPECT_EQ(f.form().clientHeight(), 110);
    EXPECT_EQ(f.Label1.caption(), "Recherche des ports");
    EXPECT_EQ(f.Label2.caption(), "com 0");
    EXPECT_EQ(f.Label3.caption(), "Ports détectés :");
    EXPECT_EQ(f.Label3.font().color, (design::Rgb{128, 128, 128}));  // the window's own color
    EXPECT_EQ(f.ProgressBar1.bounds(), (design::Bounds{9, 57, 441, 10}));
    sel.paintProgressBar();
    EXPECT_EQ(f.ProgressBar1.barColor(), design::colors::Blue);
    EXPECT_EQ(f.ProgressBar1.backgroundColor(), design::colors::White);

    const std::pair<int, std::optional<int>> scaling[] = {
        {72, 1400}, {96, std::nullopt}, {120, 875}, {144, 735}, {192, 558}, {100, std::nullopt}};
    for (const auto& [ppi, num] : scaling) EXPECT_EQ(design::scalingNumerator(ppi), num) << ppi;
}

TEST_F(SelectionTest, SearchListsPortsInNumericOrder) {
    addPorts({1, 3, 12});
    QElapsedTimer clock;
    clock.start();
    sel.RechercherPorts();
    const auto ms = clock.elapsed();
    std::printf("search over 255 numbers with 3 ports: %lld ms\n", static_cast<long long>(ms));
    EXPECT_LT(ms, 5000);

    EXPECT_EQ(items(), (std::vector<std::string>{"COM  1", "COM  3", "COM 12"}));
    EXPECT_EQ(sel.NbPortsTrouves(), 3);
    EXPECT_EQ(slots(3), (std::vector<int>{1, 3, 12}));
    EXPECT_EQ(sel.Form2().Label3.caption(), " 1 3 12");
    EXPECT_EQ(sel.LabelPortsDispos().caption(), "Ports disponibles : com  1 3 12");
    EXPECT_EQ(sel.Form2().Label2.caption(), "");
    EXPECT_EQ(sel.Form2().ProgressBar1.position(), 100);
    EXPECT_FALSE(sel.Form2().form().visible());
    // The search alone (start-up's) asks nothing of the line.
    EXPECT_TRUE(line.asked.empty());
}

TEST_F(SelectionTest, ItemTextsKeepNumericOrder) {
    const std::pair<int, const char*> cases[] = {
        {1, "COM  1"}, {9, "COM  9"}, {10, "COM 10"}, {99, "COM 99"}, {100, "COM100"}, {255, "COM255"}};
    for (const auto& [n, text] : cases) EXPECT_EQ(serial::PortSelection::portItemText(n), text);
}

// A later search that finds fewer ports leaves older numbers in the slots
// above its count, and the lookup still finds them there.
TEST_F(SelectionTest, FewerPortsLeaveOlderSlotsThatTheLookupStillSees) {
    addPorts({1, 3, 12});
    sel.RechercherPorts();
    removePort(1);
    removePort(3);
    sel.RechercherPorts();
    EXPECT_EQ(items(), std::vector<std::string>{"COM 12"});
    EXPECT_EQ(sel.NbPortsTrouves(), 1);
    EXPECT_EQ(slots(3), (std::vector<int>{12, 3, 12}));
    EXPECT_EQ(sel.LabelPortsDispos().caption(), "Ports disponibles : com  12");

    const std::pair<int, int> lookups[] = {{12, 0}, {3, 1}, {1, 255}, {7, 255}};
    for (const auto& [n, index] : lookups) {
        port.setComNumber(static_cast<std::uint16_t>(n));
        EXPECT_EQ(sel.IndexPortConfigure(), index) << n;
        EXPECT_EQ(sel.PortAbsent(), index == 255) << n;
    }
}

// PORTS searches, then applies the configured port: the lists show it and
// the line is asked to open it (it opens it off the GUI thread).
TEST_F(SelectionTest, PortsSearchesThenAppliesTheConfiguredPort) {
    addPorts({1, 3, 12});
    port.setComNumber(3);
    sel.LabelDetectePorts().onClick();
    EXPECT_EQ(sel.ComboBox_NoCom().itemIndex(), 1);
    EXPECT_EQ(sel.ComboBox_Bauds().itemIndex(), 0);
    EXPECT_EQ(line.asked, std::vector<std::string>{"open"});
    EXPECT_FALSE(sel.Form2().form().visible());
}

// A port that another program holds counts as present.
TEST_F(SelectionTest, HeldPortIsListed) {
    addPorts({1, 3});
    const int fd = ::open(ptys[3]->slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    sel.RechercherPorts();
    EXPECT_EQ(items(), (std::vector<std::string>{"COM  1", "COM  3"}));
    ::close(fd);
}

TEST_F(SelectionTest, MissingConfiguredPortIsReportedOnce) {
    addPorts({1, 3, 12});
    sel.RechercherPorts();
    sel.showLinkState("COM1 9600", true);

    port.setComNumber(7);
    sel.AppliquerPort();
    EXPECT_FALSE(sel.OKLight().Lit());
    EXPECT_TRUE(sel.PortAbsent());
    EXPECT_EQ(sel.LabelNoCom().caption(), "COM7 NON DISPONIBLE");
    EXPECT_EQ(sel.ComboBox_NoCom().itemIndex(), -1);

    // Later checks leave the label alone; a listed port that has
    // disappeared since the search is the line's to find out.
    port.setComNumber(9);
    sel.AppliquerPort();
    EXPECT_EQ(sel.LabelNoCom().caption(), "COM7 NON DISPONIBLE");
    EXPECT_TRUE(line.asked.empty());
    removePort(12);
    port.setComNumber(12);
    sel.AppliquerPort();
    EXPECT_FALSE(sel.PortAbsent());
    EXPECT_EQ(line.asked, std::vector<std::string>{"open"});
}

TEST_F(SelectionTest, SpeedOutsideTheListLeavesTheSpeedComboAlone) {
    addPorts({1});
    sel.RechercherPorts();
    port.setComNumber(1);
    const std::pair<std::int32_t, int> steps[] = {{4800, -1}, {19200, 1}, {4800, 1}, {9600, 0}, {57600, 0}};
    for (const auto& [baud, index] : steps) {
        SCOPED_TRACE(baud);
        port.setBaud(baud);
        sel.AppliquerPort();
        EXPECT_EQ(sel.ComboBox_Bauds().itemIndex(), index);
        if (index == -1) {
            EXPECT_EQ(sel.ComboBox_Bauds().text(), "ComboBox_Bauds");
        }
    }
    EXPECT_EQ(port.Baud(), 57600);
}

// The lists and the hidden Init box ask the line; an item whose slot is
// empty only checks the configured port again.
TEST_F(SelectionTest, TheLinkControlsAskTheLine) {
    addPorts({1, 3, 12});
    sel.RechercherPorts();
    port.setComNumber(1);

    sel.ComboBox_NoCom().setItemIndex(2);
    sel.ComboBox_NoComChange();
    sel.ComboBox_Bauds().setItemIndex(1);
    sel.ComboBox_BaudsChange();
    sel.ComboBox_NoCom().setItemIndex(-1);
    sel.ComboBox_NoComChange();
    EXPECT_EQ(sel.ComboBox_NoCom().itemIndex(), 0);  // back on the configured port
    sel.CheckBox_InitPortClick();
    EXPECT_EQ(line.asked, (std::vector<std::string>{"choose 12", "speed 19200", "open", "open", "open"}));
}

}  // namespace
}  // namespace vos
