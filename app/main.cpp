// Vostrelle: the operator panel of a machine-tool control on a Linux PC.
// There are no command-line options and no environment variables: the
// program finds everything beside itself.
#include <memory>

#include "app/form1.h"
#include "platform/qt/desktop.h"

int main(int argc, char** argv) {
    std::unique_ptr<vos::app::TForm1> form1;
    return vos::runApplication(argc, argv, [&] {
        form1 = std::make_unique<vos::app::TForm1>(vos::programFolder());
        form1->form().show();
    });
}
