#include "tools/serve/DavServer.h"

#include <cmath>
#include <fcntl.h>
#include <list>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace davserve {

namespace {

thread_local ConnectionStream* t_connection = nullptr;

// Connections waiting for the kernel to accept them; the library's own backlog is tiny.
constexpr int kListenBacklog = 128;

// One thread per connection, so that stalled or trickling answers never hold up others.
// Finished threads are joined as new ones start; shutdown joins the rest.
class ThreadPerConnection : public httplib::TaskQueue {
public:
    void enqueue(std::function<void()> fn) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        Reap();
        auto worker = std::make_unique<Worker>();
        Worker* w = worker.get();
        w->thread = std::thread([w, fn = std::move(fn)] {
            fn();
            w->done = true;
        });
        m_workers.push_back(std::move(worker));
    }

    void shutdown() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto& worker : m_workers) worker->thread.join();
        m_workers.clear();
    }

private:
    struct Worker {
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void Reap() {
        for (auto it = m_workers.begin(); it != m_workers.end();) {
            if ((*it)->done) {
                (*it)->thread.join();
                it = m_workers.erase(it);
            } else {
                ++it;
            }
        }
    }

    std::mutex m_mutex;
    std::list<std::unique_ptr<Worker>> m_workers;
};

}  // namespace

DavServer::DavServer(double keepAliveSeconds) : m_keepAliveSeconds(keepAliveSeconds) {
    new_task_queue = [] { return new ThreadPerConnection; };
    // The library writes these into the Keep-Alive header; our loop below keeps them.
    set_keep_alive_timeout(static_cast<time_t>(std::ceil(keepAliveSeconds)));
    set_keep_alive_max_count(1000000);
}

int DavServer::Bind(int port) {
    int bound = port;
    if (port == 0) {
        bound = bind_to_any_port("127.0.0.1");
        if (bound <= 0) return -1;
    } else if (!bind_to_port("127.0.0.1", port)) {
        return -1;
    }
    ::listen(svr_sock_, kListenBacklog);
    return bound;
}

void DavServer::Run() { listen_after_bind(); }

void DavServer::Stop() {
    m_stopping = true;
    stop();
}

ConnectionStream* DavServer::CurrentConnection() { return t_connection; }

bool DavServer::process_and_close_socket(socket_t sock) {
    // Answers end with a separate one-byte send (see ConnectionStream); without this the
    // kernel would hold it back until the client acknowledges the rest.
    int noDelay = 1;
    ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
    // Every wait on the socket is a poll that watches for the server stopping.
    ::fcntl(sock, F_SETFL, ::fcntl(sock, F_GETFL) | O_NONBLOCK);
    ConnectionStream stream(sock, m_stopping);
    t_connection = &stream;
    bool ok = true;
    while (!m_stopping && stream.WaitForRequest(m_keepAliveSeconds)) {
        stream.BeginResponse();
        bool closedByClient = false;
        ok = process_request(stream, false, closedByClient, nullptr);
        // The answer is logged; now the client may see its end.
        if (!stream.Flush()) ok = false;
        if (!ok || closedByClient || stream.CloseRequested() || stream.WasCut()) break;
    }
    t_connection = nullptr;
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
}

}  // namespace davserve
