#include "TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

#include "AsciiCase.h"
#include "DosCodePages.h"
#include "EngineError.h"

namespace tabulon {

struct TextCodec::Iconv {
    iconv_t decoder = reinterpret_cast<iconv_t>(-1);
    iconv_t encoder = reinterpret_cast<iconv_t>(-1);
    ~Iconv() {
        if (decoder != reinterpret_cast<iconv_t>(-1)) iconv_close(decoder);
        if (encoder != reinterpret_cast<iconv_t>(-1)) iconv_close(encoder);
    }
};

namespace {
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Converts with `cd`; returns false at the first byte sequence it cannot convert.
bool convert(iconv_t cd, std::string_view in, std::string& out, std::size_t* consumed = nullptr) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    std::vector<char> buffer(in.size() * 4 + 16);
    bool ok = true;
    while (srcLeft > 0) {
        char* dst = buffer.data();
        std::size_t dstLeft = buffer.size();
        const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer.data(), static_cast<std::size_t>(dst - buffer.data()));
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            ok = false;
            break;
        }
    }
    if (consumed) *consumed = in.size() - srcLeft;
    return ok;
}

bool isSingleByte(std::string_view name) {
    for (std::string_view multi :
         {"CP932", "CP936", "CP949", "CP950", "UTF-8", "GBK", "BIG5", "SHIFT_JIS", "EUC-KR", "GB2312", "UTF8"})
        if (name == multi) return false;
    return true;
}

std::string utf8Of(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

}  // namespace

TextCodec::TextCodec(std::string name) : name_(asciiUpper(std::move(name))), iconv_(std::make_unique<Iconv>()) {
    // iconv lacks a few DOS code pages; those are built from 437 and their own letters.
    const auto overrides = dosOverridesOf437(name_);
    const std::string iconvName = overrides.empty() ? name_ : "CP437";
    iconv_->decoder = iconv_open("UTF-8", iconvName.c_str());
    iconv_->encoder = iconv_open(iconvName.c_str(), "UTF-8");
    if (iconv_->decoder == reinterpret_cast<iconv_t>(-1) || iconv_->encoder == reinterpret_cast<iconv_t>(-1))
        throw EngineError(errkind::kValue, "Unknown code page " + name_);
    singleByte_ = isSingleByte(name_);
    if (singleByte_) {
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            std::string utf8;
            if (convert(iconv_->decoder, std::string_view(&byte, 1), utf8) && !utf8.empty()) {
                toUtf8_[b] = utf8;
                fromUtf8_.try_emplace(utf8, byte);
            } else {
                toUtf8_[b] = std::string(kReplacement);
            }
        }
        for (const ByteOverride& o : overrides) fromUtf8_.erase(toUtf8_[o.byte]);
        for (const ByteOverride& o : overrides) {
            toUtf8_[o.byte] = utf8Of(o.codePoint);
            fromUtf8_[toUtf8_[o.byte]] = static_cast<char>(o.byte);
        }
        asciiKept_ = true;
        for (int b = 0; b < 0x80; ++b)
            asciiKept_ = asciiKept_ && toUtf8_[b].size() == 1 && static_cast<unsigned char>(toUtf8_[b][0]) == b;
    }
}

TextCodec::~TextCodec() = default;

std::string TextCodec::decode(std::string_view bytes) const {
    std::string out;
    out.reserve(bytes.size());
    if (singleByte_) {
        for (unsigned char b : bytes) {
            if (b < 0x80 && toUtf8_[b].size() == 1)
                out.push_back(static_cast<char>(b));
            else
                out += toUtf8_[b];
        }
        return out;
    }
    while (!bytes.empty()) {
        std::size_t consumed = 0;
        if (convert(iconv_->decoder, bytes, out, &consumed)) break;
        out += kReplacement;
        bytes.remove_prefix(std::min(bytes.size(), consumed + 1));
    }
    return out;
}

std::optional<std::string> TextCodec::encode(std::string_view utf8) const {
    std::string out;
    out.reserve(utf8.size());
    if (!encodeTo(out, utf8)) return std::nullopt;
    return out;
}

bool TextCodec::encodeTo(std::string& out, std::string_view utf8) const {
    if (!singleByte_) return convert(iconv_->encoder, utf8, out);
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        // ASCII stands for itself in nearly every code page: a run of it is copied whole.
        if (lead < 0x80 && asciiKept_) {
            std::size_t end = i + 1;
            while (end < utf8.size() && static_cast<unsigned char>(utf8[end]) < 0x80) ++end;
            out.append(utf8.data() + i, end - i);
            i = end;
            continue;
        }
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const auto it = fromUtf8_.find(std::string(utf8.substr(i, length)));
        if (it == fromUtf8_.end()) return false;
        out.push_back(it->second);
        i += length;
    }
    return true;
}

std::string TextCodec::nameForCodePage(int codePage) {
    switch (codePage) {
        case 65001:
            return "UTF-8";
        default:
            return "CP" + std::to_string(codePage);
    }
}

std::optional<int> TextCodec::codePageForName(std::string_view name) {
    const std::string upper = asciiUpper(std::string(name));
    if (upper == "UTF-8") return 65001;
    if (upper.size() < 3 || upper.compare(0, 2, "CP") != 0) return std::nullopt;
    int number = 0;
    for (char c : std::string_view(upper).substr(2)) {
        if (c < '0' || c > '9' || number > 99999) return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

}  // namespace tabulon
