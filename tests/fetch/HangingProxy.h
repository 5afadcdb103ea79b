#pragma once

// A proxy that accepts connections and never answers: a socket listening on
// 127.0.0.1 whose connections the kernel completes but nobody ever reads or
// answers. The destructor closes it, which resets the waiting connections.
class HangingProxy {
public:
    // Throws std::runtime_error when no port can be taken.
    HangingProxy();
    ~HangingProxy();
    HangingProxy(const HangingProxy&) = delete;
    HangingProxy& operator=(const HangingProxy&) = delete;

    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};
