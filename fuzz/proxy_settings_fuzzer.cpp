// ConfigureProxy and SplitProxyFields on "proxy.txt" entries, applied one
// after another to the same settings as a session's rotation does.
// Input: encoding selector, then entries separated by 0x1F.
#include "fetch/ProxySettings.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Input input = fuzz::ReadInput(data, size, 1, 16);
    ProxySettings settings;
    for (const QString& entry : input.fields) {
        const QStringList fields = SplitProxyFields(entry);
        FUZZ_CHECK(fields.size() <= entry.size() + 1);
        const ProxySettings before = settings;
        ConfigureProxy(settings, entry);
        if (entry.isEmpty()) {
            FUZZ_CHECK(settings.server.isEmpty() && settings.port == 0 && settings.user.isEmpty());
        }
        // Credentials are dropped only by an empty entry or by a proxy named without any
        // ("host:port"), which must never be sent another proxy's password.
        if (settings.user.isEmpty() && !before.user.isEmpty())
            FUZZ_CHECK(entry.isEmpty() || !settings.server.isEmpty());
    }
    return 0;
}
