#include "ui/web_browser.h"

#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

#include "ui/desktop_identity.h"

namespace ui {

namespace {

// The value of the Exec key of the [Desktop Entry] group, its string escapes undone.
std::optional<QString> execValue(const QString& entry) {
    bool inEntryGroup = false;
    for (const QString& rawLine : entry.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntryGroup = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        if (!inEntryGroup || !line.startsWith(QStringLiteral("Exec")))
            continue;
        const QString rest = line.mid(4).trimmed();
        if (!rest.startsWith(QLatin1Char('=')))
            continue;
        const QString value = rest.mid(1).trimmed();
        QString unescaped;
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
                unescaped += value[i];
                continue;
            }
            const QChar next = value[++i];
            if (next == QLatin1Char('s'))
                unescaped += QLatin1Char(' ');
            else if (next == QLatin1Char('t'))
                unescaped += QLatin1Char('\t');
            else if (next == QLatin1Char('n'))
                unescaped += QLatin1Char('\n');
            else if (next == QLatin1Char('r'))
                unescaped += QLatin1Char('\r');
            else if (next == QLatin1Char('\\'))
                unescaped += QLatin1Char('\\');
            else
                unescaped += QLatin1Char('\\') + QString(next);
        }
        return unescaped;
    }
    return std::nullopt;
}

// The Exec value split into arguments: blanks separate outside double quotes; inside them a
// backslash escapes the next character.
QStringList execArguments(const QString& exec) {
    QStringList arguments;
    QString current;
    bool quoted = false;
    bool started = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == QLatin1Char('"'))
                quoted = false;
            else if (c == QLatin1Char('\\') && i + 1 < exec.size())
                current += exec[++i];
            else
                current += c;
        } else if (c == QLatin1Char('"')) {
            quoted = started = true;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (started)
                arguments << current;
            current.clear();
            started = false;
        } else {
            current += c;
            started = true;
        }
    }
    if (started)
        arguments << current;
    return arguments;
}

// The desktop entry file of `id` in the user's and the system's data folders.
QString desktopEntryFile(const QString& id) {
    QStringList folders;
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    folders << (dataHome.startsWith(QLatin1Char('/'))
                    ? dataHome
                    : QDir::homePath() + QStringLiteral("/.local/share"));
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    folders << dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& folder : folders) {
        const QString file = folder + QStringLiteral("/applications/") + id;
        if (QFileInfo(file).isFile())
            return file;
    }
    return {};
}

} // namespace

QString defaultHandler(const QString& type) {
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), type});
    constexpr int answerWithinMs = 5000;
    if (!query.waitForFinished(answerWithinMs)) {
        query.kill();
        query.waitForFinished();
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return {};
    return QString::fromUtf8(query.readAllStandardOutput())
        .section(QLatin1Char(';'), 0, 0)
        .trimmed();
}

std::vector<std::string> desktopEntryCommand(const QString& entry, const std::string& page) {
    const std::optional<QString> exec = execValue(entry);
    if (!exec)
        return {};
    const QString path = QFile::decodeName(QByteArray::fromStdString(page));
    const QString address = QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded());
    std::vector<std::string> command;
    bool takesPage = false;
    for (const QString& argument : execArguments(*exec)) {
        QString expanded;
        bool dropped = false;
        for (qsizetype i = 0; i < argument.size(); ++i) {
            if (argument[i] != QLatin1Char('%') || i + 1 == argument.size()) {
                expanded += argument[i];
                continue;
            }
            const QChar code = argument[++i];
            if (code == QLatin1Char('%')) {
                expanded += QLatin1Char('%');
            } else if (code == QLatin1Char('f') || code == QLatin1Char('F')) {
                expanded += path;
                takesPage = true;
            } else if (code == QLatin1Char('u') || code == QLatin1Char('U')) {
                expanded += address;
                takesPage = true;
            } else if (argument.size() == 2) {
                dropped = true; // %i, %c, %k and the deprecated codes stand alone
            }
        }
        if (!dropped)
            command.push_back(QFile::encodeName(expanded).toStdString());
    }
    if (!takesPage || command.empty())
        return {};
    return command;
}

std::vector<std::string> desktopWebBrowserCommand(const std::string& page) {
    const QString ownEntry = QString::fromLatin1(applicationId) + QStringLiteral(".desktop");
    for (const QString& type :
         {QStringLiteral("x-scheme-handler/https"), QStringLiteral("x-scheme-handler/http")}) {
        const QString id = defaultHandler(type);
        if (id.isEmpty() || id == ownEntry)
            continue;
        QFile file(desktopEntryFile(id));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        std::vector<std::string> command =
            desktopEntryCommand(QString::fromUtf8(file.readAll()), page);
        if (!command.empty())
            return command;
    }
    return {};
}

bool isSameProgram(const std::string& program, const std::string& self) {
    if (program.empty() || self.empty())
        return false;
    QString found = QFile::decodeName(QByteArray::fromStdString(program));
    if (!found.contains(QLatin1Char('/')))
        found = QStandardPaths::findExecutable(found);
    if (found.isEmpty())
        return false;
    const QString resolved = QFileInfo(found).canonicalFilePath();
    return !resolved.isEmpty() &&
           resolved ==
               QFileInfo(QFile::decodeName(QByteArray::fromStdString(self))).canonicalFilePath();
}

} // namespace ui
