#include "converter/ui/help_topics.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace tarn::conv::ui {

namespace {

// "[102:1068]" or "[1]"; nullopt for anything else.
std::optional<std::uint32_t> TopicHeader(const QString& line) {
  if (!line.startsWith(u'[') || !line.endsWith(u']')) return std::nullopt;
  const QStringList parts = line.mid(1, line.size() - 2).split(u':');
  bool ok = true;
  if (parts.size() == 1) {
    const int control = parts[0].trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
    return HelpTopicNumber(0, control);
  }
  if (parts.size() != 2) return std::nullopt;
  bool controlOk = true;
  const int dialog = parts[0].trimmed().toInt(&ok);
  const int control = parts[1].trimmed().toInt(&controlOk);
  if (!ok || !controlOk) return std::nullopt;
  return HelpTopicNumber(dialog, control);
}

void Store(std::map<std::uint32_t, QString>& topics, std::optional<std::uint32_t> topic, const QStringList& lines) {
  if (!topic) return;
  QStringList paragraphs;
  QString paragraph;
  for (const QString& line : lines) {
    if (line.trimmed().isEmpty()) {
      if (!paragraph.isEmpty()) paragraphs << paragraph;
      paragraph.clear();
    } else {
      paragraph += (paragraph.isEmpty() ? QString() : QStringLiteral(" ")) + line.trimmed();
    }
  }
  if (!paragraph.isEmpty()) paragraphs << paragraph;
  topics[*topic] = paragraphs.join(QStringLiteral("\n\n"));
}

}  // namespace

std::uint32_t HelpTopicNumber(int dialogId, int controlId) {
  const auto control = static_cast<std::uint32_t>(controlId) & 0xFFFFu;
  if (controlId == 1 || controlId == 2) return control;
  return (static_cast<std::uint32_t>(dialogId) << 16) | control;
}

std::optional<HelpTopics> HelpTopics::Load(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return std::nullopt;
  HelpTopics help;
  std::optional<std::uint32_t> topic;
  QStringList lines;
  for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
    if (line.startsWith(u'#')) continue;
    if (const auto header = TopicHeader(line.trimmed())) {
      Store(help.topics_, topic, lines);
      topic = header;
      lines.clear();
    } else {
      lines << line;
    }
  }
  Store(help.topics_, topic, lines);
  return help;
}

std::optional<QString> HelpTopics::Text(std::uint32_t topic) const {
  const auto found = topics_.find(topic);
  if (found == topics_.end()) return std::nullopt;
  return found->second;
}

QString LocateHelpFile() {
  const QString name = QString::fromLatin1(kHelpFileName);
  const QDir program(QCoreApplication::applicationDirPath());
  QStringList candidates{program.filePath(name), program.filePath(QStringLiteral("../share/tarnmedia/") + name)};
#ifdef TARN_INSTALL_DATADIR
  candidates << QString::fromUtf8(TARN_INSTALL_DATADIR) + QStringLiteral("/tarnmedia/") + name;
#endif
  const QString data = QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("tarnmedia/") + name);
  if (!data.isEmpty()) candidates << data;
  for (const QString& candidate : candidates)
    if (QFileInfo(candidate).isFile()) return QFileInfo(candidate).absoluteFilePath();
  return {};
}

}  // namespace tarn::conv::ui
