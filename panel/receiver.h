#pragma once
// The receiver: feeds the bytes of one data-available event of the serial
// port to the decoder, one at a time, and shows the event's byte count in
// LabelNbOctets (hidden; kept up to date for whoever shows it).
//
// Threading: GUI thread only (the port delivers its events there).
#include <cstdint>

namespace vos {
class Form;
class Label;
}  // namespace vos

namespace vos::panel {

class Decoder;

// Where the bytes of an event come from (the serial port component).
struct ByteSource {
    virtual ~ByteSource() = default;
    // The next unread byte. Throws when none can be read; that ends the
    // event's loop.
    virtual std::uint8_t TakeByte() = 0;
};

class Receiver {
public:
    // Creates LabelNbOctets (hidden, caption "000").
    Receiver(Form& form, Decoder& decoder);
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    // Takes Count bytes from `source`, each decoded before the next is taken,
    // then sets LabelNbOctets to Count in decimal. An exception from TakeByte
    // propagates at once: the remaining bytes are not taken and the caption is
    // not updated.
    void PortTriggerAvail(ByteSource& source, std::uint16_t Count);

    Label& labelNbOctets() const { return label_; }

private:
    Decoder& decoder_;
    Label& label_;
};

}  // namespace vos::panel
