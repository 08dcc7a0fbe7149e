// Takes the pictures in docs/screenshots: each page of the main window, the
// units picker and the worklist view, as the display server shows them, and a
// handover sheet as PDF. Run it under X, for example
//   xvfb-run -a -s "-screen 0 1280x800x24" vaskiro-screenshots docs/screenshots
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QLabel>
#include <QLineEdit>

#include <array>
#include <atomic>
#include <memory>
#include <thread>
#include <utility>

#include "app/commissioning/commission_dialog.h"
#include "app/pages/form_edits.h"
#include "app/main_form.h"
#include "app/commissioning/print_sheet_dialog.h"
#include "app/checkout/point_checkout_action.h"
#include "bacnet/simulated/simulated_responder.h"
#include "app/pages/units_picker.h"
#include "core/data_file.h"
#include "device/backend_choice.h"

namespace {

// Lets the window manager, if any, and the painting catch up.
void settle() {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 500) QApplication::processEvents(QEventLoop::AllEvents, 50);
}

bool save(QWidget* window, const QString& path) {
    QPixmap shot = window->screen()->grabWindow(window->winId());
    if (shot.isNull()) shot = window->grab();  // platforms that cannot read the screen
    return shot.save(path);
}

// Waits (painting) until `done`, at most ten seconds; whether it came.
template <class Done>
bool settleUntil(Done done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    settle();
    return done();
}

// The point checkout against a simulated network device on a loopback port, a few points moved and checked.
bool checkoutPicture(vaskiro::app::TMainForm& form, const QDir& out) {
    vaskiro::core::ConfigurationImage image;
    image.SetDefaults();
    for (int n = 1; n <= 8; ++n) image.setAnalogueValue(vaskiro::core::FloatGroup::COVIncrement, n, 0.1);
    std::string note;
    auto opened = vaskiro::bacnet::SimulatedResponder::open(image, {}, {{127, 0, 0, 1}, 0}, note);
    if (!opened) return false;
    auto& responder = *opened;
    std::atomic<bool> stop{false};
    std::thread serving([&] { responder->serve(stop, std::chrono::steady_clock::time_point::max()); });
    const QStringList octets{"127", "0", "0", "1"};
    for (int i = 0; i < 4; ++i)
        form.findChild<QLineEdit*>(QStringLiteral("IPAddr%1Edit").arg(i + 1))->setText(octets[i]);
    form.findChild<QSpinBox*>(QStringLiteral("BacnetPortCSpinEdit"))->setValue(responder->endpoint().port);
    form.findChild<QPushButton*>(QStringLiteral("PointCheckoutButton"))->click();
    auto* view = form.findChild<vaskiro::app::PointCheckoutAction*>(QStringLiteral("PointCheckoutAction"))->view();
    auto* status = view->findChild<QLabel*>(QStringLiteral("CheckoutStatus"));
    settleUntil([&] { return status->text().contains(QStringLiteral("by COV")); });
    responder->change([](vaskiro::bacnet::SimulatedPoints& points) {
        for (int n : {1, 4, 5, 9}) points.setInput(n, true);
        for (int n = 1; n <= 8; ++n) points.setAnalogue(n, 18.5f + 0.7f * static_cast<float>(n));
    });
    for (int n : {1, 2, 3, 4}) view->findChild<QCheckBox*>(QStringLiteral("InputChecked%1").arg(n))->setChecked(true);
    view->findChild<QPushButton*>(QStringLiteral("OutputOn2"))->click();
    auto* held = view->findChild<QLabel*>(QStringLiteral("HeldOutputs"));
    settleUntil([&] { return held->text().contains(QStringLiteral("output.2")); });
    const bool ok = save(view, out.filePath(QStringLiteral("checkout.png")));
    view->findChild<QPushButton*>(QStringLiteral("OutputRelease2"))->click();
    settleUntil([&] { return !held->text().contains(QStringLiteral("output.2")); });
    view->close();
    stop = true;
    serving.join();
    return ok;
}

// Saves without a dialog, so that the log pane shows what a save writes there.
class SaveTo : public vaskiro::app::DialogPrompts {
public:
    explicit SaveTo(QString fileName) : m_fileName(std::move(fileName)) {}
    QString askSaveFileName(QWidget*) override { return m_fileName; }

private:
    QString m_fileName;
};

// The worklist view while row 2 is written, row 1 done; then the sheets of
// the record as PDF (sheet.pdf, for pdftoppm to turn into a picture).
bool commissionPictures(const QDir& out) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("devices"));
    vaskiro::core::ConfigurationImage base;
    base.SetDefaults();
    if (!vaskiro::core::writeDataFile(dir.filePath(QStringLiteral("base.dat")).toStdString(), base)) return false;
    QFile list(dir.filePath(QStringLiteral("ahu.csv")));
    list.open(QIODevice::WriteOnly);
    list.write(
        "tag,ip,object-id,name,location,analogue-unit.1\n"
        "AHU-1,10.20.0.101,20001,AHU 1,Plant room 1,Degrees Celsius\n"
        "AHU-2,10.20.0.102,20002,AHU 2,Plant room 1,Degrees Celsius\n"
        "AHU-3,10.20.0.103,20003,AHU 3,\"Roof, east\",Degrees Celsius\n");
    list.close();
    using vaskiro::device::BackendChoice;
    vaskiro::app::TMainForm form(vaskiro::device::makeSimulatedBackend(
        {BackendChoice::Kind::SimulatedFolder, dir.filePath(QStringLiteral("devices")).toStdString()},
        std::chrono::milliseconds(20)));
    form.show();
    form.findChild<QPushButton*>(QStringLiteral("CommissionButton"))->click();
    auto* dialog = form.commissionDialog();
    dialog->findChild<QLineEdit*>(QStringLiteral("WorklistEdit"))->setText(list.fileName());
    dialog->findChild<QLineEdit*>(QStringLiteral("BaseEdit"))->setText(dir.filePath(QStringLiteral("base.dat")));
    dialog->StartButtonClick();
    auto* prompt = dialog->findChild<QLabel*>(QStringLiteral("CommissionPrompt"));
    auto plug = [&](const char* serial) {
        QFile(dir.filePath(QStringLiteral("devices/") + serial)).open(QIODevice::WriteOnly);
    };
    plug("20501");
    bool ok = settleUntil([&] { return prompt->text() == QStringLiteral("Disconnect the device"); });
    QFile::remove(dir.filePath(QStringLiteral("devices/20501")));
    ok &= settleUntil([&] { return prompt->text().startsWith(QStringLiteral("Connect device for row 2")); });
    plug("20502");
    ok &= settleUntil([&] { return prompt->text().startsWith(QStringLiteral("Writing row 2")); });
    ok &= save(dialog, out.filePath(QStringLiteral("commission.png")));
    ok &= settleUntil([&] { return prompt->text() == QStringLiteral("Disconnect the device"); });
    dialog->PrintSheetButtonClick();
    auto* sheet = dialog->findChild<vaskiro::app::PrintSheetDialog*>(QStringLiteral("PrintSheetDialog"));
    ok &= sheet && sheet->saveAsPdf(out.filePath(QStringLiteral("sheet.pdf")));
    return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    vaskiro::app::useDesignFont();

    vaskiro::app::TMainForm form(nullptr);
    QTemporaryDir scratch;
    form.setPrompts(std::make_unique<SaveTo>(scratch.filePath(QStringLiteral("site-a.dat"))));
    form.findChild<QPushButton*>(QStringLiteral("SaveButton"))->click();
    form.setPrompts(nullptr);
    form.show();
    auto* pages = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    const std::array<const char*, 4> names = {"general", "inputs", "outputs", "analogues"};
    bool ok = true;
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        pages->setCurrentIndex(i);
        settle();
        ok &= save(&form, out.filePath(QLatin1String(names[static_cast<std::size_t>(i)]) + ".png"));
    }
    // The calculator is a window of its own: the picture is of the screen
    // under the window and the popup.
    auto* cov = form.findChild<vaskiro::app::NumericEdit*>(QStringLiteral("COVIncrementJvCalcEdit2"));
    cov->openCalculator();
    settle();
    const QRect area =
        form.frameGeometry().united(cov->findChild<QWidget*>(QStringLiteral("CalculatorPopup"))->frameGeometry());
    ok &= form.screen()
              ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
              .save(out.filePath(QStringLiteral("calculator.png")));
    QApplication::activePopupWidget()->close();

    // The picker with a unit of one of the longest names highlighted.
    form.SelectAnalogueUnitsButtonClick(1);
    form.unitsPicker()
        ->findChild<QTableWidget*>(QStringLiteral("SelectAnalogueUnitsAdvStringGrid"))
        ->setCurrentCell(11, 1);
    settle();
    ok &= save(form.unitsPicker(), out.filePath(QStringLiteral("units-picker.png")));
    ok &= commissionPictures(out);
    ok &= checkoutPicture(form, out);
    QTextStream(stdout) << "font: " << form.font().family() << ' ' << form.font().pointSizeF() << ", window "
                        << form.width() << 'x' << form.height() << '\n';
    return ok ? 0 : 1;
}
