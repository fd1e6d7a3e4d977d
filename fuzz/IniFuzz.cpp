// Feeds arbitrary bytes to the INI worker as a file, reads from it and writes into it in memory, and checks that
// a write changes nothing but its own line and reads back what it wrote, that the file changed in place reads as
// the same bytes parsed afresh.
//
// Input layout: three length bytes (section, key, value), then those texts, then the file's bytes.

#include "platform/IniText.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using Kadex::Platform::IniText;

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "IniFuzz: %s\n", what);
        std::abort();
    }
}

bool isPlain(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The argument with everything but letters and digits dropped; `fallback` when nothing is left.
QByteArray plain(const QByteArray &text, const char *fallback)
{
    QByteArray kept;
    for (const char c : text) {
        if (isPlain(c)) {
            kept.append(c);
        }
    }
    return kept.isEmpty() ? QByteArray(fallback) : kept;
}

bool isBreak(char c)
{
    return c == '\r' || c == '\n';
}

// Whether raw, text in the given encoding starting at a character boundary, holds a CR or LF.
bool holdsLineBreak(const QByteArray &raw, IniText::Encoding encoding)
{
    if (encoding == IniText::Encoding::Utf16Le || encoding == IniText::Encoding::Utf16Be) {
        const bool little = encoding == IniText::Encoding::Utf16Le;
        for (qsizetype i = 0; i + 1 < raw.size(); i += 2) {
            if (little ? (isBreak(raw[i]) && raw[i + 1] == '\0') : (raw[i] == '\0' && isBreak(raw[i + 1]))) {
                return true;
            }
        }
        return false;
    }
    return raw.contains('\r') || raw.contains('\n');
}

// Writes section/key/value and checks that the bytes outside the reported change are the old ones, and that the
// change stays inside one line: it removes no line break.
void writeChecked(IniText &text, const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    const QByteArray before = text.bytes();
    const IniText::Encoding encoding = text.encoding();
    const IniText::Edit edit = text.write(section, key, value);
    const QByteArray after = text.bytes();

    check(edit.offset >= 0 && edit.removed >= 0 && edit.offset + edit.removed <= before.size(), "edit out of range");
    check(text.encoding() == encoding, "a write changed the encoding");
    check(after == before.first(edit.offset) + edit.inserted + before.sliced(edit.offset + edit.removed),
          "bytes outside the written line changed");
    check(!holdsLineBreak(before.sliced(edit.offset, edit.removed), encoding), "a write removed a line break");
}

// The text changed in place reads section/key as its bytes parsed afresh do.
void checkFresh(const IniText &text, const QByteArray &section, const QByteArray &key)
{
    const IniText fresh(text.bytes());
    check(text.value(section, key) == fresh.value(section, key), "the changed text reads unlike a fresh parse");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 3) {
        return 0;
    }
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    qsizetype at = 3;
    const auto take = [&](int length) {
        const QByteArray part = input.sliced(at, std::min<qsizetype>(length, input.size() - at));
        at += part.size();
        return part;
    };
    const QByteArray section = take(static_cast<std::uint8_t>(input[0]) & 31);
    const QByteArray key = take(static_cast<std::uint8_t>(input[1]) & 31);
    const QByteArray value = take(static_cast<std::uint8_t>(input[2]) & 63);
    const QByteArray file = input.sliced(at);

    IniText text(file);
    check(text.bytes() == file, "parsing lost bytes");

    const QByteArray read = text.getString(section, key, QByteArray(255, ' '), 255);
    check(read.size() <= 254, "a read overran its buffer");
    const std::optional<QByteArray> whole = text.value(section, key);
    check(whole ? read == whole->left(254) : read.isEmpty(), "a read disagrees with the entry's value");
    static_cast<void>(text.getInt(section, key, -1));

    // Arbitrary arguments: only the byte-keeping rules can be checked.
    writeChecked(text, section, key, value);
    checkFresh(text, section, key);

    // Plain arguments: the value must also read back, and writing it again must change nothing.
    const QByteArray plainSection = plain(section, "S");
    const QByteArray plainKey = plain(key, "K");
    const QByteArray plainValue = plain(value, "v");
    writeChecked(text, plainSection, plainKey, plainValue);
    checkFresh(text, section, key);
    checkFresh(text, plainSection, plainKey);
    check(text.getString(plainSection, plainKey, {}, 255) == plainValue.left(254),
          "the written value reads back wrong");
    const QByteArray written = text.bytes();
    writeChecked(text, plainSection, plainKey, plainValue);
    check(text.bytes() == written, "writing the same value again changed the file");
    return 0;
}
