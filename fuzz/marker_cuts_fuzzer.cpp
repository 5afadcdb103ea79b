// ExtractBetween and LastPosBefore with the markers taken from the input.
// Input: encoding selector, then text, start, middle and end marker separated
// by 0x1F; missing markers are empty (absent).
#include "fuzz/FuzzInput.h"
#include "text/MarkerCuts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Input input = fuzz::ReadInput(data, size, 1, 4);
    const QString text = input.field(0);
    const QString start = input.field(1);
    const QString mid = input.field(2);
    const QString end = input.field(3);

    const QString cut = ExtractBetween(text, start, mid, end);
    FUZZ_CHECK(cut.size() <= text.size());
    FUZZ_CHECK(text.contains(cut));
    if (!cut.isEmpty() && !end.isEmpty()) FUZZ_CHECK(text.contains(cut + end));

    // Each marker as the needle, before every position the text's length suggests.
    for (const QString& sub : {start, mid, end}) {
        for (qsizetype pos : {qsizetype(-1), qsizetype(0), qsizetype(1), text.size() / 2,
                              text.size(), text.size() + 1}) {
            const qsizetype found = LastPosBefore(sub, text, pos);
            FUZZ_CHECK(found >= 0);
            if (found == 0) continue;
            FUZZ_CHECK(found - 1 + sub.size() <= std::min(pos, text.size()));
            FUZZ_CHECK(QStringView(text).sliced(found - 1, sub.size()) == sub);
        }
    }
    return 0;
}
