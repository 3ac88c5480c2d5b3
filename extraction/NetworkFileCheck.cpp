#include "extraction/NetworkFileCheck.h"

#include "common/BoundingBox.h"
#include "extraction/NetworkFileReader.h"
#include "network/NetworkCheck.h"
#include "network/NetworkReport.h"
#include "network/WrittenNetwork.h"

bool NetworkFileCheck::check(const QString& path, Format format, QString& report, std::size_t& findings,
                             const BoundingBox* area, QString* note)
{
    WrittenNetwork network;
    QString error;
    CurrentObjects::Content content = CurrentObjects::Content::Data;
    const bool read = NetworkFileReader::read(path, network, &error, &content);
    if (note)
        *note = CurrentObjects::note(content);
    if (!read) {
        report = NetworkReport::unreadable(path, error);
        findings = 0;
        return false;
    }
    if (area)
        network.setArea(area->west(), area->south(), area->east(), area->north());
    const std::vector<Finding> found = NetworkCheck::run(network);
    findings = found.size();
    report = format == Format::Json ? NetworkReport::json(found) : NetworkReport::text(path, found);
    return true;
}

QString NetworkFileCheck::report(const QString& path, const BoundingBox* area)
{
    QString text;
    std::size_t findings = 0;
    check(path, Format::Text, text, findings, area);
    return text;
}
