#pragma once
// One analytics upload attempt over libcurl.

#include <atomic>
#include <string>

// POSTs body (sent as it is, not percent-encoded) to url with the form content type, after
// writing the body to the log. The connect and total limits of GetBiTimeouts() apply. True
// when the transfer completed without a transport error and the response contains "0"
// anywhere (the HTTP status is not looked at). When cancel (may be null) becomes true the
// transfer is abandoned and the attempt fails.
bool UploadBiRecord(const std::string& url, const std::string& body,
                    const std::atomic<bool>* cancel);
