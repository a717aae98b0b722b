#include "converter/system/logind_power_switch.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QStringList>

namespace tarn::conv {

bool LogindPowerSwitch::PowerOff() {
  QDBusInterface manager(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                         QStringLiteral("org.freedesktop.login1.Manager"), QDBusConnection::systemBus());
  if (manager.isValid()) {
    // interactive = false: no password prompt; other sessions' inhibitors decide as logind says.
    const QDBusMessage reply = manager.call(QStringLiteral("PowerOff"), false);
    if (reply.type() == QDBusMessage::ReplyMessage) return true;
  }
  return QProcess::execute(QStringLiteral("systemctl"), {QStringLiteral("poweroff")}) == 0;
}

}  // namespace tarn::conv
