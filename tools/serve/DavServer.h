#pragma once
// The HTTP server: the library's request handling over connections of our own
// (ConnectionStream), one thread per connection, kept alive until idle or stopped.

#include <httplib.h>

#include <atomic>

#include "tools/serve/ConnectionStream.h"

namespace davserve {

class DavServer : public httplib::Server {
public:
    // keepAliveSeconds: how long an idle connection is kept open for the next request.
    explicit DavServer(double keepAliveSeconds);

    // Binds and listens on 127.0.0.1:port (0: a free port). Returns the port, -1 on failure.
    int Bind(int port);
    // Accepts and serves connections until Stop; returns when every connection has ended.
    void Run();
    // Stops accepting, ends kept-alive connections and cuts short every pause of a fault.
    // Callable from any thread.
    void Stop();

    // The connection being served on the calling thread; null outside a request.
    static ConnectionStream* CurrentConnection();

private:
    bool process_and_close_socket(socket_t sock) override;

    double m_keepAliveSeconds;
    std::atomic<bool> m_stopping{false};
};

}  // namespace davserve
