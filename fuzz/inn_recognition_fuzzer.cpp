// FindInns on arbitrary text: labelled and free-standing numbers, bounded matching.
// Input: encoding selector, then the text.
#include "fuzz/FuzzInput.h"
#include "text/InnRecognition.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Input input = fuzz::ReadInput(data, size, 1, 1);
    const QString& text = input.fields.front();
    const QStringList inns = FindInns(text);
    for (const QString& inn : inns) {
        FUZZ_CHECK(inn.size() == 10 || inn.size() == 12);
        for (const QChar c : inn)
            FUZZ_CHECK(c >= u'0' && c <= u'9');
        FUZZ_CHECK(text.contains(inn));
    }
    return 0;
}
