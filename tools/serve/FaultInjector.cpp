#include "tools/serve/FaultInjector.h"

#include <algorithm>
#include <vector>

namespace davserve {

namespace {

// Bytes handed to the connection at a time.
constexpr size_t kChunk = 256 * 1024;

// Interval at which a stalled answer checks whether the client is still there.
constexpr double kStallCheckSeconds = 1.0;

// Reads body bytes [offset, offset + length) in chunks, inverts those at the flip offsets
// and hands them to write; false when reading or writing fails.
class BodyPump {
public:
    BodyPump(std::shared_ptr<BodySource> body, std::vector<uint64_t> flips)
        : m_body(std::move(body)), m_flips(std::move(flips)) {}

    bool Send(uint64_t offset, uint64_t length, httplib::DataSink& sink) {
        uint64_t end = std::min(offset + length, m_body->Size());
        while (offset < end) {
            size_t want = static_cast<size_t>(std::min<uint64_t>(kChunk, end - offset));
            if (m_buffer.size() < want) m_buffer.resize(want);
            ssize_t got = m_body->Read(offset, m_buffer.data(), want);
            if (got <= 0) return false;
            for (uint64_t flip : m_flips)
                if (flip >= offset && flip < offset + static_cast<uint64_t>(got))
                    m_buffer[flip - offset] = static_cast<char>(~m_buffer[flip - offset]);
            if (!sink.write(m_buffer.data(), static_cast<size_t>(got))) return false;
            offset += static_cast<uint64_t>(got);
        }
        return true;
    }

    // Sends body bytes [offset, offset + length) straight from the file when the body is a
    // file and nothing is changed, else as Send does.
    bool SendDirect(uint64_t offset, uint64_t length, httplib::DataSink& sink,
                    ConnectionStream& connection) {
        static const char kAlreadySent[kChunk] = {};
        int fd = m_body->FileDescriptor();
        if (fd < 0 || !m_flips.empty()) return Send(offset, length, sink);
        length = std::min(length, m_body->Size() - std::min(offset, m_body->Size()));
        if (!connection.SendFileRange(fd, offset, length)) return false;
        for (uint64_t left = length; left > 0;) {
            size_t step = static_cast<size_t>(std::min<uint64_t>(kChunk, left));
            if (!sink.write(kAlreadySent, step)) return false;
            left -= step;
        }
        return true;
    }

    uint64_t Size() const { return m_body->Size(); }

private:
    std::shared_ptr<BodySource> m_body;
    std::vector<uint64_t> m_flips;
    std::vector<char> m_buffer;
};

// A body with Content-Length.
void SetLengthBody(httplib::Response& res, const std::string& type,
                   const std::shared_ptr<BodyPump>& pump) {
    if (pump->Size() == 0) {
        res.set_content(std::string(), type);
        return;
    }
    res.set_content_provider(static_cast<size_t>(pump->Size()), type,
                             [pump](size_t offset, size_t length, httplib::DataSink& sink) {
                                 return pump->Send(offset, length, sink);
                             });
}

// A body without Content-Length, chunked or ended by closing the connection.
void SetNoLengthBody(httplib::Response& res, const std::string& type,
                     const std::shared_ptr<BodyPump>& pump, bool chunked,
                     ConnectionStream& connection) {
    auto provider = [pump](size_t offset, httplib::DataSink& sink) {
        uint64_t length = std::min<uint64_t>(kChunk, pump->Size() - std::min<uint64_t>(offset, pump->Size()));
        if (length == 0) {
            sink.done();
            return true;
        }
        return pump->Send(offset, length, sink);
    };
    if (chunked) {
        res.set_chunked_content_provider(type, provider);
    } else {
        res.set_header("Connection", "close");
        connection.RequestClose();
        res.set_content_provider(type, provider);
    }
}

// A body with Content-Length that goes out straight from the file when it is one.
void SetDirectBody(httplib::Response& res, const std::string& type,
                   const std::shared_ptr<BodyPump>& pump, ConnectionStream& connection) {
    if (pump->Size() == 0) {
        res.set_content(std::string(), type);
        return;
    }
    ConnectionStream* conn = &connection;
    res.set_content_provider(static_cast<size_t>(pump->Size()), type,
                             [pump, conn](size_t offset, size_t length, httplib::DataSink& sink) {
                                 return pump->SendDirect(offset, length, sink, *conn);
                             });
}

// A body with its full Content-Length that is cut short (truncate), falls silent (stall)
// or comes one byte at a time (trickle).
void SetPacedBody(httplib::Response& res, const std::string& type,
                  const std::shared_ptr<BodyPump>& pump, const Fault& fault,
                  ConnectionStream& connection) {
    if (pump->Size() == 0) {
        SetLengthBody(res, type, pump);
        return;
    }
    ConnectionStream* conn = &connection;
    res.set_content_provider(
        static_cast<size_t>(pump->Size()), type,
        [pump, fault, conn](size_t offset, size_t length, httplib::DataSink& sink) {
            switch (fault.kind) {
            case FaultKind::Truncate:
                if (offset >= fault.count) return false;  // the connection is then closed
                return pump->Send(offset, std::min<uint64_t>(length, fault.count - offset), sink);
            case FaultKind::Stall:
                if (offset < fault.count)
                    return pump->Send(offset, std::min<uint64_t>(length, fault.count - offset),
                                      sink);
                while (conn->Pause(kStallCheckSeconds)) {
                }
                return false;
            case FaultKind::Trickle:
                if (offset > 0 && !conn->Pause(fault.seconds)) return false;
                return pump->Send(offset, 1, sink);
            default:
                return false;
            }
        });
}

std::shared_ptr<BodyPump> TextPump(const std::string& text) {
    return std::make_shared<BodyPump>(BodySource::FromText(text), std::vector<uint64_t>());
}

}  // namespace

void Respond(const Answer& answer, const Fault* fault, httplib::Response& res,
             ConnectionStream& connection) {
    auto body = answer.body ? answer.body : BodySource::FromText(std::string());
    const std::string& type = answer.contentType;
    res.status = answer.status;
    if (!fault) {
        SetDirectBody(res, type, std::make_shared<BodyPump>(body, std::vector<uint64_t>()),
                      connection);
        return;
    }
    connection.SetFaultName(fault->name);
    auto pump = std::make_shared<BodyPump>(
        body, fault->kind == FaultKind::Flip ? fault->offsets : std::vector<uint64_t>());
    switch (fault->kind) {
    case FaultKind::Status:
        res.status = fault->status;
        SetLengthBody(res, "text/plain", TextPump("fault " + std::to_string(fault->status) + "\n"));
        return;
    case FaultKind::Redirect:
        res.set_redirect(fault->text, 302);
        return;
    case FaultKind::Body:
        res.status = 200;
        SetLengthBody(res, "text/plain", TextPump(fault->text));
        return;
    case FaultKind::NoLength:
        SetNoLengthBody(res, type, pump, fault->chunked, connection);
        return;
    case FaultKind::Delay:
        connection.Pause(fault->seconds);
        SetDirectBody(res, type, pump, connection);
        return;
    case FaultKind::Flip:
        SetLengthBody(res, type, pump);
        return;
    case FaultKind::Close:
        connection.LimitResponseBytes(fault->count);
        SetLengthBody(res, type, pump);
        return;
    case FaultKind::Truncate:
    case FaultKind::Stall:
    case FaultKind::Trickle:
        SetPacedBody(res, type, pump, *fault, connection);
        return;
    }
}

}  // namespace davserve
