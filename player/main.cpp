#include "app/PlayerRoot.h"
#include "base/AppIdentity.h"
#include "desktop/QtPlatform.h"
#include "engine/MpvBackend.h"
#include "platform/Platform.h"
#include "settings/SettingsStore.h"
#include "window/frmRehearsal.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyleFactory>
#include <QTimer>

#include <clocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(AppIdentity::name());
    QCoreApplication::setApplicationVersion(AppIdentity::version());
    // libmpv refuses to start unless numbers are read the C way; the user's decimal separator
    // comes from QLocale::system() instead.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    QtPlatform platform;
    SettingsStore::setProblemHandler([&platform](const QString& message) {
        platform.messageBox(message, AppIdentity::name(), MsgButtons::Ok, MsgIcon::Exclamation);
    });
    // The user's store: the only one of the run, handed down as the settings every room sees.
    SettingsStore store(SettingsStore::defaultFilePath());
    PlayerRoot root(platform, store, [] { return std::make_unique<MpvBackend>(); });
    frmRehearsal& window = root.window();
    platform.setKeyTarget(&window);
    root.publishOnSessionBus();
    window.show();
    // A track opened from the desktop arrives as the one argument. It is opened once the
    // window has finished starting, so it wins over anything start-up brought back, and
    // through OpenTrack, so a file that cannot be played gets the usual message.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1 && !arguments.at(1).isEmpty()) {
        QTimer::singleShot(
            0, &window, [&window, path = QFileInfo(arguments.at(1)).absoluteFilePath()]() mutable {
                window.OpenTrack(path);
            });
    }
    return app.exec();
}
