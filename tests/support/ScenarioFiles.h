#ifndef TESTS_SUPPORT_SCENARIOFILES_H
#define TESTS_SUPPORT_SCENARIOFILES_H

// The file handling of the scenario driver: whole files in and out, and the files below a folder.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ScenarioFiles {

// False when the file cannot be read.
bool read(const QString& path, QByteArray& content);
// Makes the folders on the way; false when the file cannot be written whole.
bool write(const QString& path, const QByteArray& content);
// Every regular file below `root` (hidden ones too, no symbolic links), as paths relative to it, sorted.
QStringList below(const QString& root);

} // namespace ScenarioFiles

#endif
