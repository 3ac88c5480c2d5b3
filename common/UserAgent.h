#ifndef COMMON_USERAGENT_H
#define COMMON_USERAGENT_H

// The User-Agent of every request Pelagor sends (the editing API, Overpass, the tile servers,
// the place search): it names Dorvex, the simulator the networks are made for. The services'
// usage policies tell clients apart by it, so all requests carry the same one. A plain
// constant, any thread.

class UserAgent
{
public:
    static constexpr const char* header = "User-Agent";
    static constexpr const char* value = "Dorvex";
};

#endif
