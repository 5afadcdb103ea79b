// The INN list as the program reads it: the file's bytes decoded
// (DecodeText, as ReadListFile does, without the disk), split into lines,
// each line read as a request.
// Input: the file's bytes, as they are (no selector: DecodeText picks the
// encoding by the byte-order mark and the bytes themselves).
#include "fuzz/FuzzInput.h"
#include "platform/TextFile.h"
#include "report/InnRequest.h"

namespace {

bool IsTrimmed(const QString& text) {
    return text.isEmpty() || (text.front().unicode() > 32 && text.back().unicode() > 32);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const DecodedText decoded = DecodeText(bytes);
    // Every byte is a character of the code page and back: the file is written as it was read.
    if (decoded.encoding == TextEncoding::Windows1251)
        FUZZ_CHECK(EncodeText(decoded.text, TextEncoding::Windows1251) == bytes);

    const QStringList lines = SplitLines(decoded.text);
    for (const QString& line : lines) {
        FUZZ_CHECK(!line.contains(u'\r') && !line.contains(u'\n'));
        const InnRequest request = ParseInnListLine(line);
        FUZZ_CHECK(IsTrimmed(request.Inn));
        FUZZ_CHECK(IsTrimmed(request.ReportGroup));
        FUZZ_CHECK(line.contains(request.Inn) && line.contains(request.ReportGroup));
    }

    // A single line given as text of its own, unpaired surrogates and all.
    const fuzz::Input input = fuzz::ReadInput(data, size, 1, 1);
    const InnRequest request = ParseInnListLine(input.fields.front());
    FUZZ_CHECK(IsTrimmed(request.Inn) && IsTrimmed(request.ReportGroup));
    return 0;
}
