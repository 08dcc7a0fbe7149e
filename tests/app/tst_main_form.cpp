// The main window: start-up state, the check-all buttons, the binding of the
// controls to the image, address validation and the close sequence.
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

#include "core/configuration_image.h"
#include "core/str_to_int.h"
#include "fake_prompts.h"
#include "app/units_picker.h"

using namespace vaskiro::config;

static const QStringList kBoxFamilies{"InvertInputsJvCheckBox", "InvertOutputsJvCheckBox",
                                      "OutputStartStatusJvCheckBox"};

class TstMainForm : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestWindow> w;

    QLineEdit* edit(const QString& name) const { return w->find<QLineEdit>(name); }
    QCheckBox* box(const QString& name) const { return w->find<QCheckBox>(name); }
    QStringList logLines() const {
        return w->find<QPlainTextEdit>("LogMemo")->toPlainText().split('\n', Qt::SkipEmptyParts);
    }
    void setAddresses(const QStringList& ip, const QStringList& gateway, const QStringList& mask) {
        for (int i = 0; i < 4; ++i) {
            edit(QString("IPAddr%1Edit").arg(i + 1))->setText(ip[i]);
            edit(QString("GateWayAddr%1Edit").arg(i + 1))->setText(gateway[i]);
            edit(QString("SubMaskAddr%1Edit").arg(i + 1))->setText(mask[i]);
        }
    }
    ImageBytes& bytes() { return w->form->image().bytes(); }

private slots:
    void init() { w = std::make_unique<TestWindow>(); }
    void cleanup() { w.reset(); }

    void startUpShowsTheDefaults() {
        QCOMPARE(w->form->windowTitle(), QString("VASKIRO BACnet Interface Version 1.00"));
        auto* pages = w->find<QTabWidget>("PageControl1");
        QCOMPARE(pages->currentWidget()->objectName(), QString("GeneralAdvTabSheet"));
        QStringList tabs;
        for (int i = 0; i < pages->count(); ++i) tabs << pages->tabText(i);
        QCOMPARE(tabs, QStringList({"General", "Inputs", "Outputs", "Analogues"}));
        QVERIFY(w->find<QPushButton>("HelpButton")->isHidden());
        QCOMPARE(w->form->unitsPicker()->objectName(), QString("SelectAnalogueUnitsForm"));
        QVERIFY(w->form->unitsPicker()->isHidden());

        const QStringList ip{"192", "168", "0", "6"}, gateway{"192", "168", "0", "1"}, mask{"255", "255", "255", "0"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(edit(QString("IPAddr%1Edit").arg(i + 1))->text(), ip[i]);
            QCOMPARE(edit(QString("GateWayAddr%1Edit").arg(i + 1))->text(), gateway[i]);
            QCOMPARE(edit(QString("SubMaskAddr%1Edit").arg(i + 1))->text(), mask[i]);
        }
        QVERIFY(!box("DHCPEnableJvCheckBox")->isChecked());
        auto* port = w->find<QSpinBox>("BacnetPortCSpinEdit");
        QCOMPARE(port->value(), 47808);
        QCOMPARE(port->minimum(), std::numeric_limits<int>::min());
        QCOMPARE(port->maximum(), std::numeric_limits<int>::max());
        QCOMPARE(edit("DeviceNameEdit")->text(), QString("VASKIRO"));
        QCOMPARE(edit("ObjectIdentifierEdit")->text(), QString("12345"));
        QCOMPARE(edit("LocationEdit")->text(), QString("Earth"));
        QCOMPARE(edit("DescriptionEdit")->text(), QString("BACnet Device"));
        QCOMPARE(edit("PasswordEdit")->text(), QString("Turnpike"));
        QCOMPARE(edit("PasswordEdit")->echoMode(), QLineEdit::Normal);
        for (int n = 1; n <= 16; ++n) {
            QCOMPARE(edit(QString("InputNameEdit%1").arg(n))->text(), QString("Input %1").arg(n));
            QCOMPARE(edit(QString("OutputNameEdit%1").arg(n))->text(), QString("Output %1").arg(n));
            for (const QString& family : kBoxFamilies) {
                QCheckBox* b = box(family + QString::number(n));
                QCOMPARE(b->text(), QString::number(n));
                QVERIFY(!b->isChecked());
            }
        }
        for (int n = 1; n <= 8; ++n) {
            QCOMPARE(edit(QString("AnalogueNameEdit%1").arg(n))->text(), QString("Analogue %1").arg(n));
            QCOMPARE(edit(QString("SelectAnalogueUnitsEdit%1").arg(n))->text(), QString("No Units"));
            QVERIFY(edit(QString("SelectAnalogueUnitsEdit%1").arg(n))->isReadOnly());
            QCOMPARE(edit(QString("AnalogueScalingJvCalcEdit%1").arg(n))->text(), QString("1"));
            QCOMPARE(edit(QString("COVIncrementJvCalcEdit%1").arg(n))->text(), QString("1024"));
        }
        QVERIFY(logLines().isEmpty());
    }

    void panelButtons() {
        const QStringList names{"LoadButton", "SaveButton", "WriteButton", "ReadButton", "HelpButton", "ExitButton"};
        const QStringList captions{"Load File", "Save File", "Write To VASKIRO", "Read From VASKIRO", "Help", "Exit"};
        auto* panel = w->find<QWidget>("Panel1");
        QVector<QPoint> places;
        for (int i = 0; i < names.size(); ++i) {
            auto* button = w->find<QPushButton>(names[i]);
            QCOMPARE(button->text(), captions[i]);
            QCOMPARE(button->parentWidget(), panel);
            places << button->geometry().topLeft();
        }
        // Three columns of two, top then bottom, left to right.
        for (int c = 0; c < 3; ++c) {
            QCOMPARE(places[2 * c].x(), places[2 * c + 1].x());
            QVERIFY(places[2 * c].y() < places[2 * c + 1].y());
            if (c > 0) QVERIFY(places[2 * c - 2].x() < places[2 * c].x());
        }
        // No device on this machine: both search the real HID devices and say so.
        const ImageBytes before = bytes();
        QTest::mouseClick(w->find<QPushButton>("WriteButton"), Qt::LeftButton);
        QTest::mouseClick(w->find<QPushButton>("ReadButton"), Qt::LeftButton);
        QCOMPARE(bytes(), before);
        QCOMPARE(w->prompts->errors, QStringList({"Cannot find VASKIRO", "Cannot find VASKIRO"}));
        QCOMPARE(logLines().filter("USB cable").size(), 2);
    }

    void tabOrderFollowsTheScreen() {
        QStringList expected{"DHCPEnableJvCheckBox"};
        for (const char* address : {"IPAddr", "GateWayAddr", "SubMaskAddr"})
            for (int i = 1; i <= 4; ++i) expected << QString("%1%2Edit").arg(address).arg(i);
        expected << "BacnetPortCSpinEdit" << "DeviceNameEdit" << "ObjectIdentifierEdit" << "LocationEdit"
                 << "DescriptionEdit" << "PasswordEdit" << "LogMemo" << "LoadButton" << "SaveButton"
                 << "WriteButton" << "ReadButton" << "HelpButton" << "ExitButton";
        QStringList chain;
        QWidget* first = w->find("DHCPEnableJvCheckBox");
        int steps = 0;  // the chain is a ring
        for (QWidget* at = first; chain.size() < expected.size() && ++steps < 1000; at = at->nextInFocusChain())
            if (expected.contains(at->objectName()) && !chain.contains(at->objectName())) chain << at->objectName();
        QCOMPARE(chain, expected);
    }

    void checkAllAndNone_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("all");
        QTest::addColumn<QString>("none");
        QTest::addColumn<QString>("allCaption");
        QTest::newRow("invert inputs") << "InvertInputsJvCheckBox" << "InvertInputsCheckAllButton"
                                       << "InvertInputsCheckNoneButton" << "Invert All";
        QTest::newRow("invert outputs") << "InvertOutputsJvCheckBox" << "InvertOutputsCheckAllButton"
                                        << "InvertOutputsCheckNoneButton" << "Invert All";
        QTest::newRow("output start") << "OutputStartStatusJvCheckBox" << "OutputStartStatusCheckAllButton"
                                      << "OutputStartStatusCheckNoneButton" << "All Active";
    }
    void checkAllAndNone() {
        QFETCH(QString, family);
        QFETCH(QString, all);
        QFETCH(QString, none);
        QFETCH(QString, allCaption);
        QCOMPARE(w->find<QPushButton>(all)->text(), allCaption);
        auto states = [&](const QString& f) {
            QVector<bool> s;
            for (int n = 1; n <= 16; ++n) s << box(f + QString::number(n))->isChecked();
            return s;
        };
        for (const QString& f : kBoxFamilies) box(f + "3")->setChecked(true);  // some already set
        const ImageBytes before = bytes();

        QTest::mouseClick(w->find<QPushButton>(all), Qt::LeftButton);
        QCOMPARE(states(family), QVector<bool>(16, true));
        QTest::mouseClick(w->find<QPushButton>(all), Qt::LeftButton);  // sets, never toggles
        QCOMPARE(states(family), QVector<bool>(16, true));
        QTest::mouseClick(w->find<QPushButton>(none), Qt::LeftButton);
        QCOMPARE(states(family), QVector<bool>(16, false));
        QVector<bool> onlyThird(16, false);
        onlyThird[2] = true;
        for (const QString& f : kBoxFamilies)
            if (f != family) QCOMPARE(states(f), onlyThird);
        QCOMPARE(bytes(), before);
    }

    void typingStopsAtTheLimit_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("limit");
        QTest::newRow("object name") << "DeviceNameEdit" << 24;
        QTest::newRow("location") << "LocationEdit" << 24;
        QTest::newRow("description") << "DescriptionEdit" << 24;
        QTest::newRow("password") << "PasswordEdit" << 12;
        QTest::newRow("input name") << "InputNameEdit1" << 30;
        QTest::newRow("output name") << "OutputNameEdit16" << 30;
        QTest::newRow("analogue name") << "AnalogueNameEdit8" << 30;
    }
    void typingStopsAtTheLimit() {
        QFETCH(QString, name);
        QFETCH(int, limit);
        QLineEdit* e = edit(name);
        e->selectAll();
        QTest::keyClicks(e, QString(40, 'x'));
        QCOMPARE(e->text(), QString(limit, 'x'));
    }

    void loadedTextLongerThanTheLimitIsKeptWhole() {
        const std::string name31(31, 'N');
        ConfigurationImage& image = w->form->image();
        image.setName(NameGroup::Input, 1, name31);
        image.setText(TextField::Description, name31);
        image.setText(TextField::DevicePassword, "fifteen-chars-x");
        const ImageBytes before = image.bytes();
        w->form->PopulateForm();
        QCOMPARE(edit("InputNameEdit1")->text(), QString(31, 'N'));
        QCOMPARE(edit("DescriptionEdit")->text(), QString(31, 'N'));
        QCOMPARE(edit("PasswordEdit")->text(), QString("fifteen-chars-x"));
        w->form->CollectForm();
        QCOMPARE(image.bytes(), before);

        // The user may shorten such a text but not lengthen it.
        QLineEdit* e = edit("InputNameEdit1");
        e->end(false);
        QTest::keyClick(e, Qt::Key_Y);
        QCOMPARE(e->text().size(), 31);
        QTest::keyClick(e, Qt::Key_Backspace);
        QTest::keyClicks(e, "yy");
        QCOMPARE(e->text(), QString(30, 'N'));
    }

    void outOfRangeOctet() {
        edit("IPAddr1Edit")->setText("300");
        edit("SubMaskAddr4Edit")->setText("-1");
        QVERIFY(!w->form->ValidateAddresses());
        QCOMPARE(logLines(), QStringList({"Invalid IP Address", "Invalid Submask"}));
        w->form->CollectForm();
        QCOMPARE(bytes()[layout::IPAddress], 44);
        QCOMPARE(bytes()[layout::SubnetMask + 3], 255);
        w->form->PopulateForm();
        QCOMPARE(edit("IPAddr1Edit")->text(), QString("44"));
        QCOMPARE(edit("SubMaskAddr4Edit")->text(), QString("255"));
    }

    void badOctetEndsTheAddressBlock() {
        // Automatic address: the IP address is not checked, but still collected.
        box("DHCPEnableJvCheckBox")->setChecked(true);
        setAddresses({"abc", "2", "3", "4"}, {"5", "6", "7", "8"}, {"9", "10", "11", "12"});
        w->find<QSpinBox>("BacnetPortCSpinEdit")->setValue(1234);
        edit("PasswordEdit")->setText("pw");
        QVERIFY(w->form->ValidateAddresses());
        QVERIFY(logLines().isEmpty());
        const ImageBytes before = bytes();
        w->form->CollectForm();
        QVERIFY(std::equal(before.begin(), before.begin() + 12, bytes().begin()));
        QCOMPARE(w->form->image().bacnetPort(), 1234);
        QCOMPARE(w->form->image().text(TextField::DevicePassword), std::string("pw"));
        QVERIFY(w->form->image().dhcpEnable());

        // A bad second gateway octet keeps that octet and all after it.
        setAddresses({"1", "2", "3", "4"}, {"5", "x", "7", "8"}, {"9", "10", "11", "12"});
        w->form->CollectForm();
        const std::array<std::uint8_t, 12> expected{1, 2, 3, 4, 5, 168, 0, 1, 255, 255, 255, 0};
        QVERIFY(std::equal(expected.begin(), expected.end(), bytes().begin()));
        QVERIFY(logLines().isEmpty());
    }

    void threeBadAddressesLogThreeLines() {
        setAddresses({"1", "", "3", "4"}, {"5", "6", "7", "8x"}, {"+", "10", "11", "12"});
        QVERIFY(!w->form->ValidateAddresses());
        QCOMPARE(logLines(), QStringList({"Invalid IP Address", "Invalid Gateway Address", "Invalid Submask"}));
        setAddresses({"1", "2", "3", "4"}, {"5", "6", "7", "8"}, {"9", "10", "11", "255"});
        QVERIFY(w->form->ValidateAddresses());
        QCOMPARE(logLines().size(), 3);  // never cleared
    }

    void renamedTextKeepsTheOldTail() {
        edit("InputNameEdit12")->setText("Pump");
        w->form->CollectForm();
        const std::size_t at = layout::InputName + 11 * layout::TextSize;
        const std::array<std::uint8_t, 9> expected{'P', 'u', 'm', 'p', 0x00, 0x20, 0x31, 0x32, 0x00};
        QVERIFY(std::equal(expected.begin(), expected.end(), bytes().begin() + static_cast<long>(at)));
        w->form->PopulateForm();
        QCOMPARE(edit("InputNameEdit12")->text(), QString("Pump"));
    }

    void textsUseWindows1252() {
        edit("LocationEdit")->setText(QString::fromUtf8("Zürich €"));
        w->form->CollectForm();
        QCOMPARE(w->form->image().text(TextField::Location), std::string("Z\xFCrich \x80"));
    }

    void flagsAndDhcp() {
        bytes()[layout::InvertInput + 4] = 2;
        bytes()[layout::OutputStartStatus + 15] = 0xFF;
        bytes()[layout::DHCPEnable] = 7;
        w->form->PopulateForm();
        QVERIFY(box("InvertInputsJvCheckBox5")->isChecked());
        QVERIFY(box("OutputStartStatusJvCheckBox16")->isChecked());
        QVERIFY(box("DHCPEnableJvCheckBox")->isChecked());
        w->form->CollectForm();
        QCOMPARE(bytes()[layout::InvertInput + 4], 1);
        QCOMPARE(bytes()[layout::OutputStartStatus + 15], 1);
        QCOMPARE(bytes()[layout::DHCPEnable], 1);
        box("DHCPEnableJvCheckBox")->setChecked(false);
        w->form->CollectForm();
        QCOMPARE(bytes()[layout::DHCPEnable], 0);
    }

    void unitNames() {
        ConfigurationImage& image = w->form->image();
        image.setAnalogueUnitCode(1, 62);
        image.setAnalogueUnitCode(2, 190);
        image.setAnalogueUnitCode(3, 0xFFFFFFFF);
        w->form->PopulateForm();
        QCOMPARE(edit("SelectAnalogueUnitsEdit1")->text(), QString("Degrees Celsius"));
        QCOMPARE(edit("SelectAnalogueUnitsEdit2")->text(), QString());
        QCOMPARE(edit("SelectAnalogueUnitsEdit3")->text(), QString());
        w->form->CollectForm();  // unit edits are never collected
        QCOMPARE(image.analogueUnitCode(2), 190u);
        w->form->ApplyAnalogueUnit(7, 98);
        QCOMPARE(image.analogueUnitCode(8), 98u);
        QCOMPARE(edit("SelectAnalogueUnitsEdit8")->text(), QString("Percent"));
    }

    void floatsSurviveShowAndCollect_data() {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("1024") << 1024.0f << "1024";
        QTest::newRow("0.1") << 0.1f << "0.1";
        QTest::newRow("1e-05") << 1e-05f << "1e-05";
        QTest::newRow("largest") << 3.4028235e38f << "3.4028235e+38";
        QTest::newRow("smallest denormal") << std::numeric_limits<float>::denorm_min() << "1e-45";
        QTest::newRow("negative zero") << -0.0f << "-0";
        QTest::newRow("2^24") << 16777216.0f << "16777216";
        QTest::newRow("one third") << 1.0f / 3.0f << "0.33333334";
        QTest::newRow("infinity") << std::numeric_limits<float>::infinity() << "inf";
    }
    void floatsSurviveShowAndCollect() {
        QFETCH(float, value);
        QFETCH(QString, shown);
        ConfigurationImage& image = w->form->image();
        for (int n = 1; n <= 8; ++n) {
            image.setAnalogueValue(FloatGroup::AnalogueScaling, n, value);
            image.setAnalogueValue(FloatGroup::COVIncrement, n, -value);
        }
        const ImageBytes before = image.bytes();
        w->form->PopulateForm();
        QCOMPARE(edit("AnalogueScalingJvCalcEdit3")->text(), shown);
        w->form->CollectForm();
        QCOMPARE(image.bytes(), before);
    }

    void typedNumbers() {
        QLineEdit* e = edit("AnalogueScalingJvCalcEdit2");
        e->selectAll();
        QTest::keyClicks(e, "2.5e3x");  // the letter is refused
        QCOMPARE(e->text(), QString("2.5e3"));
        e->selectAll();
        QTest::keyClicks(e, "inf");  // so is a number the device cannot scale by
        QCOMPARE(e->text(), QString("2.5e3"));
        w->form->CollectForm();
        QCOMPARE(w->form->image().analogueValue(FloatGroup::AnalogueScaling, 2), 2500.0f);
        e->setText("1e");  // half typed: the last good value stands
        w->form->CollectForm();
        QCOMPARE(w->form->image().analogueValue(FloatGroup::AnalogueScaling, 2), 2500.0f);
    }

    void objectIdentifier() {
        auto* e = edit("ObjectIdentifierEdit");
        e->clear();
        QTest::keyClicks(e, "12a-3");
        QCOMPARE(e->text(), QString("123"));

        w->form->image().setObjectIdentifier(0x80000000u);
        w->form->PopulateForm();
        QCOMPARE(e->text(), QString("2147483648"));
        w->find<QSpinBox>("BacnetPortCSpinEdit")->setValue(99);
        edit("LocationEdit")->setText("Mars");
        QVERIFY_THROWS_EXCEPTION(ConversionError, w->form->CollectForm());
        QCOMPARE(w->form->image().bacnetPort(), 99);  // before the identifier
        QCOMPARE(w->form->image().text(TextField::Location), std::string("Earth"));  // after it
        e->setText("4194303");
        w->form->CollectForm();
        QCOMPARE(w->form->image().objectIdentifier(), 4194303u);
    }

    void closeIsRefusedUntilTheIdentifierIsANumber() {
        edit("ObjectIdentifierEdit")->clear();
        edit("IPAddr2Edit")->clear();  // an empty octet does not stop the close
        QVERIFY(!w->form->close());
        QVERIFY(w->form->isVisible());
        QVERIFY(w->prompts->errors.last().startsWith("'' is not a valid integer value\n"));

        QTest::mouseClick(w->find<QPushButton>("ExitButton"), Qt::LeftButton);
        QVERIFY(w->form->isVisible());
        QCOMPARE(w->prompts->errors.size(), 2);

        edit("ObjectIdentifierEdit")->setText("7");
        edit("DeviceNameEdit")->setText("Closing");
        QTest::mouseClick(w->find<QPushButton>("ExitButton"), Qt::LeftButton);
        QVERIFY(!w->form->isVisible());
        QCOMPARE(w->prompts->errors.size(), 2);
        QCOMPARE(w->form->image().objectIdentifier(), 7u);
        QCOMPARE(w->form->image().text(TextField::DeviceName), std::string("Closing"));
    }
};

QTEST_MAIN(TstMainForm)
#include "tst_main_form.moc"
