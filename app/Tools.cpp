#include "app/Tools.h"

#include <QDesktopServices>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <optional>

#include "platform/BrowserCommand.h"

namespace tarvel {

namespace {

// The desktop's mixers, most common first; the first that starts wins.
constexpr const char* kMixerCommands[] = {
#if defined(Q_OS_WIN)
    "sndvol.exe",
#elif defined(Q_OS_MACOS)
    "open -b com.apple.audio.AudioMIDISetup",
#else
    "pavucontrol",
    "pavucontrol-qt",
    "gnome-control-center sound",
    "kmix",
#endif
};

bool StartDetached(const QString& commandLine) {
    QStringList words = QProcess::splitCommand(commandLine);
    if (words.isEmpty()) return false;
    const QString program = words.takeFirst();
    return QProcess::startDetached(program, words);
}

// The command line the desktop runs for HTML documents, as its default application's
// desktop entry gives it.
std::optional<std::string> RegisteredBrowserCommand() {
    QProcess query;
    query.start("xdg-mime", {"query", "default", "text/html"});
    if (!query.waitForFinished(2000) || query.exitCode() != 0) return std::nullopt;
    const QString entryName = QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
    if (entryName.isEmpty()) return std::nullopt;
    const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entryName);
    QFile entry(path);
    if (path.isEmpty() || !entry.open(QIODevice::ReadOnly)) return std::nullopt;
    return DesktopEntryExec(entry.readAll().toStdString());
}

}  // namespace

void ShowDelayCalculator(QWidget* parent, int lineDuration) {
    QMessageBox box(QMessageBox::Information, "Delay calculator tool",
                    QString::fromStdString(DelayTimesText(lineDuration)), QMessageBox::Ok, parent);
    box.exec();
}

void OpenMixer(QWidget* parent) {
    QStringList tried;
    for (const char* command : kMixerCommands) {
        if (StartDetached(command)) return;
        tried.append(command);
    }
    QMessageBox box(QMessageBox::Information, "Open MM mixer",
                    "No sound mixer was found.\n\nTried: " + tried.join(", "), QMessageBox::Ok,
                    parent);
    box.exec();
}

void OpenWebLink(int commandId) {
    if (const WebLink* link = FindWebLink(commandId)) OpenWebAddress(link->address);
}

void OpenWebAddress(const std::string& address) {
    if (QDesktopServices::openUrl(QUrl(QString::fromStdString(address)))) return;
    if (std::optional<std::string> registered = RegisteredBrowserCommand()) {
        StartDetached(QString::fromStdString(BrowserCommandLine(*registered, address)));
    }
}

}  // namespace tarvel
