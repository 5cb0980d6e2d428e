// Text through SDL2_ttf. Faces are looked up once per (face, height, weight) and kept open
// for the life of the process; one mutex guards the library and the cache.

#include "platform/render/TextRender.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

namespace platform::render {
namespace {

// The face asked for when the named one cannot show Korean text.
constexpr char kKoreanFallbackFace[] = "NanumGothic";
// A character every face we use must have: the labels are Korean.
constexpr FcChar32 kKoreanProbe = 0xD55C;  // '한'

struct FaceFile {
    std::string path;
    int index = 0;
    bool synthBold = false;  // the face found is lighter than the bold asked for
};

struct OpenFont {
    TTF_Font* font = nullptr;
    FaceFile file;
};

std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
}

// Open faces by (face, height, weight); never closed (the process keeps them to its end).
std::map<std::tuple<std::string, int, int>, OpenFont>& Cache() {
    static auto* cache = new std::map<std::tuple<std::string, int, int>, OpenFont>;
    return *cache;
}

bool MatchFace(const std::string& face, int weight, FaceFile& out) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ko"));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    bool ok = false;
    FcChar8* file = nullptr;
    FcCharSet* charset = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
        FcPatternGetCharSet(match, FC_CHARSET, 0, &charset) == FcResultMatch && FcCharSetHasChar(charset, kKoreanProbe)) {
        out.path = reinterpret_cast<const char*>(file);
        int index = 0;
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        out.index = index;
        int found = FC_WEIGHT_REGULAR;
        FcPatternGetInteger(match, FC_WEIGHT, 0, &found);
        out.synthBold = weight >= 700 && found < FC_WEIGHT_BOLD;
        ok = true;
    }
    FcPatternDestroy(match);
    return ok;
}

bool FindFace(const FontSpec& spec, FaceFile& out) {
    static bool fcReady = [] {
        if (FcInit() != FcTrue) return false;
        std::atexit(FcFini);  // fontconfig's own state goes with the process
        return true;
    }();
    if (!fcReady) return false;
    return MatchFace(spec.face, spec.weight, out) || MatchFace(kKoreanFallbackFace, spec.weight, out);
}

// The open face for spec, sized so that a line is spec.height pixels high. Caller holds the mutex.
TTF_Font* FontFor(const FontSpec& spec) {
    static bool ttfReady = TTF_WasInit() || TTF_Init() == 0;
    if (!ttfReady || spec.height <= 0) return nullptr;
    auto key = std::make_tuple(spec.face, spec.height, spec.weight);
    auto& cache = Cache();
    if (auto it = cache.find(key); it != cache.end()) return it->second.font;
    OpenFont entry;
    if (FindFace(spec, entry.file)) {
        entry.font = TTF_OpenFontIndex(entry.file.path.c_str(), spec.height, entry.file.index);
        if (entry.font) {
            int lineHeight = TTF_FontHeight(entry.font);
            if (lineHeight > 0 && lineHeight != spec.height) {
                int size = std::max(1, (spec.height * spec.height + lineHeight / 2) / lineHeight);
                TTF_SetFontSize(entry.font, size);
            }
            if (entry.file.synthBold) TTF_SetFontStyle(entry.font, TTF_STYLE_BOLD);
        }
    }
    cache.emplace(key, entry);
    return entry.font;
}

int TextWidth(TTF_Font* font, const std::string& text) {
    int w = 0, h = 0;
    if (text.empty() || TTF_SizeUTF8(font, text.c_str(), &w, &h) != 0) return 0;
    return w;
}

// Length in bytes of the UTF-8 sequence starting with lead.
size_t Utf8Length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead >> 5) == 0x6) return 2;
    if ((lead >> 4) == 0xE) return 3;
    if ((lead >> 3) == 0x1E) return 4;
    return 1;
}

// Breaks one paragraph into lines no wider than width: at blanks where possible, inside a
// word only when the word alone is too wide.
void WrapParagraph(TTF_Font* font, const std::string& paragraph, int width, std::vector<std::string>& lines) {
    std::string line;
    size_t pos = 0;
    bool any = false;
    while (pos < paragraph.size()) {
        // The next word with the blanks before it.
        size_t wordStart = paragraph.find_first_not_of(' ', pos);
        if (wordStart == std::string::npos) break;
        size_t wordEnd = paragraph.find(' ', wordStart);
        if (wordEnd == std::string::npos) wordEnd = paragraph.size();
        std::string piece = paragraph.substr(pos, wordEnd - pos);
        std::string word = paragraph.substr(wordStart, wordEnd - wordStart);
        pos = wordEnd;
        if (!line.empty() && TextWidth(font, line + piece) <= width) {
            line += piece;
            continue;
        }
        if (!line.empty()) {
            lines.push_back(line);
            any = true;
            line.clear();
        } else if (!piece.empty() && TextWidth(font, piece) <= width) {
            line = piece;  // leading blanks of a paragraph stay
            continue;
        }
        // The word starts a new line; a word wider than the line is broken between characters.
        size_t i = 0;
        while (i < word.size()) {
            size_t len = Utf8Length(static_cast<unsigned char>(word[i]));
            std::string next = line + word.substr(i, len);
            if (!line.empty() && TextWidth(font, next) > width) {
                lines.push_back(line);
                any = true;
                line.clear();
                continue;
            }
            line = next;
            i += len;
        }
    }
    if (!line.empty() || !any) lines.push_back(line);
}

std::vector<std::string> Lines(TTF_Font* font, std::string_view text, const TextBox& box, bool singleLine) {
    std::vector<std::string> paragraphs;
    std::string current;
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n') {
            paragraphs.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    paragraphs.push_back(current);
    std::vector<std::string> lines;
    if (singleLine) {
        std::string joined;
        for (const std::string& p : paragraphs) joined += p;
        lines.push_back(joined);
        return lines;
    }
    for (const std::string& p : paragraphs) WrapParagraph(font, p, box.width, lines);
    return lines;
}

// Blends a rendered line (ARGB, colour in every pixel, coverage in alpha) at x, y, clipped to box.
void Blend(res::Image& target, const SDL_Surface* glyphs, int x, int y, const TextBox& box, res::Rgba colour) {
    int x0 = std::max({x, box.x, 0});
    int y0 = std::max({y, box.y, 0});
    int x1 = std::min({x + glyphs->w, box.x + box.width, target.Width()});
    int y1 = std::min({y + glyphs->h, box.y + box.height, target.Height()});
    for (int py = y0; py < y1; ++py) {
        const auto* src = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(glyphs->pixels) +
                                                            static_cast<size_t>(py - y) * glyphs->pitch);
        uint8_t* dst = target.Row(py);
        for (int px = x0; px < x1; ++px) {
            uint32_t a = src[px - x] >> 24;
            if (a == 0) continue;
            uint8_t* d = dst + static_cast<size_t>(px) * 4;
            d[0] = static_cast<uint8_t>((colour.r * a + d[0] * (255 - a) + 127) / 255);
            d[1] = static_cast<uint8_t>((colour.g * a + d[1] * (255 - a) + 127) / 255);
            d[2] = static_cast<uint8_t>((colour.b * a + d[2] * (255 - a) + 127) / 255);
            d[3] = 255;
        }
    }
}

}  // namespace

bool DrawText(res::Image& target, const TextBox& box, std::string_view text, const FontSpec& font, res::Rgba colour,
              const TextLayout& layout) {
    std::lock_guard lock(Mutex());
    TTF_Font* ttf = FontFor(font);
    if (!ttf) return false;
    if (text.empty() || box.width <= 0 || box.height <= 0) return true;
    std::vector<std::string> lines = Lines(ttf, text, box, layout.singleLine);
    int lineSkip = std::max(1, TTF_FontLineSkip(ttf));
    int y = layout.singleLine ? box.y + (box.height - TTF_FontHeight(ttf)) / 2 : box.y;
    SDL_Color white{255, 255, 255, 255};
    for (const std::string& line : lines) {
        if (y >= box.y + box.height) break;
        if (!line.empty()) {
            SDL_Surface* glyphs = TTF_RenderUTF8_Blended(ttf, line.c_str(), white);
            if (glyphs && glyphs->format->BytesPerPixel == 4) {
                int x = layout.centred ? box.x + (box.width - glyphs->w) / 2 : box.x;
                Blend(target, glyphs, x, y, box, colour);
            }
            if (glyphs) SDL_FreeSurface(glyphs);
        }
        y += lineSkip;
    }
    return true;
}

std::string FontFileFor(const FontSpec& font) {
    std::lock_guard lock(Mutex());
    FaceFile file;
    return FindFace(font, file) ? file.path : std::string();
}

}  // namespace platform::render
