#pragma once
// The modules of the main window, in the order their controls are created
// (their z-order, bottom first). Private to app/form1*.cpp.
#include "app/aux_commands.h"
#include "app/form1.h"
#include "app/port_link.h"
#include "input/hit_map.h"
#include "input/keyboard.h"
#include "input/machine_switch.h"
#include "input/zoom.h"
#include "panel/decoder.h"
#include "panel/lamps.h"
#include "panel/receiver.h"
#include "panel/screen.h"
#include "platform/qt/desktop.h"
#include "platform/qt/picture.h"

namespace vos::app {

// Applies the configuration file to the window and its port.
class FormConfigTarget : public ConfigTarget {
public:
    FormConfigTarget(TForm1& f, PortLink& link) : f_(f), link_(link) {}
    void setComNumber(uint16_t n) override { link_.setComNumberFromConfig(n); }
    void setBaud(int32_t b) override { link_.setBaud(b); }
    void setBufferFull(uint16_t v) override { link_.setBufferFull(v); }
    void setBufferResume(uint16_t v) override { link_.setBufferResume(v); }
    void setOutSize(uint16_t v) override { link_.setOutSize(v); }
    void setInSize(uint16_t v) override { link_.setInSize(v); }
    uint16_t comNumber() const override { return link_.comNumber(); }
    int32_t baud() const override { return link_.baud(); }
    void loadSkin(const std::string& path) override { f_.Fond.loadFromFile(path); }
    void afficherClient() override { f_.aux().AfficherClient(); }

private:
    TForm1& f_;
    PortLink& link_;
};

struct TForm1::Modules {
    explicit Modules(TForm1& f)
        : lamps(f.form_, f.typeMachine),
          hitMap(f.form_),
          zoom(f.form_, screen),
          screen(f.form_),
          decoder(screen, lamps, [](int hz, int ms) { beep(hz, ms); }),
          receiver(f.form_, decoder),
          machineSwitch(f.form_, [&f] {
              LabelTFClick(f.etat.FichierFond, f.etat.RepertoireSkins, f.Fond, f.typeMachine);
          }),
          aux(f.form_, AuxCommands::Context{f.RepertoireExe, &f.etat.VersionWindows,
                                            [&f] { f.form_.close(); },
                                            [&f] { return f.etat.CheminIni; }}),
          link(f.form_, f.RepertoireExe, PortLink::Hooks{
                   [this](panel::ByteSource& src, std::uint16_t count) {
                       receiver.PortTriggerAvail(src, count);
                   },
                   [&f] { EcrireConfiguration(f.etat, f.m_->configTarget); },
                   [&f] { return f.etat.EnDemarrage; },
                   [&f](bool open) { f.Timer1.setEnabled(open); }}),
          keyboard(link, zoom, screen),
          configTarget(f, link) {
        lamps.setBigScreen(&zoom.grandeVisu());
        hitMap.setKeyboard(keyboard);
        link.attachControls(zoom, aux);
        // The customer label lies where line 7 of the big screen goes: like
        // the keys and lamps, it belongs under the big screen's black frame,
        // or it would cut into the control's text there.
        aux.labelClient().placeBelow(zoom.grandeVisu());
    }

    panel::LampBank lamps;
    HitMap hitMap;
    Zoom zoom;
    panel::Screen screen;
    panel::Decoder decoder;
    panel::Receiver receiver;
    MachineSwitch machineSwitch;
    AuxCommands aux;
    PortLink link;
    Keyboard keyboard;
    FormConfigTarget configTarget;
};

}  // namespace vos::app
