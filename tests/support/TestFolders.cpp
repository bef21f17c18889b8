#include "TestFolders.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <sys/wait.h>
#include <unistd.h>

namespace TestFolders {

Scratch::Scratch()
{
    EXPECT_TRUE(m_dir.isValid());
}

QString Scratch::make(const QString& relative) const
{
    const QString folder = path() + relative;
    QDir().mkpath(folder);
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool exists(const QString& path)
{
    return QFileInfo::exists(path);
}

QString programFolder()
{
    return QStringLiteral(BRIVOLINE_PROGRAM_DIR);
}

QString templateDatabase()
{
    return programFolder() + QStringLiteral("Ressources/DB/Data/Access/BRIVOLINE.MDB");
}

void copyTemplate(const QString& target)
{
    QDir().mkpath(QFileInfo(target).path());
    QFile::remove(target);
    ASSERT_TRUE(QFile::copy(templateDatabase(), target)) << target.toStdString();
    QFile(target).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

int asUnprivilegedUser(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(255);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 255)
        return -1;
    return WEXITSTATUS(status);
}

QString englishIn(const QString& text)
{
    static const QRegularExpression kEnglish(
        QStringLiteral(
            "\\b(unable to|cannot|database or disk|disk is full|is not|incorrect|checksum|detected|"
            "invalid|expected|failed|error|syntax|no such|within|constraint|not an)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = kEnglish.match(text);
    return match.hasMatch() ? match.captured(0) : QString();
}

} // namespace TestFolders
