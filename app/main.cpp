// Vostrelle: the operator panel of a machine-tool control on a Linux PC.
// The program finds everything beside itself; its one option, --plein-ecran,
// starts the panel full screen (the station session passes it).
#include <algorithm>
#include <memory>

#include "app/form1.h"
#include "app/form1_design.h"
#include "platform/qt/desktop.h"

int main(int argc, char** argv) {
    const bool fullScreen = std::any_of(argv + 1, argv + argc, [](const char* a) {
        return a == vos::app::kFullScreenArgument;
    });
    std::unique_ptr<vos::app::TForm1> form1;
    return vos::runApplication(argc, argv, [&] {
        form1 = std::make_unique<vos::app::TForm1>(vos::programFolder());
        form1->startFullScreen = fullScreen;
        form1->form().show();
    });
}
