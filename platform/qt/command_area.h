#pragma once
// The controls of a command area (design/commands.h): a transparent label
// without text that takes presses, and the white caption beneath it.
// GUI thread only; the labels belong to the Form.
#include "design/commands.h"
#include "platform/qt/form.h"
#include "platform/qt/label.h"

namespace vos {

// The transparent area, with its tooltip and no text.
Label& createCommandArea(Form& form, const design::CommandArea& area);
// The caption beneath: white Arial 9 px, transparent, sized to its text, same
// tooltip as its area; it takes presses over itself and does nothing.
Label& createCommandCaption(Form& form, const design::CommandArea& area);

}  // namespace vos
