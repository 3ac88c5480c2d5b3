#ifndef DOWNLOAD_DOWNLOADDIAGNOSTIC_H
#define DOWNLOAD_DOWNLOADDIAGNOSTIC_H

// The downloader's diagnostics: one line on the standard error stream, prefixed with
// "Pelagor: " and flushed. Never shown in the log. Usable in any thread.
#include <string>

namespace DownloadDiagnostic {

void line(const std::string& text);

} // namespace DownloadDiagnostic

#endif
