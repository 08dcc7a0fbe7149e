// "Survey the Record" against a site simulated in this process on loopback:
// the table's verdicts, the failures first, progress, Stop, and every
// control named for assistive technology.
#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

#include "app/commissioning/survey_dialog.h"
#include "bacnet/simulated/simulated_site.h"
#include "core/data_file.h"

using namespace vaskiro;

class TstSurvey : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<bacnet::SimulatedSite> m_site;
    std::atomic<bool> m_stop{false};
    std::thread m_serving;

    // The first of `count` consecutive loopback ports that are free now, 0 when none was found. The probes
    // are closed before the site opens them: Windows refuses a port another socket holds.
    static std::uint16_t freePorts(int count) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            auto first = bacnet::UdpSocket::open({{127, 0, 0, 1}, 0}, false);
            if (!first) return 0;
            const std::uint16_t port = (*first)->localEndpoint().port;
            bool free = port <= 65535 - count;
            for (int i = 1; free && i < count; ++i)
                free = bacnet::UdpSocket::open({{127, 0, 0, 1}, std::uint16_t(port + i)}, false).has_value();
            if (free) return port;
        }
        return 0;
    }

private slots:
    // Three devices served at 127.0.0.1 on three ports and listed, and a fourth listed at 127.0.8.4, where
    // nothing answers. By ports, not by loopback addresses: wine binds a socket asked for 127.0.7.1 to
    // 0.0.0.0, so there every device's socket would take every device's requests.
    void initTestCase() {
        const std::uint16_t port = freePorts(3);
        QVERIFY(port != 0);
        QVERIFY(QDir(m_dir.path()).mkdir("site"));
        std::vector<bacnet::SimulatedSite::Member> members;
        for (std::uint8_t n = 1; n <= 4; ++n) {
            core::ConfigurationImage image;
            image.SetDefaults();
            const bacnet::Endpoint at = n < 4 ? bacnet::Endpoint{{127, 0, 0, 1}, std::uint16_t(port + n - 1)}
                                              : bacnet::Endpoint{{127, 0, 8, 4}, port};
            image.setAddress(core::AddressField::IPAddress, at.address);
            image.setBacnetPort(at.port);
            image.setObjectIdentifier(70000u + n);
            QVERIFY(core::writeDataFile(m_dir.filePath(QString("site/%1.dat").arg(n)).toStdString(), image));
            if (n < 4) members.push_back({image, at});
        }
        std::string note;
        auto site = bacnet::SimulatedSite::open(members, note);
        QVERIFY2(site.has_value(), site ? "" : site.error().c_str());
        m_site = std::move(*site);
        m_serving = std::thread([this] { m_site->serve(m_stop, std::chrono::steady_clock::time_point::max()); });
    }
    void cleanupTestCase() {
        m_stop = true;
        if (m_serving.joinable()) m_serving.join();
    }

    void theFailuresComeFirstAndEveryControlIsNamed() {
        app::SurveyDialog dialog(nullptr, m_dir.filePath("site").toStdString());
        dialog.show();
        auto* table = dialog.findChild<QTableWidget*>("SurveyTable");
        dialog.findChild<QPushButton*>("SurveyButton")->click();
        QVERIFY(dialog.running());
        QVERIFY(dialog.findChild<QPushButton*>("SurveyStopButton")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.running() && table->rowCount() == 4, 10000);
        QCOMPARE(table->item(0, 0)->text(), QString("4.dat"));
        QCOMPARE(table->item(0, 3)->text(), QString("no answer"));
        for (int r = 1; r < 4; ++r) QCOMPARE(table->item(r, 3)->text(), QString("passed"));
        QCOMPARE(dialog.findChild<QLabel*>("SurveySummary")->text(), QString("4 devices: 3 passed, 1 no answer"));
        QCOMPARE(dialog.findChild<QProgressBar*>("SurveyProgress")->value(), 4);
        for (QWidget* child : dialog.findChildren<QWidget*>())
            if (child->focusPolicy() != Qt::NoFocus && !child->objectName().startsWith("qt_") && child->isVisible() &&
                qobject_cast<QAbstractButton*>(child))
                QVERIFY2(!child->accessibleName().isEmpty(), qPrintable(child->objectName()));
        QVERIFY(!table->accessibleName().isEmpty());
    }

    void stopEndsTheSurveyAtOnce() {
        app::SurveyDialog dialog(nullptr, m_dir.filePath("site").toStdString());
        dialog.findChild<QPushButton*>("SurveyButton")->click();
        dialog.findChild<QPushButton*>("SurveyStopButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.running(), 2000);
        QVERIFY(dialog.findChild<QPushButton*>("SurveyButton")->isEnabled());
        QCOMPARE(dialog.rows().size(), 4u);
    }
};

QTEST_MAIN(TstSurvey)
#include "tst_survey.moc"
