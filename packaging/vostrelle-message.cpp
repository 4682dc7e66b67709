// vostrelle-message TEXT: shows TEXT in a window titled "Vostrelle", with an
// OK button, and returns when the operator has closed it (status 0; 2 when
// TEXT is missing). The launcher's voice when it was started from the
// desktop's menu or a login session, where nobody reads its messages: it
// needs nothing but the Qt the package already brings, and none of the
// program's own files, which may be what is missing.
#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();  // Qt's own options taken out
    if (args.size() != 2) return 2;
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Vostrelle"), args.at(1), QMessageBox::Ok);
    box.exec();
    return 0;
}
