#pragma once

// Whether the HTTP library was built with the TLS support that the portal's
// HTTPS addresses need.
bool HttpsSupported();
