#pragma once

#include <filesystem>

// Makes a fresh EC P-256 key and a self-signed certificate for the loopback host (CN 127.0.0.1,
// subject alternative names IP 127.0.0.1 and DNS localhost), valid from an hour ago for a week,
// and writes both as PEM files. Throws std::runtime_error with OpenSSL's reason on failure.
void writeSelfSignedCertificate(const std::filesystem::path& certificateFile,
                                const std::filesystem::path& keyFile);
