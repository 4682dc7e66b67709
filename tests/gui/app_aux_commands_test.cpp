// The auxiliary commands on a real Form: the areas, the drag rectangles, the
// link-control toggle, the about box, the customer label and the
// configuration edit (message boxes go to the message sink; the desktop
// services to recorders, so nothing outside the test is started).
#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "app/aux_commands.h"
#include "design/aux_commands.h"
#include "design/commands.h"
#include "platform/qt/dialogs.h"
#include "platform/qt/form.h"
#include "platform/qt/label.h"
#include "platform/qt/list_controls.h"
#include "tests/support/qt/gui_test_support.h"

namespace vos::app {
namespace {

class AuxCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        setMessageSink([this](const std::string& kind, const std::string& text) {
            journal.push_back(kind + ":" + text);
        });
    }
    void TearDown() override { test::installRecordingSink(); }

    AuxCommands::Context context() {
        AuxCommands::Context c;
        c.programFolder = "/opt/vostrelle/";
        c.version = &version;
        c.close = [this] { journal.push_back("fermer"); };
        c.cheminIni = [] { return std::string("/opt/vostrelle/Vostrelle.ini"); };
        c.openDocument = [this](const std::string& p) { journal.push_back("ouvrir:" + p); };
        c.start = [this](const std::string& prog, const std::vector<std::string>& args) {
            std::string e = "demarrer:" + prog;
            for (const auto& a : args) e += " " + a;
            journal.push_back(e);
            return echecs-- <= 0;
        };
        return c;
    }

    // The nine link controls, hidden as at start, in the toggle order.
    void creerLiaison() {
        linkControls = {&form.addComboBox("ComboBox_NoCom"), &form.addComboBox("ComboBox_Bauds"),
                   &form.addLabel("TXDLight"),          &form.addLabel("RXDLight"),
                   &form.addLabel("OKLight"),           &form.addLabel("LabelTXD"),
                   &form.addLabel("LabelRXD"),          &form.addLabel("LabelPortsDispos"),
                   &form.addLabel("LabelNoCom")};
        for (Control* c : linkControls) c->hide();
        aux.setLinkControls(linkControls, static_cast<Label&>(*linkControls[8]));
    }

    int nbVisibles() const {
        int n = 0;
        for (Control* c : linkControls) n += c->visible();
        return n;
    }

    std::vector<std::string> journal;
    OsVersion version{6, 1, 76, "Debian GNU/Linux 12 (bookworm)"};
    int echecs = 0;  // how many starts of an editor fail before one succeeds
    Form form{"TForm1", FormStyle::Borderless};
    AuxCommands aux{form, context()};
    std::array<Control*, 9> linkControls{};
};

TEST_F(AuxCommandsTest, CommandAreasAndCaptionsAsDesigned) {
    struct Expected {
        const char* name;
        design::Bounds bounds;
        const char* hint;
    } areas[] = {
        {"LabelLogo", {50, 15, 160, 34}, "Informations de version"},
        {"LabelFin", {840, 52, 24, 29}, "Fin"},
        {"LabelAide", {838, 250, 25, 25}, "Aide (Html)"},
        {"LabelAccesCfg", {8, 643, 25, 25}, "Configuration liaison"},
        {"LabelIconiser", {838, 104, 22, 33}, "Réduire"},
    };
    for (const auto& z : areas) {
        auto* l = dynamic_cast<Label*>(form.find(z.name));
        ASSERT_NE(l, nullptr) << z.name;
        EXPECT_EQ(l->bounds(), z.bounds) << z.name;
        EXPECT_EQ(l->hint(), z.hint) << z.name;
        EXPECT_TRUE(l->transparent()) << z.name;
        EXPECT_EQ(l->caption(), "") << z.name;
        EXPECT_TRUE(l->visible()) << z.name;  // LabelIconiser included: the command is offered
    }
    struct Caption {
        Label* l;
        const char* texte;
        int left, top;
        const char* hint;
    } captions[] = {
        {&aux.finCaption(), "FIN", 842, 81, "Quitter"},
        {&aux.aideCaption(), "AIDE", 839, 278, "Aide (Html)"},
        {&aux.accesCfgCaption(), "CONF", 8, 669, "Configuration liaison"},
    };
    for (const auto& g : captions) {
        EXPECT_EQ(g.l->caption(), g.texte);
        EXPECT_EQ(g.l->left(), g.left) << g.texte;
        EXPECT_EQ(g.l->top(), g.top) << g.texte;
        EXPECT_EQ(g.l->hint(), g.hint) << g.texte;
        EXPECT_EQ(g.l->font().pixelHeight, 9) << g.texte;
        EXPECT_EQ(g.l->font().color, design::colors::White) << g.texte;
    }
}

TEST_F(AuxCommandsTest, ControlsCreatedInZOrder) {
    const char* order[] = {"LabelLogo",     "LabelFin",         "LabelFinLegende", "LabelAide",
                          "LabelAideLegende", "LabelAccesCfg", "LabelAccesCfgLegende",
                          "LabelIconiser", "LabelClient",      "BoutonQuitter",   "BoutonEditerIni"};
    const auto& controls = form.controls();
    ASSERT_EQ(controls.size(), std::size(order));
    for (std::size_t i = 0; i < controls.size(); ++i) EXPECT_EQ(controls[i]->name(), order[i]);
}

TEST_F(AuxCommandsTest, LabelClientAndButtonsAsDesigned) {
    Label& c = aux.labelClient();
    EXPECT_EQ(c.bounds(), (design::Bounds{50, 362, 433, 17}));
    EXPECT_EQ(c.font().pixelHeight, 13);
    EXPECT_EQ(c.font().color, design::colors::Red);
    EXPECT_TRUE(c.transparent());

    Button& q = aux.boutonQuitter();
    EXPECT_EQ(q.bounds(), (design::Bounds{826, 3, 36, 27}));
    EXPECT_EQ(q.caption(), "&Fin");
    EXPECT_FALSE(q.visible());

    Button& e = aux.boutonEditerIni();
    EXPECT_EQ(e.bounds(), (design::Bounds{8, 8, 105, 25}));
    EXPECT_EQ(e.caption(), "Editer .ini");
    EXPECT_FALSE(e.visible());
    EXPECT_FALSE(e.enabled());
}

TEST_F(AuxCommandsTest, DragRectanglesAtTheirEdges) {
    struct Point {
        int x, y;
        bool drag;
    } points[] = {
        {211, 48, true},  {210, 48, false}, {209, 48, false},  // band right of the logo
        {211, 49, true},  {211, 50, false}, {869, 49, true},   {870, 49, false},
        {836, 700, true}, {837, 600, false}, {836, 600, true}, {460, 538, true},
        {459, 600, false}, {836, 537, false},                   // lower right block
        {100, 13, true},  {100, 14, false}, {0, 0, true},      {869, 13, true},  // top strip
        {0, 680, true},   {0, 679, false},  {869, 719, true},  {869, 720, false},
        {-1, 700, false}, {400, 400, false},
    };
    for (const auto& p : points) EXPECT_EQ(aux.WMNCHitTest(p.x, p.y), p.drag) << p.x << "," << p.y;
    // The command areas lie outside every drag rectangle (corners checked).
    for (const design::AuxArea& a : design::kAuxAreas) {
        const design::Bounds b = a.area.bounds;
        for (int x : {b.left, b.left + b.width - 1})
            for (int y : {b.top, b.top + b.height - 1})
                EXPECT_FALSE(aux.WMNCHitTest(x, y)) << a.area.name << " " << x << "," << y;
    }
}

TEST_F(AuxCommandsTest, LinkControlsToggleAsAGroupOfNine) {
    aux.LabelAccesCfgClick();  // before the link controls exist: nothing
    creerLiaison();
    ASSERT_EQ(nbVisibles(), 0);
    aux.LabelAccesCfgClick();
    EXPECT_EQ(nbVisibles(), 9);
    aux.LabelAccesCfgClick();
    EXPECT_EQ(nbVisibles(), 0);
    // The status lights hidden by the 300-ms tick meanwhile: LabelNoCom tells
    // the state, so the next click hides the rest.
    aux.LabelAccesCfgClick();
    for (int i : {2, 3, 4}) linkControls[i]->hide();
    aux.LabelAccesCfgClick();
    EXPECT_EQ(nbVisibles(), 0);
}

TEST_F(AuxCommandsTest, RealClickOnConfAreaShowsTheLinkControls) {
    creerLiaison();
    form.show();
    QTest::mouseClick(aux.labelAccesCfg().widget(), Qt::LeftButton, {}, QPoint(12, 12));
    EXPECT_EQ(nbVisibles(), 9);
}

TEST_F(AuxCommandsTest, AboutBoxText) {
    const std::string ppi = std::to_string(form.pixelsPerInch());
    aux.LabelLogoClick();
    version.servicePack = "";
    aux.LabelLogoClick();
    ASSERT_EQ(journal.size(), 2u);
    const std::string head = "info: Vostrelle 1.00\r\n (pour Windows 98/Me/NT/2000/XP/Vista/7)\r\n\r\n";
    const std::string tail = "\r\n R\u00e9solution " + ppi + " ppp\r\n\r\n";
    EXPECT_EQ(journal[0], head + " Windows 6.1.76 Debian GNU/Linux 12 (bookworm)" + tail);
    // Without a service-pack text, line 4 ends with a space.
    EXPECT_EQ(journal[1], head + " Windows 6.1.76 " + tail);
}

TEST_F(AuxCommandsTest, HelpPageBesideTheProgram) {
    aux.LabelAideClick();
    EXPECT_EQ(journal, (std::vector<std::string>{"ouvrir:/opt/vostrelle/Vostrelle.htm"}));
}

TEST_F(AuxCommandsTest, QuitFromLabelFinAndFromTheButton) {
    form.show();
    QTest::mouseClick(aux.labelFin().widget(), Qt::LeftButton, {}, QPoint(5, 5));
    aux.boutonQuitter().show();
    QTest::mouseClick(aux.boutonQuitter().widget(), Qt::LeftButton);
    EXPECT_EQ(journal, (std::vector<std::string>{"fermer", "fermer"}));
}

TEST_F(AuxCommandsTest, IconiserAreaMinimisesTheWindow) {
    form.show();
    QWidget* fenetre = aux.labelIconiser().widget()->window();
    ASSERT_FALSE(fenetre->isMinimized());
    QTest::mouseClick(aux.labelIconiser().widget(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(test::waitUntil([&] { return fenetre->isMinimized(); }));
}

TEST_F(AuxCommandsTest, AfficherClientShowsTheTextAndRestoresItsLook) {
    for (int passe = 0; passe < 2; ++passe) {
        aux.AfficherClient();
        Label& c = aux.labelClient();
        EXPECT_EQ(c.shownText(), "Atelier de d\u00e9monstration");
        EXPECT_EQ(c.font().color, design::colors::White);
        EXPECT_TRUE(c.font().underline);
        EXPECT_FALSE(c.transparent());
        EXPECT_EQ(c.color(), design::colors::Black);
        EXPECT_EQ(c.bounds(), (design::Bounds{50, 362, 433, 17}));
        // Whatever changed the label meanwhile, the next tick restores it.
        c.setCaption("x");
        c.setFontColor(design::colors::Red);
        c.setUnderline(false);
        c.setTransparent(true);
    }
}

TEST_F(AuxCommandsTest, DoubleClickOnLabelNoComOffersTheEdit) {
    creerLiaison();
    aux.LabelAccesCfgClick();
    form.show();
    QTest::mouseDClick(linkControls[8]->widget(), Qt::LeftButton);
    EXPECT_TRUE(aux.boutonEditerIni().visible());
    EXPECT_TRUE(aux.boutonEditerIni().enabled());

    // The button can now be pressed: message, editor on the file, close.
    QTest::mouseClick(aux.boutonEditerIni().widget(), Qt::LeftButton);
    EXPECT_EQ(journal, (std::vector<std::string>{
                           "message:Corvexa sera ferm\u00e9 apr\u00e8s l'\u00e9dition",
                           "demarrer:xdg-open /opt/vostrelle/Vostrelle.ini", "fermer"}));
}

TEST_F(AuxCommandsTest, EditorsTriedInTurnUntilOneStarts) {
    echecs = 2;
    aux.EditerIni("/tmp/a b.ini");
    ASSERT_EQ(journal.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(journal[i], "demarrer:" + std::string(kTextEditors[i]) + " /tmp/a b.ini");
}

TEST_F(AuxCommandsTest, NoEditorAtAllGivesNoMessageAndStillCloses) {
    echecs = 1000;
    aux.BoutonEditerIniClick();
    ASSERT_EQ(journal.size(), 1 + kTextEditors.size() + 1);
    EXPECT_EQ(journal.front().rfind("message:", 0), 0u);
    EXPECT_EQ(journal.back(), "fermer");
}

}  // namespace
}  // namespace vos::app
