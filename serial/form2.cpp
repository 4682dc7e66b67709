#include "serial/form2.h"

#include "design/dialogs.h"
#include "design/scaling.h"

namespace vos::serial {

namespace {

namespace form2 = design::searchwindow;

Label& createLabel(Form& form, const design::TextDesign& d) {
    Label& l = form.addLabel(d.name);
    l.setFont(FontSpec{form2::kFace, d.fontPixels, d.bold, false, d.color});
    l.setTransparent(false);
    l.setColor(form2::kBackground);
    l.setAutoSize(true);
    l.setCaption(d.caption);
    l.setLeft(d.left);
    l.setTop(d.top);
    return l;
}

ProgressBar& createProgressBar(Form& form) {
    ProgressBar& bar = form.addProgressBar("ProgressBar1");
    bar.setBounds(form2::kProgressBounds);
    bar.setRange(0, form2::kProgressMax);
    bar.setPosition(0);
    return bar;
}

Form& prepareWindow(Form& form) {
    form.setCaption(form2::kCaption);
    form.setClientSize(form2::kClientWidth, form2::kClientHeight);
    form.setColor(form2::kBackground);
    form.setFont(FontSpec{form2::kFace, 11, false, false, design::colors::Black});
    form.moveTo(form2::kScreenLeft, form2::kScreenTop);
    return form;
}

}  // namespace

TForm2::TForm2()
    : form_("Form2", FormStyle::Single),
      Label1(createLabel(prepareWindow(form_), form2::kLabel1)),
      Label2(createLabel(form_, form2::kLabel2)),
      ProgressBar1(createProgressBar(form_)),
      Label3(createLabel(form_, form2::kLabel3)) {
    if (auto num = design::scalingNumerator(form_.pixelsPerInch()))
        form_.scaleBy(*num, design::kPpiScaleDenominator);
}

void TForm2::paintProgressBar() {
    ProgressBar1.setBarColor(form2::kBarColor);
    ProgressBar1.setBackgroundColor(form2::kBarBackground);
}

}  // namespace vos::serial
