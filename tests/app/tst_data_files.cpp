// Save File and Load File: the bytes written, the round trip, and every
// refusal with its message while the image stays as it was.
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

#include "core/configuration_image.h"
#include "core/data_file.h"
#include "fake_prompts.h"

using namespace vaskiro::config;

class TstDataFiles : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestWindow> w;
    std::unique_ptr<QTemporaryDir> dir;

    // As the window shows it: with the separators of the system.
    QString path(const QString& name) const { return QDir::toNativeSeparators(dir->filePath(name)); }
    QStringList logLines() const {
        return w->find<QPlainTextEdit>("LogMemo")->toPlainText().split('\n', Qt::SkipEmptyParts);
    }
    void save(const QString& file) {
        w->prompts->saveAnswer = file;
        QTest::mouseClick(w->find<QPushButton>("SaveButton"), Qt::LeftButton);
    }
    void load(const QString& file) {
        w->prompts->openAnswer = file;
        QTest::mouseClick(w->find<QPushButton>("LoadButton"), Qt::LeftButton);
    }
    static QByteArray read(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void write(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray asBytes(const ImageBytes& image) {
        return QByteArray(reinterpret_cast<const char*>(image.data()), static_cast<qsizetype>(image.size()));
    }
    static QByteArray defaultFile() {
        ConfigurationImage image;
        image.SetDefaults();
        const DataFileBytes bytes = encodeDataFile(image);
        return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    }

    // Everything a careless round trip could lose: names with no room to
    // spare, floats that print badly, a flag byte above 1, reserved bytes.
    static ConfigurationImage oddImage() {
        ConfigurationImage image;
        image.SetDefaults();
        image.setName(NameGroup::Output, 16, std::string(31, 'O'));
        image.setName(NameGroup::Analogue, 1, "A\xE9\x80\x81");  // é, €, an undefined byte
        image.setText(TextField::Location, std::string(31, 'L'));
        image.setText(TextField::DevicePassword, std::string(15, 'P'));
        image.setAnalogueValue(FloatGroup::AnalogueScaling, 2, 0.1);
        image.setAnalogueValue(FloatGroup::COVIncrement, 3, 1e-05);
        image.setAnalogueValue(FloatGroup::COVIncrement, 8, 3.4028234663852886e38);
        image.setAnalogueUnitCode(4, 200);
        image.setObjectIdentifier(4194303);
        image.bytes()[layout::Reserved] = 0xA5;
        image.bytes()[layout::Reserved + 2] = 0x5A;
        image.bytes()[layout::DHCPEnable] = 1;
        image.bytes()[layout::InputName + 20] = 'z';  // after the NUL of "Input 1"
        return image;
    }

private slots:
    void init() {
        w = std::make_unique<TestWindow>();
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
    }
    void cleanup() {
        w.reset();
        dir.reset();
    }

    void savingTheDefaults() {
        save(path("defaults.dat"));
        const QByteArray bytes = read(path("defaults.dat"));
        QCOMPARE(bytes.size(), 1596);
        QCOMPARE(bytes.left(4), QByteArray("\x01\x00\x00\x00", 4));
        QCOMPARE(bytes.mid(4, 25), QByteArray("VASKIRO BACnet Interface\0", 25));
        QCOMPARE(bytes.mid(36, 4), QByteArray("\xC0\xA8\x00\x06", 4));
        QCOMPARE(bytes, defaultFile());
        QCOMPARE(logLines(), QStringList({"File Saved:", path("defaults.dat")}));
        QVERIFY(w->prompts->errors.isEmpty());

        write(path("defaults.dat"), "old content");  // replaced without a question
        save(path("defaults.dat"));
        QCOMPARE(read(path("defaults.dat")), defaultFile());
    }

    void saveThenLoadIsByteIdentical() {
        const ConfigurationImage odd = oddImage();
        w->form->image() = odd;
        w->form->PopulateForm();
        save(path("odd.dat"));
        QCOMPARE(asBytes(w->form->image().bytes()), asBytes(odd.bytes()));
        const QByteArray file = read(path("odd.dat"));
        QCOMPARE(file.mid(36), asBytes(odd.bytes()));

        // Into a fresh window at its defaults, then out again.
        w = std::make_unique<TestWindow>();
        load(path("odd.dat"));
        QCOMPARE(asBytes(w->form->image().bytes()), asBytes(odd.bytes()));
        QCOMPARE(w->find<QLineEdit>("OutputNameEdit16")->text(), QString(31, 'O'));
        QCOMPARE(w->find<QLineEdit>("AnalogueNameEdit1")->text(), QString::fromUtf8("Aé€\u0081"));
        QCOMPARE(w->find<QLineEdit>("AnalogueScalingJvCalcEdit2")->text(), QString("0.1"));
        QCOMPARE(w->find<QLineEdit>("SelectAnalogueUnitsEdit4")->text(), QString());
        QCOMPARE(logLines(), QStringList({"File Loaded:", path("odd.dat")}));
        save(path("again.dat"));
        QCOMPARE(read(path("again.dat")), file);
    }

    void saveCollectsFirst() {
        w->find<QLineEdit>("DeviceNameEdit")->setText("Renamed");
        save(QString());  // the user cancels
        QCOMPARE(w->prompts->saveAsked, 1);
        QCOMPARE(w->form->image().text(TextField::DeviceName), std::string("Renamed"));
        QVERIFY(QDir(dir->path()).isEmpty());
        QVERIFY(logLines().isEmpty());

        // A bad object identifier ends the save before the dialog.
        w->find<QLineEdit>("ObjectIdentifierEdit")->clear();
        save(path("never.dat"));
        QCOMPARE(w->prompts->saveAsked, 1);
        QCOMPARE(w->prompts->errors, QStringList("'' is not a valid integer value"));
        QVERIFY(!QFile::exists(path("never.dat")));
    }

    void failedSaveSaysWhy() {
        const QString target = path("missing/sub/file.dat");
        save(target);
        QCOMPARE(w->prompts->errors.size(), 1);
        const QString message = w->prompts->errors.first();
        QVERIFY2(message.contains("could not be saved") && message.contains(target), qPrintable(message));
        QVERIFY2(message.split('\n').size() >= 3, qPrintable(message));  // and the system's reason
        QVERIFY(logLines().isEmpty());
    }

    void loadRefusals_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");  // none: no such file
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("log");
        QByteArray wrongCase = defaultFile();
        wrongCase.replace(4, 24, "VASKIRO BACNET Interface");
        QByteArray later = defaultFile();
        later[0] = 2;
        QByteArray foreignAndLater = wrongCase;
        foreignAndLater[0] = 9;
        QByteArray unterminated = defaultFile();
        unterminated[28] = ' ';
        const QString incompatible = "Incompatible data file.";
        QTest::newRow("letter case") << "case.dat" << wrongCase << incompatible << QStringList();
        QTest::newRow("no NUL after the text") << "unterminated.dat" << unterminated << incompatible << QStringList();
        QTest::newRow("version 2") << "v2.dat" << later << "The file uses a later data format.\r\nCannot load"
                                   << QStringList();
        QTest::newRow("text before version") << "both.dat" << foreignAndLater << incompatible << QStringList();
        QTest::newRow("header only") << "short.dat" << defaultFile().left(36) << incompatible << QStringList();
        QTest::newRow("image cut short") << "cut.dat" << defaultFile().left(1595) << incompatible << QStringList();
        QTest::newRow("empty") << "empty.dat" << QByteArray("") << incompatible << QStringList();
        QTest::newRow("missing") << "missing.dat" << QByteArray() << "Error Opening File."
                                 << QStringList({"File Error:", "missing.dat"});
    }
    void loadRefusals() {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QFETCH(QStringList, log);
        if (!content.isNull()) write(path(file), content);
        for (QString& line : log) line.replace(file, path(file));
        w->form->image().bytes()[layout::Reserved] = 0x77;
        const ImageBytes before = w->form->image().bytes();
        w->find<QLineEdit>("IPAddr1Edit")->setText("10");  // not collected by a load

        load(path(file));
        QCOMPARE(w->prompts->errors, QStringList(message));
        QCOMPARE(logLines(), log);
        QVERIFY(w->form->image().bytes() == before);
        QCOMPARE(w->find<QLineEdit>("IPAddr1Edit")->text(), QString("10"));
    }

    void loadAccepts_data() {
        QTest::addColumn<QByteArray>("content");
        QByteArray v0 = defaultFile();
        v0[0] = 0;
        QByteArray negative = defaultFile();
        negative.replace(0, 4, QByteArray("\xFF\xFF\xFF\xFF", 4));
        QByteArray padded = defaultFile();
        padded.replace(29, 7, "ignored");
        QTest::newRow("version 0") << v0;
        QTest::newRow("version -1") << negative;
        QTest::newRow("header tail") << padded;
        QTest::newRow("trailing bytes") << defaultFile() + QByteArray(50, '\xEE');
    }
    void loadAccepts() {
        QFETCH(QByteArray, content);
        content[36] = 10;  // IP address 10.168.0.6
        write(path("ok.dat"), content);
        load(path("ok.dat"));
        QVERIFY(w->prompts->errors.isEmpty());
        QCOMPARE(w->find<QLineEdit>("IPAddr1Edit")->text(), QString("10"));
        QCOMPARE(asBytes(w->form->image().bytes()), content.mid(36, 1560));
    }

    void cancelledLoadChangesNothing() {
        const ImageBytes before = w->form->image().bytes();
        load(QString());
        QCOMPARE(w->prompts->openAsked, 1);
        QVERIFY(w->form->image().bytes() == before);
        QVERIFY(logLines().isEmpty() && w->prompts->errors.isEmpty());
    }
};

QTEST_MAIN(TstDataFiles)
#include "tst_data_files.moc"
