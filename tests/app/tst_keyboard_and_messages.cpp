// What a technician meets at the keyboard and through a screen reader: names
// of the controls, page and button keys, the Tab walk, the picker's keys,
// decimal commas, the port's range, the refused close, widths, and the help.
#include <QAbstractButton>
#include <QLabel>
#include <QShortcut>
#include <QLineEdit>
#include <QPushButton>
#include <QAccessible>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QSignalSpy>
#include <QTest>

#include "app/commissioning/commission_dialog.h"
#include "app/commissioning/print_sheet_dialog.h"
#include "app/pages/units_picker.h"
#include "fake_prompts.h"

using namespace vaskiro;

class TstKeyboardAndMessages : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWindow> w;
    QLineEdit* edit(const QString& name) const { return w->find<QLineEdit>(name); }
    template <class T>
    T* inPicker(const char* name) const {
        return w->form->unitsPicker()->findChild<T*>(name);
    }
    QTabWidget* pages() const { return w->find<QTabWidget>("PageControl1"); }
    // What a screen reader calls each focusable control under `node`.
    static void collectNames(QAccessibleInterface* node, QMap<QObject*, QString>& names) {
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            if (qobject_cast<QWidget*>(child->object()) && child->state().focusable && !child->state().invisible)
                names[child->object()] = child->text(QAccessible::Name);
            collectNames(child, names);
        }
    }

private slots:
    void init() {
        w = std::make_unique<TestWindow>();
        QVERIFY(QTest::qWaitForWindowActive(w->form.get()));
    }

    void everyControlHasANameOfItsOwn() {
        QMap<QObject*, QString> named;
        w->form->ApplyAnalogueUnit(5, 62);  // the Select button tells the unit it would change
        for (int page = 0; page < 4; ++page)
            pages()->setCurrentIndex(page), collectNames(QAccessible::queryAccessibleInterface(w->form.get()), named);
        w->form->SelectAnalogueUnitsButtonClick(5);
        collectNames(QAccessible::queryAccessibleInterface(w->form->unitsPicker()), named);
        for (auto [control, name] : named.asKeyValueRange())
            QVERIFY2(named.values().count(name) == 1 && !QRegularExpression("^[0-9]*$").match(name).hasMatch(),
                     qPrintable(control->objectName()));
        for (const char* name : {"IP address, octet 2", "Input 3 name", "Output 7 inverted", "Output 7 on at start-up",
                                 "Select units for analogue 6, currently Degrees Celsius", "Log", "Engineering units"})
            QVERIFY2(named.values().contains(name), name);
        QCOMPARE(w->find("DeviceNameEdit")->accessibleDescription(), QString("up to 24 characters"));
    }
    // From General: the page keys wherever the focus is, and the mnemonics.
    void keys_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("button");  // the one the keys click
        const std::pair<const char*, int> paging[] = {
            {"Ctrl+Tab", 1},  {"Ctrl+PgDown", 1}, {"Ctrl+Shift+Tab", 3}, {"Ctrl+Shift+Backtab", 3},
            {"Ctrl+PgUp", 3}, {"Alt+O", 2},       {"Alt+A, Alt+I", 1},   {"Alt+A, Alt+G", 0}};
        for (const char* at : {"LoadButton", "SaveButton", "WriteButton", "ReadButton", "ExitButton",
                               "CheckNetworkButton", "LogMemo", "IPAddr2Edit", "BacnetPortCSpinEdit"})
            for (auto [keys, page] : paging) QTest::addRow("%s %s", at, keys) << at << QKeySequence(keys) << page << "";
        for (auto [caption, letter, button] : {std::tuple{"Load File", 'L', "LoadButton"},
                                               {"Save File", 'S', "SaveButton"},
                                               {"Write To VASKIRO", 'W', "WriteButton"},
                                               {"Read From VASKIRO", 'R', "ReadButton"},
                                               {"Exit", 'X', "ExitButton"}})
            QTest::newRow(caption) << "IPAddr2Edit" << QKeySequence(QString("Alt+") + letter) << 0 << button;
    }
    void keys() {
        QFETCH(QString, from);
        QFETCH(QKeySequence, keys);
        QFETCH(QString, button);
        QSignalSpy clicked(w->find<QPushButton>(button.isEmpty() ? "LoadButton" : button), &QPushButton::clicked);
        w->find(from)->setFocus();
        QTest::keySequence(QApplication::focusWidget(), keys);
        QTRY_COMPARE(clicked.count(), button.isEmpty() ? 0 : 1);
        QVERIFY(button.isEmpty() || w->find<QPushButton>(button)->text().remove('&') == QTest::currentDataTag());
        QTEST(pages()->currentIndex(), "page");
    }
    // Tab goes round each page's controls, the panel and Check on Network,
    // back to the page tabs; the unit edits are left to their Select buttons.
    void tabGoesRoundEveryPage() {
        for (int page = 0; page < 4; ++page) {
            pages()->setCurrentIndex(page);
            pages()->setFocus();  // on the page tabs
            QList<QWidget*> walk;
            do walk << QApplication::focusWidget(), QTest::keyClick(walk.last(), Qt::Key_Tab);
            while (QApplication::focusWidget() != pages()->focusProxy() && walk.size() < 200);
            for (QWidget* control : w->form->findChildren<QWidget*>())
                if (control->isVisible() && (control->focusPolicy() & Qt::TabFocus) && !control->focusProxy())
                    QVERIFY2(walk.contains(control), qPrintable(control->objectName()));
            QCOMPARE(walk.indexOf(w->find("CheckNetworkButton")), walk.indexOf(w->find("ExitButton")) + 1);
            QVERIFY(walk.size() < 200 && !walk.contains(w->find("SelectAnalogueUnitsEdit1")));
        }
    }
    void pickerDoubleClickChooses() {
        w->form->SelectAnalogueUnitsButtonClick(4);
        auto* grid = inPicker<QTableWidget>("SelectAnalogueUnitsAdvStringGrid");
        grid->scrollToItem(grid->item(9, 1));
        const QPoint newton = grid->visualItemRect(grid->item(9, 1)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, newton);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, newton);
        QVERIFY(edit("SelectAnalogueUnitsEdit4")->text() == "Newton" && !w->form->unitsPicker()->isVisible());
    }
    void pickerKeys_data() {
        QTest::addColumn<uint>("unit");  // channel 1's when the picker opens
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("typed");  // '|' is a pause
        QTest::addColumn<QString>("chosen");
        const std::tuple<const char*, uint, const char*, const char*, const char*> rows[] = {
            {"right into the next row", 166, "Right", "", "Square Meters"},
            {"left into the row above", 0, "Left", "", "Meters Per Second Per Second"},
            {"down onto a shorter row's end", 19, "Down", "", "BTUs Per Pound"},
            {"last to first", 141, "Right", "", "Meters Per Second Per Second"},
            {"ctrl+end", 62, "Ctrl+End", "", "Watts Per Square Meter Degree Kelvin"},
            {"page down, up, home", 63, "PgDown, PgDown, Up, Home", "", "Newton Seconds"},
            {"escape keeps", 95, "Left, Escape", "", "No Units"},
            {"kil again", 129, "", "kil|kil", "Kilograms Per Second"},
            {"more letters", 39, "", "kilograms per h", "Kilograms Per Hour"},
            {"round the end", 186, "", "KIL", "Kilohms"}};
        for (auto [name, unit, keys, typed, chosen] : rows)
            QTest::newRow(name) << unit << QKeySequence(keys) << QString(typed) << QString(chosen);
    }
    void pickerKeys() {
        QFETCH(QKeySequence, keys);
        QFETCH(QString, typed);
        QFETCH(uint, unit);
        w->form->ApplyAnalogueUnit(0, unit);
        w->form->SelectAnalogueUnitsButtonClick(1);
        auto* grid = inPicker<QTableWidget>("SelectAnalogueUnitsAdvStringGrid");
        QTRY_VERIFY(grid->hasFocus());  // the keys start on the channel's unit
        // The unit in view, and no unit column cut at the left.
        QVERIFY(grid->viewport()->rect().contains(grid->visualItemRect(grid->currentItem())) &&
                grid->columnViewportPosition(grid->columnAt(0)) == 0);
        QTest::keyClick(grid, Qt::Key_Tab);
        QVERIFY(!grid->hasFocus());  // Tab leaves the grid, and Shift+Tab comes back
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QTest::keySequence(grid, keys);
        for (const QString& letters : typed.split('|'))
            QTest::keyClicks(grid, letters), QTest::qWait(QApplication::keyboardInputInterval() + 100);
        if (w->form->unitsPicker()->isVisible()) QTest::keyClick(grid, Qt::Key_Return);  // Escape leaves nothing to do
        QTEST(edit("SelectAnalogueUnitsEdit1")->text(), "chosen");
    }
    void aDecimalCommaIsTypedAsAPoint() {
        QWidget* edit = w->find("AnalogueScalingJvCalcEdit1");
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, "-1,25e2");
        QCOMPARE(edit->property("text").toString(), QString("-1.25e2"));
    }
    void portFromAFileIsKept() {
        w->form->image().setBacnetPort(70000);
        w->form->PopulateForm();
        QVERIFY(w->form->CollectForm());
        QCOMPARE(w->form->image().bacnetPort(), 70000);
        auto* port = w->find<QSpinBox>("BacnetPortCSpinEdit");
        port->setValue(65535), port->stepUp();
        QCOMPARE(port->value(), 65535);
    }
    void closeNamesTheObjectIdentifier() {
        w->find<QTabWidget>("PageControl1")->setCurrentIndex(2);
        edit("ObjectIdentifierEdit")->clear();
        QVERIFY(!w->form->close());
        QVERIFY(w->prompts->errors.last().startsWith("'' is not a valid integer value\nObject Identifier Number"));
        QVERIFY(w->find<QTabWidget>("PageControl1")->currentIndex() == 0 &&
                w->form->focusWidget() == edit("ObjectIdentifierEdit"));
    }
    void namesFitTheirEdits() {
        for (auto [page, name] : {std::pair{1, "InputNameEdit1"}, {3, "AnalogueNameEdit8"}}) {
            w->find<QTabWidget>("PageControl1")->setCurrentIndex(page);
            QTRY_VERIFY(edit(name)->width() >= edit(name)->fontMetrics().averageCharWidth() * 30);
        }
        QVERIFY(w->form->minimumSizeHint().width() <= 1017 && w->form->minimumSizeHint().height() <= 572);
        w->form->SelectAnalogueUnitsButtonClick(1);
        auto* chosen = inPicker<QLineEdit>("CurrentSelectionEdit");
        QTRY_VERIFY(chosen->width() >=
                    chosen->fontMetrics().horizontalAdvance("Grams Of Water Per Kilogram Dry Air") + 4);
    }
    void helpSaysWhatTheWindowDoes() {
        QFile general(VASKIRO_HELP_SOURCE_DIR "/general.html"), analogues(VASKIRO_HELP_SOURCE_DIR "/analogues.html");
        QVERIFY(general.open(QIODevice::ReadOnly) && analogues.open(QIODevice::ReadOnly));
        QVERIFY(!general.readAll().contains("wraps round") && analogues.readAll().contains("comma is taken as"));
    }
    // The help's keyboard page lists every shortcut and Alt key of the window and its dialogs, each in the
    // section of its own window.
    void helpListsEveryKeyOfEachWindow() {
        QFile file(VASKIRO_HELP_SOURCE_DIR "/keyboard.html");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(file.readAll());
        const QRegularExpression mnemonic("&([^& ])");
        const auto keysOf = [&](QWidget* window) {
            QStringList keys;
            // Each window's own: the dialogs are children of the main window too.
            const auto own = [window](QWidget* widget) { return widget && widget->window() == window; };
            for (QShortcut* shortcut : window->findChildren<QShortcut*>())
                for (const QKeySequence& key : shortcut->keys())
                    if (own(qobject_cast<QWidget*>(shortcut->parent())))
                        keys << key.toString().replace("PgDown", "PgDn");
            for (QWidget* widget : window->findChildren<QWidget*>()) {
                const auto* button = qobject_cast<QAbstractButton*>(widget);
                const auto* label = qobject_cast<QLabel*>(widget);
                QString text = button ? button->text() : label && label->buddy() ? label->text() : "";
                if (auto found = mnemonic.match(text); own(widget) && found.hasMatch())
                    keys << "Alt+" + found.captured(1).toUpper();
            }
            keys.removeIf([](const QString& key) { return key.contains("Backtab"); });  // Shift+Tab's other name
            return keys;
        };
        w->find<QPushButton>("CommissionButton")->click();
        auto* commission = w->form->commissionDialog();
        vaskiro::app::PrintSheetDialog sheet(w->form.get(), {});
        const std::pair<QWidget*, QString> windows[] = {
            {w->form.get(), "window"}, {commission, "commission"}, {&sheet, "sheet"}};
        for (const auto& [window, name] : windows) {
            const auto at = page.indexOf("<a name=\"" + name + "\">");
            QVERIFY2(at > 0, qPrintable(name));
            const QString section = page.mid(at, page.indexOf("<h2>", at) - at);
            for (const QString& key : keysOf(window))
                QVERIFY2(section.contains("<kbd>" + key + "</kbd>"), qPrintable(name + ": " + key));
        }
    }
};

QTEST_MAIN(TstKeyboardAndMessages)
#include "tst_keyboard_and_messages.moc"
