// The widest texts of the link bar, the command captions and the dialogs fit
// the places they were designed for: the design's faces ("Arial", "MS Sans
// Serif") resolve to faces of the same widths (Liberation Sans), whatever
// face the desktop's font configuration would give for the name. CTest runs
// this program a second time with a font configuration that maps Arial to
// the wider DejaVu Sans, as a user's could.
#include "tests/support/main_window.h"

#include <string>

#include "platform/qt/label.h"
#include "serial/port_component.h"
#include "serial/port_selection.h"
#include "serial/com_select_form.h"
#include "serial/form2.h"

namespace vos::test {
namespace {

enum class Window { Panel, LinkBar, PortDialog, SearchWindow };

// How far a text may run: up to the left edge of the next control, up to the
// right edge of the frame around it, or up to its window's right edge.
enum class Limit { LeftOf, RightOf, WindowEdge };

struct TextFit {
    Window window;
    const char* label;
    const char* text;  // nullptr: the design caption
    Limit limit;
    const char* other;  // the control of LeftOf / RightOf
};

// The widest text each label shows in practice: the link bar's status (the
// link draws a long one smaller to keep to its 140 pixels before LabelTXD),
// nine ports found.
constexpr TextFit kTexts[] = {
    {Window::LinkBar, "LabelNoCom", "COM1 NON DISPONIBLE", Limit::LeftOf, "LabelTXD"},
    {Window::LinkBar, "LabelNoCom", "COM255 NON DISPONIBLE", Limit::LeftOf, "LabelTXD"},
    {Window::LinkBar, "LabelNoCom", "COM255 LIAISON PERDUE", Limit::LeftOf, "LabelTXD"},
    {Window::LinkBar, "LabelNoCom", "COM255 OUVERTURE…", Limit::LeftOf, "LabelTXD"},
    {Window::LinkBar, "LabelNoCom", "COM99 19200", Limit::LeftOf, "LabelTXD"},
    {Window::Panel, "LabelTXD", nullptr, Limit::LeftOf, "TXDLight"},
    {Window::Panel, "LabelRXD", nullptr, Limit::LeftOf, "RXDLight"},
    {Window::Panel, "LabelPortsDispos", "Ports disponibles : com 1 2 3 4 5 6 7 8 9", Limit::LeftOf,
     "CheckBox_InitPort"},
    // The captions of the left bezel's buttons stay left of the big screen,
    // those of the right bezel inside the window.
    {Window::Panel, "LabelChgtEcranLegende", nullptr, Limit::LeftOf, "GrandeVisu"},
    {Window::Panel, "LabelTFLegende", nullptr, Limit::LeftOf, "GrandeVisu"},
    {Window::Panel, "LabelDetectePortsLegende", nullptr, Limit::LeftOf, "GrandeVisu"},
    {Window::Panel, "LabelAccesCfgLegende", nullptr, Limit::LeftOf, "GrandeVisu"},
    {Window::Panel, "LabelFinLegende", nullptr, Limit::WindowEdge, nullptr},
    {Window::Panel, "LabelAideLegende", nullptr, Limit::WindowEdge, nullptr},
    {Window::PortDialog, "Label1", nullptr, Limit::RightOf, "Bevel1"},
    {Window::PortDialog, "Label2", nullptr, Limit::RightOf, "Bevel1"},
    {Window::SearchWindow, "Label1", nullptr, Limit::WindowEdge, nullptr},
    {Window::SearchWindow, "Label2", "com 255", Limit::WindowEdge, nullptr},
};

// The link bar alone, as the panel lays it out: its status text shows what
// the line tells it.
struct NoLine final : serial::LineRequests {
    void choosePort(int) override {}
    void chooseSpeed(std::int32_t) override {}
    void openConfiguredPort() override {}
    bool portPresent(int) override { return true; }
};

class TextsFitTest : public MainWindowTest {
protected:
    Form& window(Window w) {
        switch (w) {
        case Window::Panel: return (form1 ? *form1 : build()).form();
        case Window::LinkBar: return bar_;
        case Window::PortDialog: return dialog_.form();
        case Window::SearchWindow: return search_.form();
        }
        return search_.form();
    }

    serial::TComSelectForm dialog_{[](int) { return true; }};
    serial::TForm2 search_;
    Form bar_{"Form1", FormStyle::Borderless};
    serial::TSerialComPort port_{folder.path()};
    NoLine line_;
    serial::PortSelection selection_{bar_, port_, line_};
};

TEST_F(TextsFitTest, EveryWidestTextFitsItsPlace) {
    writeIni(iniText(1, "num760f.jpg"));
    for (const TextFit& t : kTexts) {
        Form& form = window(t.window);
        SCOPED_TRACE(form.name() + "." + t.label);
        auto* label = dynamic_cast<Label*>(form.find(t.label));
        ASSERT_NE(label, nullptr);
        ASSERT_TRUE(label->autoSize());
        if (t.text && std::string(t.label) == "LabelNoCom")
            selection_.showLinkState(t.text, false);
        else if (t.text)
            label->setCaption(t.text);
        const int right = label->left() + label->width();  // the width follows the text as drawn
        int limit = form.clientWidth();
        if (t.limit != Limit::WindowEdge) {
            const Control* other = form.find(t.other);
            ASSERT_NE(other, nullptr) << t.other;
            limit = t.limit == Limit::LeftOf ? other->left() : other->left() + other->width();
        }
        EXPECT_LE(right, limit) << '"' << label->shownText() << "\" is " << label->width() << " pixels wide";
        EXPECT_GT(label->width(), 0);
    }
}

}  // namespace
}  // namespace vos::test
