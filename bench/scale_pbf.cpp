// pelagor-scale-pbf: makes a larger single extract out of a PBF file for benchmarks.
//   pelagor-scale-pbf SOURCE.osm.pbf TARGET.osm.pbf FACTOR
// Every node, way and relation of SOURCE is written FACTOR times. Copy number c (0 for the
// original) has every id and reference raised by c * 10^10 (more when the source's ids reach
// that far), so that copies never share an object, and every position moved c * 0.001 degree
// east and c * 0.0005 degree north (a longitude past 180 comes in again from -180), so that
// copies never share a place. The target is sorted as extracts are: all nodes, then all ways,
// then all relations, each by id. Copy 0 holds the source's objects as they are.
#include <osmium/io/any_input.hpp>
#include <osmium/io/any_output.hpp>
#include <osmium/memory/buffer.hpp>
#include <osmium/osm.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

namespace {

const osmium::object_id_type minimumStride = 10000000000LL;

osmium::object_id_type strideFor(const std::vector<osmium::memory::Buffer>& buffers)
{
    osmium::object_id_type highest = 0;
    for (const osmium::memory::Buffer& buffer : buffers)
        for (const osmium::OSMObject& object : buffer.select<osmium::OSMObject>())
            highest = std::max(highest, osmium::object_id_type(object.positive_id()));
    osmium::object_id_type stride = minimumStride;
    while (stride <= highest)
        stride *= 10;
    return stride;
}

osmium::Location shifted(const osmium::Location& location, int copy)
{
    if (!location.valid())
        return location;
    double lon = location.lon() + copy * 0.001;
    if (lon > 180)
        lon -= 360;
    const double lat = std::min(90.0, location.lat() + copy * 0.0005);
    return osmium::Location(lon, lat);
}

// The object as copy `copy` has it, in `out`.
void addCopy(const osmium::OSMObject& object, int copy, osmium::object_id_type stride, osmium::memory::Buffer& out)
{
    const osmium::object_id_type shift = copy * stride;
    const std::size_t offset = out.committed();
    out.add_item(object);
    out.commit();
    osmium::OSMObject& added = out.get<osmium::OSMObject>(offset);
    added.set_id(object.id() + (object.id() < 0 ? -shift : shift));
    if (added.type() == osmium::item_type::node) {
        osmium::Node& node = static_cast<osmium::Node&>(added);
        node.set_location(shifted(node.location(), copy));
    } else if (added.type() == osmium::item_type::way) {
        for (osmium::NodeRef& ref : static_cast<osmium::Way&>(added).nodes())
            ref.set_ref(ref.ref() + (ref.ref() < 0 ? -shift : shift));
    } else if (added.type() == osmium::item_type::relation) {
        for (osmium::RelationMember& member : static_cast<osmium::Relation&>(added).members())
            member.set_ref(member.ref() + (member.ref() < 0 ? -shift : shift));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    const int factor = argc == 4 ? std::atoi(argv[3]) : 0;
    if (factor < 1) {
        std::fputs("Usage: pelagor-scale-pbf SOURCE.osm.pbf TARGET.osm.pbf FACTOR\n", stderr);
        return 2;
    }
    try {
        std::vector<osmium::memory::Buffer> buffers;
        osmium::io::Reader reader(argv[1]);
        while (osmium::memory::Buffer buffer = reader.read())
            buffers.push_back(std::move(buffer));
        reader.close();
        const osmium::object_id_type stride = strideFor(buffers);

        osmium::io::Header header;
        header.set("generator", "pelagor-scale-pbf");
        header.set("sorting", "Type_then_ID");
        osmium::io::Writer writer(argv[2], header, osmium::io::overwrite::allow);
        for (osmium::item_type type : {osmium::item_type::node, osmium::item_type::way, osmium::item_type::relation}) {
            for (int copy = 0; copy < factor; ++copy) {
                for (const osmium::memory::Buffer& buffer : buffers) {
                    osmium::memory::Buffer out(buffer.committed() + 1024, osmium::memory::Buffer::auto_grow::yes);
                    for (const osmium::OSMObject& object : buffer.select<osmium::OSMObject>())
                        if (object.type() == type)
                            addCopy(object, copy, stride, out);
                    if (out.committed() > 0)
                        writer(std::move(out));
                }
            }
        }
        writer.close();
        std::printf("%d copies, ids raised by multiples of %lld\n", factor, static_cast<long long>(stride));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pelagor-scale-pbf: %s\n", e.what());
        return 1;
    }
    return 0;
}
