#ifndef TESTS_SUPPORT_TESTWORKDIR_H
#define TESTS_SUPPORT_TESTWORKDIR_H

// A fresh temporary folder made the working directory for one test; the previous
// working directory comes back and the folder is removed on destruction.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TestWorkDir
{
public:
    TestWorkDir();
    ~TestWorkDir();
    TestWorkDir(const TestWorkDir&) = delete;
    TestWorkDir& operator=(const TestWorkDir&) = delete;

    bool isValid() const;
    QString path() const;
    QString filePath(const QString& relative) const;

    // tests/data/ of the source tree: the real OpenStreetMap samples the tests read.
    static QString testData(const QString& relative = QString());
    static QByteArray readFile(const QString& path);
    static bool writeFile(const QString& path, const QByteArray& content);
    // Copies every file of sourceDir into targetDir (created with its parents).
    static bool copyFiles(const QString& sourceDir, const QString& targetDir);

private:
    QString previous;
    QTemporaryDir dir;
};

#endif
