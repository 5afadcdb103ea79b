// HtmlDecode and HtmlToText on arbitrary page text.
// Input: encoding selector, then the HTML.
#include "fuzz/FuzzInput.h"
#include "text/HtmlText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Input input = fuzz::ReadInput(data, size, 1, 1);
    const QString& html = input.fields.front();

    // Every reference shrinks to one character or is copied, so decoding never grows the text.
    const QString decoded = HtmlDecode(html);
    FUZZ_CHECK(decoded.size() <= html.size());

    // Tags go from "<" to ">", and an unclosed "<" takes the rest: no "<" is left.
    const QString text = HtmlToText(html);
    FUZZ_CHECK(text.size() <= html.size());
    FUZZ_CHECK(!text.contains(u'<'));
    return 0;
}
