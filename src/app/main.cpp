#include <QApplication>
#include <QMessageBox>

#include <exception>

#include "app/main_form.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    try {
        vaskiro::app::useDesignFont();
        // The main window creates the units picker, hidden, right after itself;
        // closing the main window ends the run.
        vaskiro::app::TMainForm mainForm;
        mainForm.show();
        QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QObject::tr("Error"), QString::fromStdString(error.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, QObject::tr("Error"), QString());
    }
    return 0;
}
