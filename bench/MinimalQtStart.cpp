// The yardstick of the start-up benchmark: the least a Qt Widgets program does to show a dialog
// (an application object, one dialog opened and closed again), started and ended as a process.
#include <QApplication>
#include <QDialog>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle("start");
    QTimer::singleShot(0, &dialog, &QDialog::reject);
    return dialog.exec() == QDialog::Rejected ? 0 : 1;
}
