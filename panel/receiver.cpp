#include "panel/receiver.h"

#include <string>

#include "panel/decoder.h"
#include "platform/qt/form.h"
#include "platform/qt/label.h"

namespace vos::panel {
namespace {

Label& makeCountLabel(Form& form) {
    Label& l = form.addLabel("LabelNbOctets");
    l.setFont(FontSpec{"Arial", 12, false, false, design::colors::White});
    l.setTransparent(true);
    l.setAutoSize(false);
    l.setBounds({47, 43, 21, 15});
    l.setCaption("000");
    l.hide();
    return l;
}

}  // namespace

Receiver::Receiver(Form& form, Decoder& decoder) : decoder_(decoder), label_(makeCountLabel(form)) {}

void Receiver::PortTriggerAvail(ByteSource& source, std::uint16_t Count) {
    for (std::uint16_t i = 0; i < Count; ++i) decoder_.TraiterOctet(source.TakeByte());
    label_.setCaption(std::to_string(Count));
}

}  // namespace vos::panel
