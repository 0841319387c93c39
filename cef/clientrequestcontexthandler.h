#pragma once

// A browser's own decisions about what its pages may load. One per browser.
class ClientRequestContextHandler
{
public:
    // Every plugin is allowed, on every page. True: the decision is taken here.
    bool OnBeforePluginLoad(bool &allowed);
};
