#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QTimer>

#include <exception>

#include "app/main_form.h"
#include "device/simulated_device.h"

namespace {

// The window against the built-in simulated device: Read and Write work end
// to end with no hardware, for demonstrations and training.
void useSimulatedDevice(vaskiro::app::TMainForm& form) {
    auto backend = std::make_unique<vaskiro::device::SimulatedBackend>();
    auto device = std::make_shared<vaskiro::device::SimulatedDevice>();
    device->setReplyDelay(std::chrono::milliseconds(1));  // about a full-speed USB device's pace
    backend->add("simulated", device);
    form.setDeviceBackend(std::move(backend));
    form.setWindowTitle(form.windowTitle() + QStringLiteral(" (simulated device)"));
}

// For start-up measurements (bench/startup_bench.cpp): with
// VASKIRO_EXIT_AFTER_SHOW=1 the program quits once the window has been
// painted for the first time.
class QuitAfterFirstPaint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        }
        return false;
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vaskiro-config"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Configuration utility of the VASKIRO BACnet interface."));
    parser.addHelpOption();
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Work with the built-in simulated device instead of hardware."));
    parser.addOption(simulate);
    parser.process(application);

    try {
        vaskiro::app::useDesignFont();
        // The main window creates the units picker, hidden, right after itself;
        // closing the main window ends the run.
        vaskiro::app::TMainForm mainForm;
        if (parser.isSet(simulate)) useSimulatedDevice(mainForm);
        if (qEnvironmentVariableIntValue("VASKIRO_EXIT_AFTER_SHOW") == 1)
            mainForm.installEventFilter(new QuitAfterFirstPaint(&mainForm));
        mainForm.show();
        QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QObject::tr("Error"), QString::fromStdString(error.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, QObject::tr("Error"), QString());
    }
    return 0;
}
