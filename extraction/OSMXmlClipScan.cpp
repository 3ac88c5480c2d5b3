#include "extraction/OSMXmlClipScan.h"

#include "extraction/ClipSelection.h"
#include "extraction/OSMXmlAttributes.h"

#include <QXmlStreamReader>
#include <vector>

namespace {

// The first pass over a file, element by element. As the readers do, an element is read up to
// its own end tag; nodes, ways and relations nested inside it do not count.
class ScanState
{
public:
    explicit ScanState(ClipSelection& selection)
        : selection(selection)
    {
    }

    void start(const QXmlStreamReader& reader)
    {
        const QStringRef name = reader.name();
        if (inside == InWay) {
            qint64 ref = 0;
            if (name == OSMXmlAttributes::ndName && OSMXmlAttributes::ndRef(reader, ref, false))
                nodeIds.push_back(ref);
        } else if (inside == InRelation) {
            if (name == OSMXmlAttributes::memberName && !pulledIn)
                member(reader);
        } else if (inside == Nothing) {
            begin(reader, name);
        }
    }

    void end(const QStringRef& name)
    {
        if (inside == InNode && name == OSMXmlAttributes::nodeName) {
            inside = Nothing;
        } else if (inside == InWay && name == OSMXmlAttributes::wayName) {
            selection.addWay(id, nodeIds);
            inside = Nothing;
        } else if (inside == InRelation && name == OSMXmlAttributes::relationName) {
            if (pulledIn)
                selection.addRelation(id);
            else if (!relationRefs.empty())
                selection.addParentCandidate(id, relationRefs);
            inside = Nothing;
        }
    }

private:
    enum Inside { Nothing, InNode, InWay, InRelation };

    void begin(const QXmlStreamReader& reader, const QStringRef& name)
    {
        if (name == OSMXmlAttributes::nodeName) {
            double lat = 0;
            double lon = 0;
            if (OSMXmlAttributes::node(reader, lat, lon, id, false)) {
                selection.addNode(id, lat, lon);
                inside = InNode;
            }
        } else if (name == OSMXmlAttributes::wayName) {
            id = OSMXmlAttributes::wayId(reader, false);
            nodeIds.clear();
            inside = InWay;
        } else if (name == OSMXmlAttributes::relationName) {
            pulledIn = false;
            relationRefs.clear();
            if (OSMXmlAttributes::relationId(reader, id, false))
                inside = InRelation;
        }
    }

    void member(const QXmlStreamReader& reader)
    {
        static const QLatin1String names[] = {QLatin1String("type"), QLatin1String("ref")};
        QStringRef values[2];
        bool found[2];
        OSMXmlAttributes::values(reader, names, values, found);
        qint64 memberRef = 0;
        if (!found[0] || !found[1] || !OSMXmlAttributes::toId(values[1], memberRef))
            return;
        ClipSelection::MemberType type = ClipSelection::OtherMember;
        if (values[0] == OSMXmlAttributes::nodeName)
            type = ClipSelection::NodeMember;
        else if (values[0] == OSMXmlAttributes::wayName)
            type = ClipSelection::WayMember;
        else if (values[0] == OSMXmlAttributes::relationName)
            relationRefs.push_back(memberRef);
        pulledIn = selection.pullsIn(type, memberRef);
    }

    ClipSelection& selection;
    Inside inside = Nothing;
    qint64 id = 0;
    bool pulledIn = false;
    std::vector<qint64> nodeIds;
    std::vector<qint64> relationRefs;
};

} // namespace

void OSMXmlClipScan::scan(QXmlStreamReader& reader, ClipSelection& selection)
{
    ScanState state(selection);
    while (!reader.atEnd() && !reader.hasError()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement)
            state.end(reader.name());
        else if (token == QXmlStreamReader::StartElement)
            state.start(reader);
    }
    selection.finishScan();
}

bool OSMXmlClipScan::isSelected(const QXmlStreamReader& reader, const ClipSelection& selection)
{
    const QStringRef name = reader.name();
    qint64 id = 0;
    if (name == OSMXmlAttributes::wayName)
        return selection.keepsWay(OSMXmlAttributes::wayId(reader, false));
    if (name == OSMXmlAttributes::nodeName) {
        static const QLatin1String names[] = {QLatin1String("id")};
        QStringRef idText[1];
        bool found[1];
        OSMXmlAttributes::values(reader, names, idText, found);
        return OSMXmlAttributes::toId(idText[0], id) && selection.keepsNode(id);
    }
    return OSMXmlAttributes::relationId(reader, id, false) && selection.keepsRelation(id);
}
