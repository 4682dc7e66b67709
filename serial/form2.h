#pragma once
// TForm2: the small window that shows the progress of the port search (the
// number being tested, a progress bar, and the numbers found).
//
// Threading: GUI thread only. Ownership: the window owns its Form and the
// Form owns the controls; the main window's port selection owns the TForm2
// for the whole run. It is created hidden. Its design is design/dialogs.h's.
#include "platform/qt/form.h"
#include "platform/qt/label.h"
#include "platform/qt/list_controls.h"

namespace vos::serial {

class TForm2 {
public:
    // Builds the window hidden, as designed, then applies the pixels-per-inch
    // scaling (design/scaling.h).
    TForm2();

    Form& form() { return form_; }
    // The progress bar's colors: blue bar on white (start-up asks for it).
    void paintProgressBar();

private:
    Form form_;  // first: the controls below are created on it

public:
    Label& Label1;
    Label& Label2;
    ProgressBar& ProgressBar1;
    Label& Label3;
};

}  // namespace vos::serial
