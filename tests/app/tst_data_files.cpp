// Save File and Load File through the window: what is asked, shown, logged
// and refused. The file format itself is proven in the core's tests.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/configuration_image.h"
#include "fake_prompts.h"

using namespace vaskiro::core;
using namespace vaskiro::app;

class TstDataFiles : public QObject {
    Q_OBJECT

    std::unique_ptr<TestWindow> w;
    QTemporaryDir dir;

    // As the window shows it: with the separators of the system.
    QString path(const QString& name) const { return QDir::toNativeSeparators(dir.filePath(name)); }
    QString shown(const char* name) const { return w->find<QLineEdit>(name)->text(); }
    void save(const QString& file) {
        w->prompts->saveAnswer = file;
        QTest::mouseClick(w->find<QPushButton>("SaveButton"), Qt::LeftButton);
    }
    void load(const QString& file) {
        w->prompts->openAnswer = file;
        QTest::mouseClick(w->find<QPushButton>("LoadButton"), Qt::LeftButton);
    }
    static bool write(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    static QByteArray read(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QByteArray image() const {
        return QByteArray(reinterpret_cast<const char*>(w->form->image().bytes().data()), kImageSize);
    }

private slots:
    void init() { w = std::make_unique<TestWindow>(); }
    void cleanup() { w.reset(); }

    void saveThenLoadIsByteIdentical() {
        w->find<QLineEdit>("DeviceNameEdit")->setText("Renamed");  // collected first
        QVERIFY(write(path("a.dat"), "old"));                      // replaced without a question
        save(path("a.dat"));
        const QByteArray file = read(path("a.dat"));
        QCOMPARE(file.left(40),
                 QByteArray("\x01\x00\x00\x00VASKIRO BACnet Interface\0\0\0\0\0\0\0\0\xC0\xA8\x00\x06", 40));
        QCOMPARE(file.mid(36), image());
        QCOMPARE(w->logLines(), QStringList({"File Saved:", path("a.dat")}));

        w = std::make_unique<TestWindow>();
        load(path("a.dat"));
        QCOMPARE(image(), file.mid(36));
        QCOMPARE(shown("DeviceNameEdit"), QString("Renamed"));
        QCOMPARE(w->logLines(), QStringList({"File Loaded:", path("a.dat")}));
    }

    void refusalsSayWhyAndChangeNothing() {
        const QByteArray before = image();
        w->find<QLineEdit>("IPAddr1Edit")->setText("10");  // not collected by a load
        QVERIFY(write(path("later.dat"), QByteArray("\x02\0\0\0VASKIRO BACnet Interface", 28) + QByteArray(1568, 0)));
        load(path("later.dat"));
        load(path("missing.dat"));
        load(QString());  // cancelled
        QCOMPARE(image(), before);
        QCOMPARE(shown("IPAddr1Edit"), QString("10"));
        save(path("missing/sub/file.dat"));
        save(QString());  // cancelled
        w->find<QLineEdit>("ObjectIdentifierEdit")->clear();
        save(path("never.dat"));  // the identifier stops it before the dialog
        QCOMPARE(w->prompts->saveAsked + w->prompts->openAsked, 5);
        QCOMPARE(w->prompts->errors.size(), 4);
        QCOMPARE(w->prompts->errors.mid(0, 2),
                 QStringList({"The file uses a later data format.\r\nCannot load", "Error Opening File."}));
        QVERIFY2(w->prompts->errors[2].contains("could not be saved") && w->prompts->errors[2].split('\n').size() >= 3,
                 qPrintable(w->prompts->errors[2]));  // and the system's reason
        QCOMPARE(w->prompts->errors[3], QString("'' is not a valid integer value"));
        QCOMPARE(w->logLines(), QStringList({"File Error:", path("missing.dat")}));
        QVERIFY(!QFile::exists(path("never.dat")));
    }

    void incompatibleFileIsLoggedWithItsReason_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("header only") << QByteArray("\x01\0\0\0VASKIRO BACnet Interface", 29) + QByteArray(7, 0)
                                     << "it ends after 36 bytes; a data file holds 1596";
        QTest::newRow("letter case") << QByteArray("\x01\0\0\0VASKIRO BACNET Interface", 29) + QByteArray(1567, 0)
                                     << "it does not begin with the header of a VASKIRO BACnet Interface data file";
    }
    void incompatibleFileIsLoggedWithItsReason() {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        QVERIFY(write(path("x.dat"), content));
        const QByteArray before = image();
        load(path("x.dat"));
        QCOMPARE(w->prompts->errors, QStringList("Incompatible data file."));
        QCOMPARE(w->logLines(), QStringList({"File Refused:", path("x.dat") + ": " + reason}));
        QCOMPARE(image(), before);
    }
};

QTEST_MAIN(TstDataFiles)
#include "tst_data_files.moc"
