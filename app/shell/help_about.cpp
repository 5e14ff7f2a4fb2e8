#include "app/shell/help_about.h"

#include "app/shell/message_route.h"
#include "klv3.h"
#include "platform/store/home.h"

namespace klv::app {

QString helpFilePath() {
    return QString::fromStdString((platform::programDir() / "help" / "index.html").string());
}

void showHelpTopic(platform::WindowHandle window, int32_t topic) {
    klvShowHelp(window, helpFilePath().toUtf8().constData(), KLV_HELP_CONTEXT, topic);
}

QString aboutText() {
    // Minor and revision stand side by side: 3.4.1 reads "3.41".
    return QStringLiteral("Kelvara version %1.%2%3 (DLL version 3.401)")
        .arg(KLV_VERSION_MAJOR)
        .arg(KLV_VERSION_MINOR)
        .arg(KLV_VERSION_PATCH);
}

void showAbout() {
    const MessageTarget* target = messageTarget();
    platform::windowSystem().messageBox(target ? target->messageOwner() : 0,
                                        aboutText().toStdString(), "About Kelvara",
                                        platform::kMbOk | platform::kMbIconInformation);
}

} // namespace klv::app
