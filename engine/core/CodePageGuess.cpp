#include "CodePageGuess.h"

#include <uchardet/uchardet.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "EngineError.h"
#include "TextCodec.h"

namespace tabulon {

namespace {
struct DetectorAnswer {
    std::string_view detected;  // uchardet's name
    std::string_view codePage;  // the TextCodec name it stands for
};
// Only code pages that a dBase language driver or a Paradox header can name, so a table can
// also keep the guess: the ISO pages stand for their Windows supersets.
constexpr DetectorAnswer kAnswers[] = {
    {"UTF-8", "UTF-8"},         {"WINDOWS-1250", "CP1250"}, {"ISO-8859-2", "CP1250"},    {"WINDOWS-1251", "CP1251"},
    {"WINDOWS-1252", "CP1252"}, {"ISO-8859-1", "CP1252"},   {"ISO-8859-15", "CP1252"},   {"WINDOWS-1253", "CP1253"},
    {"ISO-8859-7", "CP1253"},   {"WINDOWS-1254", "CP1254"}, {"ISO-8859-9", "CP1254"},    {"WINDOWS-1255", "CP1255"},
    {"ISO-8859-8", "CP1255"},   {"WINDOWS-1256", "CP1256"}, {"WINDOWS-1257", "CP1257"},  {"ISO-8859-13", "CP1257"},
    {"IBM866", "CP866"},        {"IBM852", "CP852"},        {"MAC-CYRILLIC", "CP10007"}, {"TIS-620", "CP874"},
    {"ISO-8859-11", "CP874"},   {"WINDOWS-874", "CP874"},   {"SHIFT_JIS", "CP932"},      {"GB18030", "CP936"},
    {"EUC-KR", "CP949"},        {"UHC", "CP949"},           {"BIG5", "CP950"},
};

enum class Script { Latin, Cyrillic, Greek, Thai, Hebrew, Arabic, Cjk, Unicode };

Script scriptOf(std::string_view codePage) {
    struct Page {
        std::string_view name;
        Script script;
    };
    static constexpr Page kPages[] = {
        {"CP866", Script::Cyrillic}, {"CP1251", Script::Cyrillic}, {"CP10007", Script::Cyrillic},
        {"CP737", Script::Greek},    {"CP1253", Script::Greek},    {"CP874", Script::Thai},
        {"CP1255", Script::Hebrew},  {"CP1256", Script::Arabic},   {"CP932", Script::Cjk},
        {"CP936", Script::Cjk},      {"CP949", Script::Cjk},       {"CP950", Script::Cjk},
        {"UTF-8", Script::Unicode},
    };
    for (const Page& p : kPages)
        if (p.name == codePage) return p.script;
    return Script::Latin;
}

bool isLetterOf(Script script, char32_t c) {
    const bool latin = c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7;
    const bool greek = c >= 0x370 && c <= 0x3FF, cyrillic = c >= 0x400 && c <= 0x4FF;
    const bool hebrew = c >= 0x590 && c <= 0x5FF, arabic = c >= 0x600 && c <= 0x6FF, thai = c >= 0xE00 && c <= 0xE7F;
    const bool cjk = (c >= 0x3040 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xFF00 && c <= 0xFFEF);
    switch (script) {
        case Script::Cyrillic:
            return cyrillic;
        case Script::Greek:
            return greek;
        case Script::Thai:
            return thai;
        case Script::Hebrew:
            return hebrew;
        case Script::Arabic:
            return arabic;
        case Script::Cjk:
            return cjk;
        case Script::Unicode:
            return latin || greek || cyrillic || hebrew || arabic || thai || cjk;
        default:
            return latin;
    }
}

// Decoded characters outside ASCII that are no letters of the page's script: few in text read
// in its own code page, many in text read in a neighbouring page of the same script.
std::size_t strayCharacters(std::string_view bytes, const std::string& codePage) {
    std::string text;
    try {
        text = TextCodec(codePage).decode(bytes);
    } catch (const EngineError&) {
        return bytes.size();  // a page this engine cannot read reads nothing right
    }
    const Script script = scriptOf(codePage);
    std::size_t stray = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0xFF >> (length + 1));
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k) c = (c << 6) | (text[i + k] & 0x3F);
        if (c >= 0x80 && !isLetterOf(script, c)) ++stray;
        i += length;
    }
    return stray;
}

// The detector mixes up the single-byte pages of one script (DOS, Windows, Mac); the one that
// reads the text with the fewest stray characters wins, the detector's own answer on a tie.
std::string likeliestOfScript(const std::string& guess, std::string_view bytes) {
    static constexpr std::string_view kSiblings[] = {"CP1252", "CP437",   "CP850",  "CP1251",
                                                     "CP866",  "CP10007", "CP1253", "CP737"};
    const auto inScript = [&](std::string_view page) { return page != guess && scriptOf(page) == scriptOf(guess); };
    if (std::none_of(std::begin(kSiblings), std::end(kSiblings), inScript)) return guess;
    std::string best = guess;
    std::size_t fewest = strayCharacters(bytes, guess);
    for (const std::string_view page : kSiblings) {
        if (!inScript(page)) continue;
        if (const std::size_t stray = strayCharacters(bytes, std::string(page)); stray < fewest) {
            fewest = stray;
            best = page;
        }
    }
    return best;
}

constexpr std::size_t kLeastContradiction = 8;  // bytes outside ASCII

std::size_t nonAscii(std::string_view bytes) {
    return static_cast<std::size_t>(
        std::count_if(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
}

std::optional<std::string> detect(std::string_view bytes) {
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, decltype(&uchardet_delete)> detector(uchardet_new(),
                                                                                                  &uchardet_delete);
    if (uchardet_handle_data(detector.get(), bytes.data(), bytes.size()) != 0) return std::nullopt;
    uchardet_data_end(detector.get());
    const std::string_view detected = uchardet_get_charset(detector.get());
    for (const DetectorAnswer& a : kAnswers)
        if (a.detected == detected) return likeliestOfScript(std::string(a.codePage), bytes);
    return std::nullopt;
}
}  // namespace

std::string_view codePageSourceName(CodePageSource source) {
    switch (source) {
        case CodePageSource::Guess:
            return "guess";
        case CodePageSource::User:
            return "user";
        default:
            return "header";
    }
}

void TextSample::add(std::string_view value) {
    read_ += value.size();
    while (!value.empty() && (value.back() == ' ' || value.back() == '\0')) value.remove_suffix(1);
    if (value.empty() || full()) return;
    bytes_.append(value.substr(0, kMostBytes - bytes_.size()));
    bytes_ += '\n';
}

CodePageChoice chooseCodePage(const std::string& named, const std::string& fallback, const TextSample& sample) {
    const std::string kept = named.empty() ? fallback : named;
    if (nonAscii(sample.bytes()) == 0)
        return {kept, CodePageSource::Header, "guess not needed: the text is plain ASCII"};
    const std::optional<std::string> guess = detect(sample.bytes());
    if (!guess) return {kept, CodePageSource::Header, "guess not sure: the text fits several code pages"};
    if (named.empty()) return {*guess, CodePageSource::Guess, {}};
    // A header's page yields only to a few words at least of text plainly in another script that
    // the guess reads no worse: neighbouring pages of one script look alike to the detector, and
    // a word or two misleads it; the header knows better then.
    if (*guess != named && scriptOf(*guess) != scriptOf(named) && nonAscii(sample.bytes()) >= kLeastContradiction &&
        strayCharacters(sample.bytes(), *guess) <= strayCharacters(sample.bytes(), named))
        return {*guess, CodePageSource::Guess, "the header names " + named + " but the text is not in it"};
    return {named, CodePageSource::Header, {}};
}

}  // namespace tabulon
