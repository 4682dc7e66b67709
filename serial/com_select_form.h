#pragma once
// TComSelectForm: the dialog that asks for a port when the port component is
// opened without a port number. It lists COM1..COM50 that pass the
// availability test; OK gives the selected port's number, Cancel or closing
// the window gives none.
//
// Threading: GUI thread. Execute() runs a nested event loop until the dialog
// is dismissed.
#include <functional>

#include "platform/qt/form.h"

namespace vos {
class ComboBox;
}  // namespace vos

namespace vos::serial {


class TComSelectForm {
public:
    // The availability test is run here, once per port number; `address`
    // names the server of a network port ("" for a local one).
    explicit TComSelectForm(const std::function<bool(int)>& portAvailable,
                            const std::function<std::string(int)>& address = {});
    TComSelectForm(const TComSelectForm&) = delete;
    TComSelectForm& operator=(const TComSelectForm&) = delete;

    // Shows the dialog modally. The chosen port number after OK; 0 after
    // Cancel, a closed window, or OK with no port listed.
    int Execute();

    Form& form() { return form_; }
    ComboBox& PortsComboBox() { return ports_; }

private:
    Form form_;
    ComboBox& ports_;
};

}  // namespace vos::serial
