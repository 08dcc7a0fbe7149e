// Help on Windows: the HTML Help control (hhctrl.ocx), located through the
// registry and called through its HtmlHelpA entry.
#include "app/help/help_controller.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <utility>

#include <windows.h>

namespace vaskiro::app {
namespace {

using HtmlHelpFunction = HWND(WINAPI*)(HWND owner, LPCSTR file, UINT command, DWORD_PTR data);

// HTML Help commands (htmlhelp.h), so that the header and its import library
// are not needed.
constexpr UINT kHhDisplayTopic = 0x00;
constexpr UINT kHhCloseAll = 0x12;
constexpr UINT kHhInitialize = 0x1C;
constexpr UINT kHhUninitialize = 0x1D;
constexpr UINT kHhPretranslateMessage = 0xFD;

constexpr const char* kHtmlHelpServerKey = "CLSID\\{adb880a6-d8ff-11cf-9377-00aa003b7a11}\\InprocServer32";

// Process-wide, as the control is: loaded on demand by LoadHtmlHelp and kept
// until FormClose releases it.
HMODULE HtmlHelpModule = nullptr;
HtmlHelpFunction HtmlHelpEntry = nullptr;

// Locates the HTML Help control through the registration of its COM server
// and loads it, falling back to "hhctrl.ocx" by its bare name. True exactly
// when HtmlHelpEntry is usable.
bool LoadHtmlHelp() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kHtmlHelpServerKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;

    char libraryPath[255] = {};
    DWORD size = static_cast<DWORD>(sizeof libraryPath);
    if (RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<LPBYTE>(libraryPath), &size) !=
        ERROR_SUCCESS) {
        RegCloseKey(key);
        return false;
    }
    // A registry string need not carry its terminating zero.
    libraryPath[size < sizeof libraryPath ? size : sizeof libraryPath - 1] = '\0';

    HtmlHelpModule = LoadLibraryA(libraryPath);
    if (HtmlHelpModule == nullptr) HtmlHelpModule = LoadLibraryA("hhctrl.ocx");
    if (HtmlHelpModule != nullptr) {
        // Through void (*)(), the generic function pointer type, so that the
        // conversion to the real signature draws no cast warning.
        HtmlHelpEntry = reinterpret_cast<HtmlHelpFunction>(
            reinterpret_cast<void (*)()>(GetProcAddress(HtmlHelpModule, "HtmlHelpA")));
        if (HtmlHelpEntry == nullptr) {
            FreeLibrary(HtmlHelpModule);
            HtmlHelpModule = nullptr;
        }
    }
    RegCloseKey(key);
    return HtmlHelpEntry != nullptr;
}

}  // namespace

// With HH_INITIALIZE the control's windows live on this thread and their key
// messages pass through the program's message loop: this filter sees them
// before they are dispatched (Qt's loop names each message it takes from the
// queue "windows_generic_MSG"; "windows_dispatcher_MSG" is only what reaches
// Qt's own hidden window). The control gets each one through
// HH_PRETRANSLATEMESSAGE first, as it asks of such a loop (Tab between its
// panes, its accelerators); one it has taken is not dispatched again. Escape,
// which the control ignores, closes the help window, as it closes the
// program's own windows.
struct HelpController::Backend : QAbstractNativeEventFilter {
    DWORD HelpCookie = 0;       // given by HH_INITIALIZE, handed back to HH_UNINITIALIZE
    HWND HelpWindow = nullptr;  // the window HH_DISPLAY_TOPIC last showed

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (HelpWindow == nullptr || HtmlHelpEntry == nullptr || eventType != "windows_generic_MSG") return false;
        auto* msg = static_cast<MSG*>(message);
        if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return false;
        if (!IsWindow(HelpWindow) || GetAncestor(msg->hwnd, GA_ROOT) != HelpWindow) return false;
        if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
            PostMessageW(HelpWindow, WM_CLOSE, 0, 0);
            return true;
        }
        return HtmlHelpEntry(nullptr, nullptr, kHhPretranslateMessage, reinterpret_cast<DWORD_PTR>(msg)) != nullptr;
    }
};

HelpController::HelpController(QString helpDirectory)
    : m_helpDirectory(std::move(helpDirectory)), m_backend(std::make_unique<Backend>()) {}

HelpController::~HelpController() = default;

bool HelpController::openViewer() {
    // The control stays loaded once found; a second set-up reuses it.
    if (HtmlHelpEntry == nullptr && !LoadHtmlHelp()) return false;
    HtmlHelpEntry(nullptr, nullptr, kHhInitialize, reinterpret_cast<DWORD_PTR>(&m_backend->HelpCookie));
    if (auto* application = QCoreApplication::instance()) application->installNativeEventFilter(m_backend.get());
    return true;
}

// The HTML Help control places its window itself, from the file's window
// definition.
void HelpController::HelpButtonClick(const QWidget* /*owner*/) {
    if (!m_ready) return;
    // The full path: the control looks for a bare file name in the working
    // directory, not beside the executable, so a start from elsewhere (a
    // shortcut, a command line) would find no help.
    const QByteArray file = QDir::toNativeSeparators(m_helpFilePath).toLocal8Bit();
    m_backend->HelpWindow = HtmlHelpEntry(nullptr, file.constData(), kHhDisplayTopic, 0);
}

void HelpController::closeViewer() {
    if (auto* application = QCoreApplication::instance()) application->removeNativeEventFilter(m_backend.get());
    m_backend->HelpWindow = nullptr;
    if (m_ready) HtmlHelpEntry(nullptr, nullptr, kHhCloseAll, 0);
    if (HtmlHelpModule != nullptr) {
        HtmlHelpEntry(nullptr, nullptr, kHhUninitialize, static_cast<DWORD_PTR>(m_backend->HelpCookie));
        FreeLibrary(HtmlHelpModule);
        HtmlHelpModule = nullptr;
        HtmlHelpEntry = nullptr;
    }
}

QWidget* HelpController::viewerWindow() const { return nullptr; }

}  // namespace vaskiro::app
