// The text conversion of text_codec.h on Windows, with the system's code page
// functions (MultiByteToWideChar, WideCharToMultiByte) and a table of the
// encoding names they stand for; Windows has no iconv. Text goes through
// UTF-16 on its way from one encoding to the other.
//
// The code page functions convert a whole buffer or nothing, so the text is
// first cut into characters here, by the shape of their bytes, to know where
// a character is cut off at the end; a run of characters that does not convert
// is then taken one character at a time to find the one at fault.
#include "text_codec.h"

#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <optional>

#include "host_limits.h"
#include "text_converter.h"

namespace {

// An encoding as the code page functions see it. UTF-16 has a code page number
// but those functions do not take it, so it is converted here: in the byte
// order named, or, as plain "UTF-16", in the order a byte order mark at the
// start gives (big-endian without one), and written little-endian after one.
struct TEncoding {
    enum TKind { ekCodePage, ekUtf16Le, ekUtf16Be, ekUtf16 };
    TKind kind = ekCodePage;
    UINT codePage = 0;
};

// Upper-case letters and digits of `name`: "utf-8", "UTF8" and "Utf_8" are one name.
std::string Key(const std::string& name) {
    std::string key;
    for (const char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    return key;
}

// The number after `prefix` in `key`, or 0.
UINT NumberAfter(const std::string& key, const std::string& prefix) {
    if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0) return 0;
    const std::string digits = key.substr(prefix.size());
    if (digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
    return static_cast<UINT>(std::atoi(digits.c_str()));
}

// Whether the code page functions convert `codePage` statelessly, one
// character of one or two bytes at a time, or it is UTF-8. Stateful encodings
// (ISO-2022-JP, UTF-7) and those of up to four bytes (GB 18030) are left out:
// the cutting into characters above knows nothing of them.
bool UsableCodePage(UINT codePage) {
    if (codePage == CP_UTF8) return true;
    if (codePage == CP_UTF7 || (codePage >= 50000 && codePage < 60000)) return false;
    if (!IsValidCodePage(codePage)) return false;
    CPINFO info;
    return GetCPInfo(codePage, &info) && info.MaxCharSize <= 2;
}

// The encoding a name stands for: the names below, code page 932 under every
// name IsCodePage932 knows, and any usable code page by its number as CP932,
// WINDOWS-1252 or IBM437 have it.
std::optional<TEncoding> FindEncoding(const std::string& name) {
    static const struct {
        const char* key;
        TEncoding encoding;
    } named[] = {
        // clang-format off
        {"UTF8",    {TEncoding::ekCodePage, CP_UTF8}},
        {"UTF16",   {TEncoding::ekUtf16, 0}},
        {"UTF16LE", {TEncoding::ekUtf16Le, 0}},
        {"UTF16BE", {TEncoding::ekUtf16Be, 0}},
        {"EUCJP",   {TEncoding::ekCodePage, 20932}},
        {"ASCII",   {TEncoding::ekCodePage, 20127}},
        {"USASCII", {TEncoding::ekCodePage, 20127}},
        {"LATIN1",  {TEncoding::ekCodePage, 28591}},
        {"GBK",     {TEncoding::ekCodePage, 936}},
        {"BIG5",    {TEncoding::ekCodePage, 950}},
        {"UHC",     {TEncoding::ekCodePage, 949}},
        {"KOI8R",   {TEncoding::ekCodePage, 20866}},
        {"KOI8U",   {TEncoding::ekCodePage, 21866}},
        // clang-format on
    };
    const std::string key = Key(name);
    for (const auto& entry : named) {
        if (key != entry.key) continue;
        if (entry.encoding.kind != TEncoding::ekCodePage || UsableCodePage(entry.encoding.codePage))
            return entry.encoding;
        return std::nullopt;
    }
    UINT codePage = 0;
    if (IsCodePage932(name)) {
        codePage = 932;
    } else if (const UINT part = NumberAfter(key, "ISO8859")) {
        codePage = 28590 + part;
    } else {
        for (const char* prefix : {"CP", "WINDOWS", "IBM"}) {
            if ((codePage = NumberAfter(key, prefix)) != 0) break;
        }
    }
    if (codePage == 0 || !UsableCodePage(codePage)) return std::nullopt;
    return TEncoding{TEncoding::ekCodePage, codePage};
}

class TCodePageCodec final : public TTextCodec {
public:
    TCodePageCodec(TEncoding from, TEncoding to) : from(from), to(to) {
        Reset(nullptr);
        if (from.kind == TEncoding::ekCodePage && from.codePage != CP_UTF8) FindSingleBytes();
    }

    std::size_t Run(std::string_view bytes, std::string& result, TStop& stop) override {
        std::size_t position = 0;
        stop = tsNone;
        if (!fromOrderKnown) {
            if (bytes.size() < 2) {
                stop = bytes.empty() ? tsNone : tsIncomplete;
                return 0;
            }
            fromOrderKnown = true;
            if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
                fromLittle = bytes[0] == '\xFF';
                position = 2;
            }
        }
        while (position < bytes.size()) {
            // A run of whole characters, up to where one is cut off or cannot be one.
            std::size_t end = position;
            TStop shapeStop = tsNone;
            while (end < bytes.size() && end - position < runBytes) {
                std::size_t length = 0;
                shapeStop = Shape(bytes.substr(end), length);
                if (shapeStop != tsNone) break;
                end += length;
            }
            if (!ConvertWhole(bytes.substr(position, end - position), result)) {
                while (position < end) {
                    std::size_t length = 0;
                    Shape(bytes.substr(position), length);
                    if (!ConvertWhole(bytes.substr(position, length), result)) {
                        stop = tsInvalid;
                        return position;
                    }
                    position += length;
                }
            }
            position = end;
            if (shapeStop != tsNone) {
                stop = shapeStop;
                break;
            }
        }
        return position;
    }

    // Only plain UTF-16 has a state: whether the byte order mark has been
    // read or written.
    void Reset(std::string*) override {
        fromOrderKnown = from.kind != TEncoding::ekUtf16;
        fromLittle = from.kind == TEncoding::ekUtf16Le;
        toMarkPending = to.kind == TEncoding::ekUtf16;
    }

    // A byte alone would break UTF-16 text apart into units that mean
    // something else; such a byte shows as the replacement character there.
    void PassOn(char byte, std::string& result) override {
        if (to.kind == TEncoding::ekCodePage) {
            result.push_back(byte);
        } else {
            wide.assign(1, L'\xFFFD');
            Encode(result);
        }
    }

private:
    // Characters converted with one call of each of the code page functions.
    static constexpr std::size_t runBytes = HostLimits::conversionBlockBytes * 16;

    // Finds the bytes of a double-byte code page that begin a character of
    // two, and the single bytes that are no character. Windows gives some
    // single bytes of those code pages a meaning that the code page itself
    // does not (0x80 and 0xA0 of code page 932 become a control character
    // and a private character); they are treated as no character, as
    // elsewhere, so that a macro prints the same on every system.
    void FindSingleBytes() {
        CPINFO info;
        if (!GetCPInfo(from.codePage, &info)) return;
        for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
            for (unsigned byte = info.LeadByte[i]; byte <= info.LeadByte[i + 1]; ++byte)
                leadBytes[byte] = true;
        }
        if (info.MaxCharSize < 2) return;
        for (unsigned byte = 0x80; byte <= 0xFF; ++byte) {
            if (leadBytes[byte]) continue;
            const char single = static_cast<char>(byte);
            wchar_t unit = 0;
            const bool converts =
                MultiByteToWideChar(from.codePage, MB_ERR_INVALID_CHARS, &single, 1, &unit, 1) == 1;
            const bool control = unit >= 0x80 && unit <= 0x9F;
            const bool privateUse = unit >= 0xE000 && unit <= 0xF8FF;
            noCharacter[byte] = !converts || control || privateUse;
        }
    }

    // Whether `bytes` begin with a whole character of the source encoding, by
    // the shape of its bytes alone, and how many bytes it has.
    TStop Shape(std::string_view bytes, std::size_t& length) const {
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
        switch (from.kind) {
            case TEncoding::ekUtf16:
            case TEncoding::ekUtf16Le:
            case TEncoding::ekUtf16Be: {
                length = 2;
                if (bytes.size() < 2) return tsIncomplete;
                const unsigned unit = Unit(bytes, 0);
                if (unit >= 0xDC00 && unit <= 0xDFFF) return tsInvalid;
                if (unit < 0xD800 || unit > 0xDBFF) return tsNone;
                length = 4;
                if (bytes.size() < 4) return tsIncomplete;
                const unsigned next = Unit(bytes, 2);
                return next >= 0xDC00 && next <= 0xDFFF ? tsNone : tsInvalid;
            }
            case TEncoding::ekCodePage:
                break;
        }
        length = 1;
        if (from.codePage != CP_UTF8) {
            if (noCharacter[byte(0)]) return tsInvalid;
            if (!leadBytes[byte(0)]) return tsNone;
            length = 2;
            return bytes.size() < 2 ? tsIncomplete : tsNone;
        }
        const unsigned lead = byte(0);
        if (lead < 0x80) return tsNone;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
        } else {
            return tsInvalid;
        }
        // What there is of the character must be able to continue it.
        for (std::size_t i = 1; i < length && i < bytes.size(); ++i) {
            if ((byte(i) & 0xC0) != 0x80) return tsInvalid;
        }
        return bytes.size() < length ? tsIncomplete : tsNone;
    }

    // The UTF-16 unit at `at` of the source.
    unsigned Unit(std::string_view bytes, std::size_t at) const {
        const unsigned first = static_cast<unsigned char>(bytes[at]);
        const unsigned second = static_cast<unsigned char>(bytes[at + 1]);
        return fromLittle ? first | second << 8 : first << 8 | second;
    }

    // Converts whole characters; appends them to `result` and returns true
    // when every one of them converts, otherwise appends nothing.
    bool ConvertWhole(std::string_view bytes, std::string& result) {
        if (bytes.empty()) return true;
        return Decode(bytes) && Encode(result);
    }

    // Fills `wide` with `bytes` in UTF-16.
    bool Decode(std::string_view bytes) {
        wide.clear();
        if (from.kind != TEncoding::ekCodePage) {
            for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
                wide.push_back(static_cast<wchar_t>(Unit(bytes, i)));
            return true;
        }
        const int size = static_cast<int>(bytes.size());
        wide.resize(bytes.size());
        const int count = MultiByteToWideChar(from.codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                              size, wide.data(), size);
        wide.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
        return count > 0;
    }

    // Appends `wide` to `result` in the target encoding.
    bool Encode(std::string& result) {
        if (to.kind != TEncoding::ekCodePage) {
            const bool little = to.kind != TEncoding::ekUtf16Be;
            if (toMarkPending && !wide.empty()) {
                result.append("\xFF\xFE");
                toMarkPending = false;
            }
            for (const wchar_t unit : wide) {
                const char low = static_cast<char>(unit & 0xFF);
                const char high = static_cast<char>(unit >> 8);
                result.push_back(little ? low : high);
                result.push_back(little ? high : low);
            }
            return true;
        }
        // UTF-8 has every character; it only refuses halves of surrogate pairs.
        // Elsewhere a character the code page lacks is refused, rather than
        // written as a look-alike or a question mark.
        const bool utf8 = to.codePage == CP_UTF8;
        const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
        BOOL usedDefault = FALSE;
        const int size = static_cast<int>(wide.size());
        encoded.resize(wide.size() * 4);
        const int count = WideCharToMultiByte(to.codePage, flags, wide.data(), size, encoded.data(),
                                              static_cast<int>(encoded.size()), nullptr,
                                              utf8 ? nullptr : &usedDefault);
        if (count <= 0 || usedDefault) return false;
        result.append(encoded.data(), static_cast<std::size_t>(count));
        return true;
    }

    const TEncoding from;
    const TEncoding to;
    bool leadBytes[256] = {};
    bool noCharacter[256] = {};
    // The byte order of UTF-16 text read, once known, and whether UTF-16
    // text written still needs its byte order mark.
    bool fromOrderKnown = true;
    bool fromLittle = false;
    bool toMarkPending = false;
    // Reused from call to call, to spare an allocation per character.
    std::wstring wide;
    std::string encoded;
};

}  // namespace

std::unique_ptr<TTextCodec> TTextCodec::Open(const std::string& to, const std::string& from) {
    const auto target = FindEncoding(to);
    const auto source = FindEncoding(from);
    if (!target || !source) return nullptr;
    return std::make_unique<TCodePageCodec>(*source, *target);
}
