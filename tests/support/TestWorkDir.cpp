#include "tests/support/TestWorkDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TestWorkDir::TestWorkDir()
    : previous(QDir::currentPath())
{
    if (dir.isValid())
        QDir::setCurrent(dir.path());
}

TestWorkDir::~TestWorkDir()
{
    QDir::setCurrent(previous);
}

bool TestWorkDir::isValid() const
{
    return dir.isValid() && QDir::currentPath() == QFileInfo(dir.path()).canonicalFilePath();
}

QString TestWorkDir::path() const
{
    return dir.path();
}

QString TestWorkDir::filePath(const QString& relative) const
{
    return dir.filePath(relative);
}

QString TestWorkDir::testData(const QString& relative)
{
    const QString base = QStringLiteral(PELAGOR_TEST_DATA);
    return relative.isEmpty() ? base : base + '/' + relative;
}

QByteArray TestWorkDir::readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool TestWorkDir::writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(content) == content.size();
}

bool TestWorkDir::copyFiles(const QString& sourceDir, const QString& targetDir)
{
    if (!QDir().mkpath(targetDir))
        return false;
    const QDir source(sourceDir);
    const QStringList names = source.entryList(QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const QString target = targetDir + '/' + name;
        QFile::remove(target);
        if (!QFile::copy(source.filePath(name), target))
            return false;
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    return true;
}
