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

// Initialises libcurl's global state once and holds it until the process ends. Asynchronous
// reports call this on the starting thread before they arrange to be waited for at exit:
// the TLS library registers its own clean-up at exit during this first initialisation, so
// that clean-up runs only after the report threads have ended.
void HoldCurlGlobalState();
