#include "download/DownloadDiagnostic.h"

#include <iostream>

void DownloadDiagnostic::line(const std::string& text)
{
    std::cerr << "Pelagor: " << text << std::endl;
}
