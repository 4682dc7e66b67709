#include "serial/com_select_form.h"

#include "platform/qt/label.h"
#include "platform/qt/list_controls.h"
#include "platform/qt/shape.h"
#include "serial/com_select_ports.h"

namespace vos::serial {

namespace {

constexpr int kClientWidth = 220;
constexpr int kClientHeight = 131;
constexpr int kComboHeight = 21;

struct LabelDesign {
    const char* name;
    int left, top;
    const char* caption;
};
constexpr LabelDesign kLabels[] = {
    {"Label1", 18, 14, "The configured serial port is not valid."},
    {"Label2", 18, 30, "Please choose another port."},
};

struct ButtonDesign {
    const char* name;
    design::Bounds bounds;
    const char* caption;
    ModalResult result;
};
constexpr ButtonDesign kButtons[] = {
    {"OkBtn", {8, 95, 85, 27}, "OK", ModalResult::Ok},
    {"AbortBtn", {124, 95, 85, 27}, "Cancel", ModalResult::Abort},
};

constexpr design::Bounds kBevel{8, 8, 201, 42};
constexpr design::Bounds kCombo{8, 64, 201, kComboHeight};
const FontSpec kDialogFont{"MS Sans Serif", 11, false, false, design::colors::Black};
constexpr design::Rgb kDialogColor{240, 240, 240};

void addBevel(Form& f) {
    Shape& bevel = f.addShape("Bevel1");
    bevel.setKind(ShapeKind::Rectangle);
    bevel.setBrushClear(true);
    bevel.setPenColor(design::colors::Gray);
    bevel.setBounds(kBevel);
    bevel.setEnabled(false);
}

ComboBox& addCombo(Form& f) {
    ComboBox& c = f.addComboBox("PortsComboBox");
    c.setStyle(ComboStyle::DropDownList);
    c.setBounds(kCombo);
    return c;
}

// The window, the frame and the two lines of text; returns the port list.
ComboBox& buildDialog(Form& f) {
    f.setCaption("Select Port");
    f.setClientSize(kClientWidth, kClientHeight);
    f.setColor(kDialogColor);
    f.setFont(kDialogFont);
    addBevel(f);
    for (const auto& d : kLabels) {
        Label& l = f.addLabel(d.name);
        l.setFont(kDialogFont);
        l.setTransparent(true);
        l.setAutoSize(true);
        l.setLeft(d.left);
        l.setTop(d.top);
        l.setCaption(d.caption);
    }
    return addCombo(f);
}

}  // namespace

TComSelectForm::TComSelectForm(const std::function<bool(int)>& portAvailable)
    : form_("ComSelectForm", FormStyle::Dialog), ports_(buildDialog(form_)) {
    for (const auto& item : listSelectablePorts(portAvailable)) ports_.add(item);
    ports_.setItemIndex(0);
    for (const auto& d : kButtons) {
        Button& b = form_.addButton(d.name);
        b.setBounds(d.bounds);
        b.setCaption(d.caption);
        const ModalResult result = d.result;
        b.onClick = [this, result] { form_.setModalResult(result); };
    }
    // OK is the default button: Return anywhere in the dialog chooses it.
    form_.setKeyPreview(true);
    form_.onKeyDown = [this](std::uint16_t key, ShiftState) {
        if (key == vk::Return) form_.setModalResult(ModalResult::Ok);
    };
    form_.moveTo((form_.screenWidth() - kClientWidth) / 2, (form_.screenHeight() - kClientHeight) / 2);
}

int TComSelectForm::Execute() {
    if (form_.showModal() != ModalResult::Ok) return 0;
    return portNumberOfItem(ports_.text());
}

}  // namespace vos::serial
