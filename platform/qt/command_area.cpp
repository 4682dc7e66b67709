#include "platform/qt/command_area.h"

namespace vos {

Label& createCommandArea(Form& form, const design::CommandArea& area) {
    Label& l = form.addLabel(area.name);
    l.setTransparent(true);
    l.setAutoSize(false);
    l.setCaption("");
    l.setBounds(area.bounds);
    l.setHint(area.hint);
    return l;
}

Label& createCommandCaption(Form& form, const design::CommandArea& area) {
    Label& l = form.addLabel(area.captionName);
    l.setTransparent(true);
    l.setFont(FontSpec{"Arial", design::kCaptionFontPixels, false, false, design::kCaptionColor});
    l.setAutoSize(true);
    l.setCaption(area.caption);
    l.setLeft(area.captionLeft);
    l.setTop(area.captionTop);
    l.setHint(area.hint);
    return l;
}

}  // namespace vos
