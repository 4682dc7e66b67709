#include "serial/com_select_form.h"

#include "design/dialogs.h"
#include "platform/qt/label.h"
#include "platform/qt/list_controls.h"
#include "platform/qt/shape.h"
#include "serial/com_select_ports.h"

namespace vos::serial {

namespace {

namespace dlg = design::portdialog;

const FontSpec kDialogFont{dlg::kFace, dlg::kFontPixels, false, false, design::colors::Black};

void addBevel(Form& f) {
    Shape& bevel = f.addShape("Bevel1");
    bevel.setKind(ShapeKind::Rectangle);
    bevel.setBrushClear(true);
    bevel.setPenColor(design::colors::Gray);
    bevel.setBounds(dlg::kBevel);
    bevel.setEnabled(false);
}

ComboBox& addCombo(Form& f) {
    ComboBox& c = f.addComboBox("PortsComboBox");
    c.setStyle(ComboStyle::DropDownList);
    c.setBounds(dlg::kCombo);
    return c;
}

// The window, the frame and the two lines of text; returns the port list.
ComboBox& buildDialog(Form& f) {
    f.setCaption(dlg::kCaption);
    f.setClientSize(dlg::kClientWidth, dlg::kClientHeight);
    f.setColor(dlg::kColor);
    f.setFont(kDialogFont);
    addBevel(f);
    for (const auto& d : dlg::kLabels) {
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

TComSelectForm::TComSelectForm(const std::function<bool(int)>& portAvailable,
                               const std::function<std::string(int)>& address)
    : form_("ComSelectForm", FormStyle::Dialog), ports_(buildDialog(form_)) {
    for (const auto& item : listSelectablePorts(portAvailable, address)) ports_.add(item);
    ports_.setItemIndex(0);
    for (const auto& d : dlg::kButtons) {
        Button& b = form_.addButton(d.name);
        b.setBounds(d.bounds);
        b.setCaption(d.caption);
        const ModalResult result = d.ok ? ModalResult::Ok : ModalResult::Abort;
        b.onClick = [this, result] { form_.setModalResult(result); };
    }
    // OK is the default button: Return anywhere in the dialog chooses it.
    form_.setKeyPreview(true);
    form_.onKeyDown = [this](std::uint16_t key, ShiftState) {
        if (key == vk::Return) form_.setModalResult(ModalResult::Ok);
    };
    form_.moveTo((form_.screenWidth() - dlg::kClientWidth) / 2, (form_.screenHeight() - dlg::kClientHeight) / 2);
}

int TComSelectForm::Execute() {
    if (form_.showModal() != ModalResult::Ok) return 0;
    return portNumberOfItem(ports_.text());
}

}  // namespace vos::serial
