// vaskiro-config: the window. Its main() is the composition root: it chooses
// the devices the window talks to (the machine's, or simulated ones) and
// hands them in.

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <exception>

#include "app/main_form.h"
#include "device/backend_choice.h"
#include "hid/hidapi_backend.h"

namespace {

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
    // --simulate takes an optional value, which QCommandLineParser cannot
    // express: the bare option and the =VALUE form are told apart here.
    QStringList arguments = QApplication::arguments();
    bool simulate = false;
    QString simulateValue;
    for (auto it = arguments.begin() + 1; it != arguments.end();) {
        if (*it == QLatin1String("--simulate") || it->startsWith(QLatin1String("--simulate="))) {
            simulate = true;
            simulateValue = it->section(QLatin1Char('='), 1);
            it = arguments.erase(it);
        } else {
            ++it;
        }
    }
    const QCommandLineOption simulateOption(QStringLiteral("simulate"),
                                            QString::fromUtf8(vaskiro::device::kSimulateOptionHelp.data(),
                                                              qsizetype(vaskiro::device::kSimulateOptionHelp.size())),
                                            QStringLiteral("STATE|FOLDER"));
    const QCommandLineOption deviceOption(QStringLiteral("device"),
                                          QString::fromUtf8(vaskiro::device::kDeviceOptionHelp.data(),
                                                            qsizetype(vaskiro::device::kDeviceOptionHelp.size())),
                                          QStringLiteral("PATH"));
    parser.addOption(simulateOption);
    parser.addOption(deviceOption);
    parser.process(arguments);

    using vaskiro::device::BackendChoice;
    const auto chosen = vaskiro::device::chooseBackend(simulate, simulateValue.toStdString());
    if (!chosen) {  // as QCommandLineParser reports a bad option
        std::fprintf(stderr, "%s\n", chosen.error().c_str());
        return 2;
    }
    const BackendChoice& choice = *chosen;
    try {
        vaskiro::app::useDesignFont();
        // A simulated device answers at about a full-speed USB device's pace.
        std::unique_ptr<vaskiro::device::HidBackend> devices =
            choice.kind == BackendChoice::Kind::Hardware && !vaskiro::device::hardwareBarred()
                ? vaskiro::hid::makeHidapiBackend()
                : vaskiro::device::makeSimulatedBackend(choice, std::chrono::milliseconds(1));
        // The main window creates the units picker, hidden, right after itself;
        // closing the main window ends the run.
        vaskiro::app::TMainForm mainForm(std::move(devices));
        mainForm.setDevicePath(parser.value(deviceOption).toStdString());
        mainForm.setWindowTitle(mainForm.windowTitle() +
                                QString::fromStdString(vaskiro::device::simulationTitle(choice)));
        if (qEnvironmentVariableIntValue("VASKIRO_EXIT_AFTER_SHOW") == 1)
            mainForm.installEventFilter(new QuitAfterFirstPaint(&mainForm));
        mainForm.show();
        return QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QObject::tr("Error"), QString::fromStdString(error.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, QObject::tr("Error"), QObject::tr("An unexpected error ended the program."));
    }
    return 1;
}
