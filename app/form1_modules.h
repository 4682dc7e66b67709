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

struct TForm1::Modules {
    explicit Modules(TForm1& f)
        : lamps(f.form_, f.machineType),
          hitMap(f.form_),
          zoom(f.form_, screen),
          screen(f.form_),
          decoder(screen, lamps, [](int hz, int ms) { beep(hz, ms); }),
          receiver(f.form_, decoder),
          machineSwitch(f.form_, [&f] { f.LabelTFClick(); }),
          aux(f.form_, AuxCommands::Context{f.RepertoireExe, &f.state.VersionWindows,
                                            [&f] { f.form_.close(); },
                                            [&f] { return f.state.CheminIni; }}),
          link(f.form_, f.RepertoireExe,
               PortLink::Wiring{receiver, f.Timer1, [this, &f] { saveConfigurationNow(f.state, link); }}),
          keyboard(link, zoom, screen) {
        lamps.setBigScreen(&zoom.grandeVisu());
        hitMap.setKeyboard(keyboard);
        link.attachControls(zoom, aux);
        // The customer label lies where line 7 of the big screen goes: like
        // the keys and lamps, it belongs under the big screen's black frame,
        // or it would cut into the control's text there.
        aux.labelClient().placeBelow(zoom.grandeVisu());
    }

    panel::LampBank lamps;
    input::HitMap hitMap;
    input::Zoom zoom;
    panel::Screen screen;
    panel::Decoder decoder;
    panel::Receiver receiver;
    input::MachineSwitch machineSwitch;
    AuxCommands aux;
    PortLink link;
    input::Keyboard keyboard;
};

}  // namespace vos::app
