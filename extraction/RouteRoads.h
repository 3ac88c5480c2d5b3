#ifndef EXTRACTION_ROUTEROADS_H
#define EXTRACTION_ROUTEROADS_H

// "Keep the roads that routes use": the ways that the kept bus, trolleybus and tram routes name as
// members, which the network then keeps as roads whatever their tags, but for the route's
// platforms (NetworkKeepRules::isPlatformMember and isPlatformWay). Routes come after the ways in
// a file, so a pass over a file's relations gathers them before the pass that builds the network;
// the ways of the routes of every file read so far count. Only ids are held. Used in the
// processing worker thread.
#include "extraction/OSMHandler.h"

#include <QtGlobal>
#include <utility>
#include <vector>

class ClipSelection;

class RouteRoads : public OSMHandler
{
public:
    // Ends the pass over a file's relations; with a clip, only the routes `selection` keeps count.
    void finish(const ClipSelection* selection = nullptr);
    // A way member of a kept route, not as its platform.
    bool contains(qint64 way) const;
    // Such a way that can be a road: one of at least two node references, not tagged as a platform.
    bool keeps(const OSMEntity& way) const;

    // The ways the network took only because a route uses them.
    void countAdded() { ++added; }
    std::size_t addedCount() const { return added; }

protected:
    bool wantsNode(qint64) const override { return false; }
    bool wantsWay(qint64) const override { return false; }
    void relation(const OSMEntity& relation) override;

private:
    std::vector<qint64> ways;                     // sorted and unique after finish()
    std::vector<std::pair<qint64, qint64>> found; // (route, way) of the file being read
    std::size_t added = 0;
};

#endif
