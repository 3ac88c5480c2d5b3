#ifndef COMMON_USERAGENT_H
#define COMMON_USERAGENT_H

// How Pelagor names itself to the OpenStreetMap services: the User-Agent of every request it
// sends (the editing API, the tile servers, the place search). Their usage policies tell
// clients apart by it, so all requests carry the same one. A plain constant, any thread.

class UserAgent
{
public:
    static constexpr const char* header = "User-Agent";
    static constexpr const char* value = "Dorvex";
};

#endif
