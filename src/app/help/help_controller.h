#pragma once

#include <memory>

#include <QString>

class QWidget;

namespace vaskiro::app {

// The help of the main window: finds "bacnet-interface.chm" beside the
// executable or in the installation's data directory, prepares the
// platform's viewer for it, shows it and shuts it down. On Windows the viewer
// is the system's HTML Help control; elsewhere it is HelpViewer, a window of
// this program that reads the file with chmlib.
// The main window owns one controller and calls it on its own thread only:
//   start-up:   HelpButton->setVisible(controller.SetUpHelp());
//   Help or F1: controller.HelpButtonClick(mainWindow);
//   closing:    controller.FormClose();
class HelpController {
public:
    static constexpr const char* kHelpFileName = "bacnet-interface.chm";
    // The data directory of an installation, relative to the directory of the
    // executable: <prefix>/bin/vaskiro-config reads
    // <prefix>/share/vaskiro-config/bacnet-interface.chm, whatever the prefix.
    static constexpr const char* kDataDirectory = "../share/vaskiro-config";

    // `helpDirectory`: where the help file is looked for; empty means the
    // places of HelpFileFor(QCoreApplication::applicationDirPath()), so a
    // QCoreApplication must exist by the time SetUpHelp runs.
    explicit HelpController(QString helpDirectory = {});
    ~HelpController();
    HelpController(const HelpController&) = delete;
    HelpController& operator=(const HelpController&) = delete;

    // The help file of an executable in `executableDirectory`: the file beside
    // the executable when there is one (a build tree, a Windows installation),
    // else the file in kDataDirectory when there is one, else (neither) the
    // path beside the executable. Absolute and normalised, like HelpFilePath.
    static QString HelpFileFor(const QString& executableDirectory);

    // Builds HelpFilePath and prepares the viewer. True when help can be
    // shown: the file exists and the viewer is available (Windows: the HTML
    // Help control was loaded and initialised; elsewhere: the file opens as a
    // help file). False means: hide the Help button; nothing is reported.
    bool SetUpHelp();

    // Shows the help on its default topic and brings the viewer to the front,
    // whole on the screen that holds `owner` (the main window) where the
    // viewer is a window of this program. Does nothing unless SetUpHelp
    // returned true (and FormClose has not run).
    void HelpButtonClick(const QWidget* owner = nullptr);

    // Closes every help window and releases the viewer; help is then no
    // longer ready. Safe to call in any state, and more than once.
    void FormClose();

    // Absolute, normalised path of the help file ('/'-separated); empty
    // until SetUpHelp has run.
    QString HelpFilePath() const { return m_helpFilePath; }

    // True between a successful SetUpHelp and FormClose.
    bool ready() const { return m_ready; }

    // The help window while it exists, for tests; nullptr where the viewer is
    // not a window of this program (Windows).
    QWidget* viewerWindow() const;

private:
    struct Backend;  // the platform's viewer state, defined by each platform's file

    // HelpFilePath for a help directory (empty: HelpFileFor the executable's
    // directory).
    static QString helpFilePathIn(const QString& directory);
    // The platform's part of SetUpHelp, once the file is known to exist:
    // prepares the viewer for HelpFilePath; true when help can be shown.
    bool openViewer();
    // The platform's part of FormClose.
    void closeViewer();

    QString m_helpDirectory;
    QString m_helpFilePath;
    bool m_ready = false;
    std::unique_ptr<Backend> m_backend;
};

}  // namespace vaskiro::app
