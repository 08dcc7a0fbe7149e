// Takes the pictures in docs/screenshots: each page of the main window and the
// units picker, as the display server shows them. Run it under X, for example
//   xvfb-run -a -s "-screen 0 1280x800x24" vaskiro-screenshots docs/screenshots
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <array>
#include <memory>
#include <utility>

#include "app/form_edits.h"
#include "app/main_form.h"
#include "app/units_picker.h"

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

// Saves without a dialog, so that the log pane shows what a save writes there.
class SaveTo : public vaskiro::app::DialogPrompts {
public:
    explicit SaveTo(QString fileName) : m_fileName(std::move(fileName)) {}
    QString askSaveFileName(QWidget*) override { return m_fileName; }

private:
    QString m_fileName;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    vaskiro::app::useDesignFont();

    vaskiro::app::TMainForm form(nullptr);
    QTemporaryDir scratch;
    form.setPrompts(std::make_unique<SaveTo>(scratch.filePath(QStringLiteral("site-a.dat"))));
    form.SaveButtonClick();
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
    auto* cov = form.findChild<vaskiro::config::NumericEdit*>(QStringLiteral("COVIncrementJvCalcEdit2"));
    cov->openCalculator();
    settle();
    const QRect area = form.frameGeometry().united(cov->findChild<QWidget*>(QStringLiteral("CalculatorPopup"))->frameGeometry());
    ok &= form.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height())
              .save(out.filePath(QStringLiteral("calculator.png")));
    QApplication::activePopupWidget()->close();

    // The picker with a unit of one of the longest names highlighted.
    form.SelectAnalogueUnitsButtonClick(1);
    form.unitsPicker()->findChild<QTableWidget*>(QStringLiteral("SelectAnalogueUnitsAdvStringGrid"))->setCurrentCell(11, 1);
    settle();
    ok &= save(form.unitsPicker(), out.filePath(QStringLiteral("units-picker.png")));
    QTextStream(stdout) << "font: " << form.font().family() << ' ' << form.font().pointSizeF()
                        << ", window " << form.width() << 'x' << form.height() << '\n';
    return ok ? 0 : 1;
}
