#pragma once
// Turns the answer the server means to give into the library's response, altered by a
// fault when one applies.

#include <httplib.h>

#include <memory>
#include <string>

#include "tools/serve/BodySource.h"
#include "tools/serve/ConnectionStream.h"
#include "tools/serve/FaultDirective.h"

namespace davserve {

// What the server would answer without a fault.
struct Answer {
    int status = 200;
    std::string contentType = "text/plain";
    std::shared_ptr<BodySource> body;  // null: empty body
};

// Sets res (status, headers, body provider) from answer, as fault says when it is not
// null. Faults that pause or cut the connection act through connection, on the thread
// that writes the response.
void Respond(const Answer& answer, const Fault* fault, httplib::Response& res,
             ConnectionStream& connection);

}  // namespace davserve
