#include "text_converter.h"

#include <cctype>

#include "text_codec.h"

bool IsCodePage932(const std::string& name) {
    std::string key;
    for (const char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    for (const char* known : {"CP932", "MS932", "WINDOWS31J", "SHIFTJIS", "SJIS", "MSKANJI"}) {
        if (key == known) return true;
    }
    return false;
}

std::unique_ptr<TTextConverter> TTextConverter::Open(const std::string& to,
                                                     const std::string& from) {
    auto codec = TTextCodec::Open(to, from);
    if (!codec) return nullptr;
    return std::unique_ptr<TTextConverter>(new TTextConverter(std::move(codec)));
}

TTextConverter::TTextConverter(std::unique_ptr<TTextCodec> codec) : codec(std::move(codec)) {}

TTextConverter::~TTextConverter() = default;

void TTextConverter::Convert(std::string_view bytes, std::string& result) {
    std::string joined;
    if (!held.empty()) {
        joined = held;
        joined.append(bytes);
        held.clear();
        bytes = joined;
    }
    while (!bytes.empty()) {
        TTextCodec::TStop stop = TTextCodec::tsNone;
        bytes.remove_prefix(codec->Run(bytes, result, stop));
        if (stop == TTextCodec::tsNone) break;
        if (stop == TTextCodec::tsIncomplete) {
            held.assign(bytes);
            break;
        }
        codec->PassOn(bytes.front(), result);
        bytes.remove_prefix(1);
    }
}

void TTextConverter::Release(std::string& result) {
    for (const char byte : held) codec->PassOn(byte, result);
    held.clear();
}

void TTextConverter::Finish(std::string& result) {
    Release(result);
    codec->Reset(&result);
}

bool TTextConverter::ConvertStrictly(std::string_view bytes, std::string& result) {
    held.clear();
    codec->Reset(nullptr);
    TTextCodec::TStop stop = TTextCodec::tsNone;
    codec->Run(bytes, result, stop);
    if (stop != TTextCodec::tsNone) return false;
    Finish(result);
    return true;
}
