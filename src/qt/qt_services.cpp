#include "qt/qt_services.h"

#include "linux/xdg_mailto.h"
#include "qt/qt_tray.h"

#include <QApplication>
#include <QDate>
#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QUrl>

#include <chrono>
#include <cstdlib>

namespace kestrel {

bool QtServices::AnotherInstanceRuns(const std::string&) {
    lock_ = std::make_unique<InstanceLock>(InstanceLockLocation(std::getenv("XDG_RUNTIME_DIR")));
    return !lock_->Held();
}

void QtServices::LoadResources() {
    shell_.pictures.about = QPixmap(":/res/ABOUT.bmp");
    shell_.pictures.noMail = CrispTrayIcon(QStringLiteral(":/res/NO.ico"));
    shell_.pictures.mail = CrispTrayIcon(QStringLiteral(":/res/MAIL.ico"));
    QApplication::setWindowIcon(QIcon(":/res/HAUPTICON.ico"));
}

void QtServices::StartTimer(int id, int periodMs) {
    auto& timer = timers_[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, [this] { shell_.events->OnTimer(); });
    }
    timer->start(periodMs);
}

std::string QtServices::ReadMailtoCommand() {
    return ReadXdgMailtoCommand();
}

// The command comes from a desktop file, in the file system's encoding, not the window's. No
// shell: the parameters are split at blanks (the quotes are gone by now).
void QtServices::StartProgram(const std::string& file, const std::string& parameters) {
    if (file.empty())
        return;
    const QStringList arguments =
        QFile::decodeName(parameters.c_str()).split(' ', Qt::SkipEmptyParts);
    QProcess::startDetached(QFile::decodeName(file.c_str()), arguments);
}

void QtServices::OpenUrl(const std::string& url) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

// A queued call on the application object runs on its thread, in the event loop.
void QtServices::Post(std::function<void()> task) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}

CivilDate QtServices::Today() {
    const QDate today = QDate::currentDate();
    return {today.year(), today.month(), today.day()};
}

int64_t QtServices::MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t QtServices::WallMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace kestrel
