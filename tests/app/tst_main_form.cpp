// The main window: start-up state, the check-all buttons, the binding of the
// controls to the image, the checks of every setting and the close sequence.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <limits>
#include <utility>

#include "../setting_edges.h"
#include "app/pages/form_edits.h"
#include "core/configuration_image.h"
#include "app/pages/units_picker.h"
#include "fake_prompts.h"

using namespace vaskiro::core;
using namespace vaskiro::app;

static const QStringList kBoxFamilies{"InvertInputs", "InvertOutputs", "OutputStartStatus"};

class TstMainForm : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestWindow> w;

    QLineEdit* edit(const QString& name) const { return w->find<QLineEdit>(name); }
    QCheckBox* box(const QString& name) const { return w->find<QCheckBox>(name); }
    void setAddresses(const QStringList& ip, const QStringList& gateway, const QStringList& mask) {
        for (int i = 0; i < 4; ++i) {
            edit(QString("IPAddr%1Edit").arg(i + 1))->setText(ip[i]);
            edit(QString("GateWayAddr%1Edit").arg(i + 1))->setText(gateway[i]);
            edit(QString("SubMaskAddr%1Edit").arg(i + 1))->setText(mask[i]);
        }
    }
    ImageBytes& bytes() { return w->form->image().bytes(); }
    bool bytesAre(std::size_t at, std::initializer_list<std::uint8_t> expected) {
        return std::equal(expected.begin(), expected.end(), bytes().begin() + static_cast<long>(at));
    }

private slots:
    void init() { w = std::make_unique<TestWindow>(); }
    void cleanup() { w.reset(); }

    // Without a device on this machine, Read and Write search the real HID devices and say so.
    void startUpShowsTheDefaultsAndNoDeviceIsFound() {
        QCOMPARE(w->form->windowTitle(), QString("VASKIRO BACnet Interface Version 1.00"));
        QCOMPARE(w->find<QTabWidget>("PageControl1")->currentWidget()->objectName(), QString("GeneralAdvTabSheet"));
        QVERIFY(w->find<QPushButton>("HelpButton")->isHidden() && w->form->unitsPicker()->isHidden());
        QCOMPARE(QStringList({edit("IPAddr1Edit")->text(), edit("InputNameEdit16")->text(),
                              edit("SelectAnalogueUnitsEdit8")->text()}),
                 QStringList({"192", "Input 16", "No Units"}));
        const ImageBytes before = bytes();
        QTest::mouseClick(w->find<QPushButton>("WriteButton"), Qt::LeftButton);
        QTest::mouseClick(w->find<QPushButton>("ReadButton"), Qt::LeftButton);
        QCOMPARE(bytes(), before);
        QCOMPARE(w->prompts->errors, QStringList({"Cannot find VASKIRO", "Cannot find VASKIRO"}));
        QCOMPARE(w->logLines().filter("USB cable").size(), 2);
    }

    void tabOrderFollowsTheScreen() {
        QStringList expected{"DHCPEnableJvCheckBox"};
        for (const char* address : {"IPAddr", "GateWayAddr", "SubMaskAddr"})
            for (int i = 1; i <= 4; ++i) expected << QString("%1%2Edit").arg(address).arg(i);
        for (const char* name : {"BacnetPortCSpinEdit", "DeviceNameEdit", "ObjectIdentifierEdit", "LocationEdit",
                                 "DescriptionEdit", "PasswordEdit", "LogMemo", "LoadButton", "SaveButton",
                                 "WriteButton", "ReadButton", "HelpButton", "ExitButton"})
            expected << name;
        QStringList chain;
        QWidget* first = w->find("DHCPEnableJvCheckBox");
        int steps = 0;  // the chain is a ring
        for (QWidget* at = first; chain.size() < expected.size() && ++steps < 1000; at = at->nextInFocusChain())
            if (expected.contains(at->objectName()) && !chain.contains(at->objectName())) chain << at->objectName();
        QCOMPARE(chain, expected);
    }

    void checkAllAndNone_data() {
        QTest::addColumn<QString>("family");
        for (const QString& family : kBoxFamilies) QTest::newRow(qPrintable(family)) << family;
    }
    void checkAllAndNone() {
        QFETCH(QString, family);
        auto checked = [&] {  // of every family, as "1"s and "0"s
            QString s;
            for (const QString& f : kBoxFamilies)
                for (int n = 1; n <= 16; ++n) s += box(f + "JvCheckBox" + QString::number(n))->isChecked() ? '1' : '0';
            return s;
        };
        for (const QString& f : kBoxFamilies) box(f + "JvCheckBox3")->setChecked(true);
        const QString before = checked();
        const int at = 16 * kBoxFamilies.indexOf(family);
        QTest::mouseClick(w->find<QPushButton>(family + "CheckAllButton"), Qt::LeftButton);
        QTest::mouseClick(w->find<QPushButton>(family + "CheckAllButton"), Qt::LeftButton);  // sets, never toggles
        QCOMPARE(checked(), QString(before).replace(at, 16, QString(16, '1')));
        QTest::mouseClick(w->find<QPushButton>(family + "CheckNoneButton"), Qt::LeftButton);
        QCOMPARE(checked(), QString(before).replace(at, 16, QString(16, '0')));
        QVERIFY(bytes()[layout::InvertInput + 2] == 0);  // not collected
    }

    // Typing stops at the limit; a text from a file or a device may be longer:
    // it is kept whole, may be shortened but not lengthened.
    void loadedTextLongerThanTheLimitIsKeptWhole() {
        ConfigurationImage& image = w->form->image();
        image.setName(NameGroup::Input, 1, std::string(31, 'N'));
        image.setText(TextField::DevicePassword, "fifteen-chars-x");
        const ImageBytes before = image.bytes();
        w->form->PopulateForm();
        QVERIFY(w->form->CollectForm());
        QCOMPARE(image.bytes(), before);
        QLineEdit* e = edit("InputNameEdit1");
        e->end(false);
        QTest::keyClicks(e, "y");
        QTest::keyClick(e, Qt::Key_Backspace);
        QTest::keyClicks(e, "yy");
        QCOMPARE(e->text(), QString(30, 'N'));
    }

    void badAddressesAreLoggedAndOctetsKeptFromTheFirstBadOne() {
        setAddresses({"300", "", "3", "4"}, {"5", "6", "7", "8x"}, {"+", "10", "11", "-1"});
        QVERIFY(!w->form->ValidateAddresses());
        QCOMPARE(w->logLines(), QStringList({"Invalid IP Address", "Invalid Gateway Address", "Invalid Submask"}));
        // Out of range is taken modulo 256; a bad octet keeps it and all after it, to the mask's end.
        setAddresses({"300", "2", "3", "4"}, {"5", "x", "7", "8"}, {"9", "10", "11", "12"});
        QVERIFY(w->form->CollectForm());
        QVERIFY(bytesAre(layout::IPAddress, {44, 2, 3, 4, 5, 168, 0, 1, 255, 255, 255, 0}));
        // Automatic address: the IP address is not checked, but still collected (so nothing changes).
        box("DHCPEnableJvCheckBox")->setChecked(true);
        setAddresses({"abc", "2", "3", "4"}, {"5", "6", "7", "8"}, {"9", "10", "11", "12"});
        QVERIFY(w->form->ValidateAddresses());
        QVERIFY(w->form->CollectForm());
        QVERIFY(bytesAre(layout::IPAddress, {44, 2, 3, 4, 5, 168, 0, 1}) && bytes()[layout::DHCPEnable] == 1);
    }

    // The window's checks hold the limits of the table that set and the worklist are tried against.
    void everySettingsChecksHoldTheToolsLimits() {
        QMap<QString, QString> controls;  // each setting's control: pairs of words
        const QStringList words =
            QString(
                "ip IPAddr%1Edit gateway GateWayAddr%1Edit mask SubMaskAddr%1Edit port BacnetPortCSpinEdit object-id "
                "ObjectIdentifierEdit name DeviceNameEdit location LocationEdit description DescriptionEdit password "
                "PasswordEdit input-name InputNameEdit output-name OutputNameEdit analogue-name AnalogueNameEdit "
                "analogue-scaling AnalogueScalingJvCalcEdit analogue-cov COVIncrementJvCalcEdit")
                .split(' ');
        for (int i = 0; i < words.size(); i += 2) controls[words[i]] = words[i + 1];
        for (const vaskiro::core::Setting& setting : vaskiro::core::allSettings())
            for (const SettingEdge& edge : kSettingEdges) {
                if (!edge.covers(setting.key) || edge.verdicts[1] == '-') continue;
                const QString key = QString::fromStdString(setting.key), value = QString::fromStdString(edge.value);
                const QString name = controls[key.section('.', 0, 0)] + key.section('.', 1);  // channel N's ends in N
                w->form->PopulateForm();
                bool taken = false;
                if (name.contains("Addr")) {
                    for (int i = 0; i < 4; ++i) edit(name.arg(i + 1))->setText(value.split('.')[i]);
                    taken = w->form->ValidateAddresses();
                } else if (auto* number = w->find<NumericEdit>(name)) {
                    taken = number->offer(value);
                } else {  // typed: the identifier's int32 limit is collectForm's (typedNumbers)
                    auto* e = name.contains("Spin") ? w->find<QSpinBox>(name)->findChild<QLineEdit*>() : edit(name);
                    e->selectAll();
                    for (QChar c : value) QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, QString(c), {});
                    taken = e->text() == value;
                }
                QVERIFY2(taken == (edge.verdicts[1] == 'y'), qPrintable(key + "=" + value));
            }
    }

    // Flags above 1, undefined units, floats that print badly and a renamed
    // text's old tail all survive showing and collecting.
    void showThenCollectKeepsTheImage() {
        ConfigurationImage& image = w->form->image();
        bytes()[layout::InvertInput + 4] = 2;
        image.setAnalogueUnitCode(1, 62);
        image.setAnalogueUnitCode(2, 190);
        const float values[] = {0.1f, -0.0f, std::numeric_limits<float>::infinity(),
                                std::numeric_limits<float>::denorm_min()};
        for (int n = 1; n <= 4; ++n) image.setAnalogueValue(FloatGroup::COVIncrement, n, values[n - 1]);
        w->form->PopulateForm();
        QStringList shown;
        for (const char* name : {"SelectAnalogueUnitsEdit1", "SelectAnalogueUnitsEdit2", "COVIncrementJvCalcEdit1",
                                 "COVIncrementJvCalcEdit2", "COVIncrementJvCalcEdit3", "COVIncrementJvCalcEdit4"})
            shown << edit(name)->text();
        QCOMPARE(shown, QStringList({"Degrees Celsius", "", "0.1", "-0", "inf", "1e-45"}));
        edit("InputNameEdit12")->setText("Pump");
        const ImageBytes before = bytes();
        QVERIFY(w->form->CollectForm());
        QCOMPARE(std::exchange(bytes()[layout::InvertInput + 4], 2), 1);
        QVERIFY(
            bytesAre(layout::InputName + 11 * layout::TextSize, {'P', 'u', 'm', 'p', 0x00, 0x20, 0x31, 0x32, 0x00}));
        QVERIFY(std::equal(before.begin() + layout::DHCPEnable, before.end(), bytes().begin() + layout::DHCPEnable));
    }

    void typedNumbers() {
        QLineEdit* e = edit("AnalogueScalingJvCalcEdit2");
        e->selectAll();
        QTest::keyClicks(e, "2.5e3x");  // the letter is refused (and inf, in everySettingsChecksHoldTheToolsLimits)
        QCOMPARE(e->text(), QString("2.5e3"));
        QVERIFY(w->form->CollectForm());
        e->setText("1e");  // half typed: the last good value stands

        auto* id = edit("ObjectIdentifierEdit");
        id->clear();
        QTest::keyClicks(id, "12a-3");
        QCOMPARE(id->text(), QString("123"));
        w->form->image().setObjectIdentifier(0x80000000u);
        w->form->PopulateForm();
        QCOMPARE(id->text(), QString("2147483648"));
        w->find<QSpinBox>("BacnetPortCSpinEdit")->setValue(99);
        edit("LocationEdit")->setText("Mars");
        QCOMPARE(w->form->CollectForm().error(), std::string("'2147483648' is not a valid integer value"));
        // Collected up to the identifier: the port and the scaling, not the location after it.
        QCOMPARE(w->form->image().bacnetPort(), 99);
        QCOMPARE(w->form->image().analogueValue(FloatGroup::AnalogueScaling, 2), 2500.0f);
        QCOMPARE(w->form->image().text(TextField::Location), std::string("Earth"));
    }

    void closeIsRefusedUntilTheIdentifierIsANumber() {
        edit("ObjectIdentifierEdit")->clear();
        edit("IPAddr2Edit")->clear();  // an empty octet does not stop the close
        QVERIFY(!w->form->close());
        QTest::mouseClick(w->find<QPushButton>("ExitButton"), Qt::LeftButton);
        QVERIFY(w->form->isVisible());
        QCOMPARE(w->prompts->errors.size(), 2);
        for (const QString& error : w->prompts->errors) QVERIFY(error.startsWith("'' is not a valid integer value\n"));
        edit("ObjectIdentifierEdit")->setText("4194303");
        edit("DeviceNameEdit")->setText("Closing");
        QTest::mouseClick(w->find<QPushButton>("ExitButton"), Qt::LeftButton);
        QVERIFY(!w->form->isVisible() && w->prompts->errors.size() == 2);
        QCOMPARE(w->form->image().objectIdentifier(), 4194303u);  // collected on the way out
        QCOMPARE(w->form->image().text(TextField::DeviceName), std::string("Closing"));
    }
};

QTEST_MAIN(TstMainForm)
#include "tst_main_form.moc"
