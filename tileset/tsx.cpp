#include "tileset/tsx.h"

#include <expat.h>

#include <algorithm>
#include <charconv>
#include <exception>
#include <filesystem>
#include <functional>
#include <limits>

#include "platform/binary_file.h"
#include "platform/files.h"
#include "platform/runtime_error.h"

namespace orvane::tileset {
namespace {

namespace fs = std::filesystem;
using platform::ErrorNumber;

constexpr std::string_view kPictureEnding = "png";
// The format's version, as Tiled 1.8 writes it; Tiled reads older and newer ones alike.
constexpr std::string_view kTsxVersion = "1.8";
// No margin, spacing or side of a tile is larger than a picture's side can be.
constexpr int kMostPixels = 1 << 20;

[[noreturn]] void Refuse(const std::string& reason) {
    platform::RaiseBecause(ErrorNumber::InvalidFileFormat, reason);
}

// XML 1.0 text: UTF-8 of characters it allows (no control characters but tab and line breaks,
// no surrogates, no U+FFFE or U+FFFF).
bool XmlCanHold(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        if (lead < 0x80) {
            if (lead < 0x20 && lead != '\t' && lead != '\n' && lead != '\r') {
                return false;
            }
            ++at;
            continue;
        }
        const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        if (length == 0 || lead > 0xF4 || at + length > text.size()) {
            return false;
        }
        char32_t code = lead & (0x7F >> length);
        for (int i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(text[at + i]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = code << 6 | (next & 0x3F);
        }
        const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ||
            code == 0xFFFE || code == 0xFFFF) {
            return false;
        }
        at += static_cast<std::size_t>(length);
    }
    return true;
}

// Text for an attribute's value between double quotes. Line breaks and tabs as references, or a
// reader would turn them into spaces.
std::string Escaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            case '\t':
                out += "&#9;";
                break;
            case '\n':
                out += "&#10;";
                break;
            case '\r':
                out += "&#13;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Property(std::string_view name, int value) {
    return "  <property name=\"" + Escaped(name) + "\" type=\"int\" value=\"" +
           std::to_string(value) + "\"/>\n";
}

// A number that Tiled writes, from 0 to most.
int Number(std::string_view attribute, std::string_view text, int most) {
    int value = -1;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || value < 0 || value > most) {
        Refuse("its " + std::string(attribute) + ", '" + std::string(text) +
               "', is not a number from 0 to " + std::to_string(most));
    }
    return value;
}

// Tiled's colour: six hexadecimal digits, with or without a '#' before them.
std::array<std::uint8_t, 3> Colour(std::string_view text) {
    const std::string_view digits = text.starts_with('#') ? text.substr(1) : text;
    std::array<std::uint8_t, 3> colour{};
    bool read = digits.size() == 6;
    for (std::size_t i = 0; read && i < colour.size(); ++i) {
        const char* from = digits.data() + 2 * i;
        const auto [stop, error] = std::from_chars(from, from + 2, colour[i], 16);
        read = error == std::errc() && stop == from + 2;
    }
    if (!read) {
        Refuse("its trans, '" + std::string(text) + "', is not a colour (six hexadecimal digits)");
    }
    return colour;
}

// The elements a tileset file takes its tiles from; every other is noted as ignored.
bool IsRecord(std::string_view name) {
    return name == kTileCountKeyword || name == kFirstWordKeyword || name == kLastWordKeyword;
}

// The .tsx read by expat as it comes, keeping only what a tileset file can hold. A handler may
// not let an exception through expat's C frames: it stops the parser and keeps the exception,
// which is raised again once expat has returned.
class TsxParser {
  public:
    TsxParser() : parser_(XML_ParserCreate("UTF-8")) {
        if (parser_ == nullptr) {
            throw std::bad_alloc();
        }
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, &TsxParser::Start, &TsxParser::End);
        XML_SetStartDoctypeDeclHandler(parser_, &TsxParser::Doctype);
    }
    ~TsxParser() { XML_ParserFree(parser_); }
    TsxParser(const TsxParser&) = delete;
    TsxParser& operator=(const TsxParser&) = delete;

    // Parsed outside the constructor, so that a refusal still frees the parser.
    void Parse(std::string_view text) {
        if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
            Refuse("the file is larger than any Tiled tileset");
        }
        if (XML_Parse(parser_, text.data(), static_cast<int>(text.size()), XML_TRUE) ==
            XML_STATUS_ERROR) {
            if (error_) {
                std::rethrow_exception(error_);
            }
            Refuse(std::string("it is not well-formed XML: ") +
                   XML_ErrorString(XML_GetErrorCode(parser_)) + " (line " +
                   std::to_string(XML_GetCurrentLineNumber(parser_)) + ")");
        }
    }

    TsxTileset& Tileset() { return tileset_; }

  private:
    // Expat may still call a handler for the element it was in when it was stopped (the end of
    // an empty element whose start refused it): nothing is done once a handler has failed.
    template <class Handler>
    static void Guarded(void* data, const Handler& handler) {
        auto* self = static_cast<TsxParser*>(data);
        if (self->error_) {
            return;
        }
        try {
            handler(*self);
        } catch (...) {
            self->error_ = std::current_exception();
            XML_StopParser(self->parser_, XML_FALSE);
        }
    }

    static void XMLCALL Start(void* data, const XML_Char* name, const XML_Char** attributes) {
        Guarded(data, [&](TsxParser& self) { self.Opened(name, attributes); });
    }
    static void XMLCALL End(void* data, const XML_Char* /*name*/) {
        Guarded(data, [](TsxParser& self) {
            --self.depth_;
            if (self.depth_ < static_cast<int>(self.open_.size())) {
                self.open_.pop_back();
            }
        });
    }
    static void XMLCALL Doctype(void* data, const XML_Char* /*name*/, const XML_Char* /*system*/,
                                const XML_Char* /*publicId*/, int /*internalSubset*/) {
        Guarded(data, [](TsxParser&) {
            Refuse("it declares a document type (<!DOCTYPE>), which a Tiled tileset never has");
        });
    }

    // A file made to name thousands of elements gets a note of the first few.
    void Ignore(std::string_view element) {
        std::vector<std::string>& ignored = tileset_.ignored;
        if (ignored.size() < kMostIgnoredNamed &&
            std::find(ignored.begin(), ignored.end(), element) == ignored.end()) {
            ignored.emplace_back(element);
        }
    }

    // Elements below <tileset> and its children are only looked at as parts of those.
    void Opened(std::string_view name, const XML_Char** attributes) {
        const std::string_view parent = open_.empty() ? std::string_view() : open_.back();
        if (depth_ == 0) {
            if (name != "tileset") {
                Refuse("it is not a Tiled tileset: its first element is <" + std::string(name) +
                       ">, not <tileset>");
            }
            ReadTileset(attributes);
        } else if (depth_ == 1 && name == "image" && !sawImage_) {
            sawImage_ = true;
            ReadImage(attributes);
        } else if (depth_ == 1 && name != "properties") {
            Ignore(name);
        } else if (depth_ == 2 && parent == "properties") {
            ReadProperty(name, attributes);
        } else if (depth_ == 2 && parent == "image" && name == "data") {
            tileset_.embeddedImage = true;
        } else if (depth_ == 2 && parent == "tile" && name == "image") {
            tileset_.imageCollection = true;
        }
        ++depth_;
        if (depth_ <= kDepthKept) {
            open_.emplace_back(name);
        }
    }

    void ReadTileset(const XML_Char** attributes) {
        for (; *attributes != nullptr; attributes += 2) {
            const std::string_view name = attributes[0];
            const std::string_view value = attributes[1];
            if (name == "tilewidth") {
                tileset_.tileWidth = Number(name, value, kMostPixels);
            } else if (name == "tileheight") {
                tileset_.tileHeight = Number(name, value, kMostPixels);
            } else if (name == "tilecount") {
                tileset_.tileCount = Number(name, value, std::numeric_limits<int>::max());
            } else if (name == "margin") {
                tileset_.margin = Number(name, value, kMostPixels);
            } else if (name == "spacing") {
                tileset_.spacing = Number(name, value, kMostPixels);
            }
        }
    }

    void ReadImage(const XML_Char** attributes) {
        for (; *attributes != nullptr; attributes += 2) {
            const std::string_view name = attributes[0];
            if (name == "source") {
                tileset_.image = attributes[1];
            } else if (name == "trans") {
                tileset_.trans = Colour(attributes[1]);
            }
        }
    }

    void ReadProperty(std::string_view element, const XML_Char** attributes) {
        std::string_view name;
        std::string_view value;
        for (; *attributes != nullptr; attributes += 2) {
            if (std::string_view(attributes[0]) == "name") {
                name = attributes[1];
            } else if (std::string_view(attributes[0]) == "value") {
                value = attributes[1];
            }
        }
        if (element == "property" && IsRecord(name)) {
            tileset_.records.emplace(name, value);
        } else {
            Ignore("properties");
        }
    }

    // The depth of <tileset>'s grandchildren, the deepest looked at.
    static constexpr int kDepthKept = 3;
    static constexpr std::size_t kMostIgnoredNamed = 16;

    XML_Parser parser_;
    std::exception_ptr error_;
    TsxTileset tileset_;
    int depth_ = 0;
    std::vector<std::string> open_;  // the names of the open elements, down to kDepthKept
    bool sawImage_ = false;
};

// The error again, its reason naming the other file it is about ("the picture it names, 'x'").
[[noreturn]] void RaiseAbout(const platform::RuntimeError& error, std::string reason) {
    if (!error.Reason().empty()) {
        reason += ": " + error.Reason();
    }
    platform::Raise(error.Number(), error.Source(), error.Description(), error.HelpContext(),
                    std::move(reason));
}

std::span<const BYTE> Bytes(std::string_view text) {
    return {reinterpret_cast<const BYTE*>(text.data()), text.size()};
}

}  // namespace

std::string PictureBeside(const std::string& tsx) {
    return tsx.substr(0, tsx.size() - std::min(tsx.size(), kPictureEnding.size())) +
           std::string(kPictureEnding);
}

std::string TsxDocument(const TsxSheet& sheet) {
    const int across = sheet.size.width / kTileSize;
    const int cells = across * (sheet.size.height / kTileSize);
    // Tiled takes a source with a colon for an address ("c:x.png" as the scheme "c").
    const std::string source =
        sheet.image.find(':') == std::string::npos ? sheet.image : "./" + sheet.image;
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tileset version=\"" +
                       std::string(kTsxVersion) + "\" name=\"" + Escaped(sheet.name) +
                       "\" tilewidth=\"32\" tileheight=\"32\" tilecount=\"" +
                       std::to_string(cells) + "\" columns=\"" + std::to_string(across) +
                       "\">\n <properties>\n" + Property(kTileCountKeyword, sheet.tiles);
    if (sheet.words.first != 0 || sheet.words.last != 0) {
        text += Property(kFirstWordKeyword, sheet.words.first) +
                Property(kLastWordKeyword, sheet.words.last);
    }
    return text + " </properties>\n <image source=\"" + Escaped(source) + "\" width=\"" +
           std::to_string(sheet.size.width) + "\" height=\"" + std::to_string(sheet.size.height) +
           "\"/>\n</tileset>\n";
}

void SaveTilesetAsTsx(TilesetFile& file, const std::string& output,
                      const PngExportOptions& options) {
    const std::string picture = PictureBeside(output);
    const fs::path name = fs::path(output).filename();
    if (!XmlCanHold(name.string())) {
        platform::RaiseBecause(ErrorNumber::BadFileNameOrNumber,
                               "a .tsx holds the name of its picture as UTF-8 text, and this name "
                               "is not such text or has control characters");
    }
    if (const std::optional<platform::FileId> id = platform::FileIdOf(output);
        id && id == platform::FileIdOf(picture)) {
        platform::RaiseBecause(ErrorNumber::BadFileNameOrNumber,
                               "it is the very file of its picture, '" + picture + "'");
    }
    const int count = TilesToShow(file, kMaxTiles);
    // The .tsx is refused first, if it is to be: then nothing has been written.
    platform::PendingFile tsx(output);
    const std::string aboutPicture = "its picture, '" + picture + "'";
    std::optional<platform::PendingFile> png;
    try {
        png.emplace(picture);
    } catch (const platform::RuntimeError& error) {
        RaiseAbout(error, aboutPicture);
    }
    SaveTilesetAsPng(file, *png, options);
    tsx.Write(Bytes(TsxDocument({.name = name.stem().string(),
                                 .image = fs::path(picture).filename().string(),
                                 .tiles = count,
                                 .size = MosaicSizeFor(count, options.columns),
                                 .words = FreeWordsOf(file.Header())})));
    try {
        png->Commit();
    } catch (const platform::RuntimeError& error) {
        RaiseAbout(error, aboutPicture);
    }
    try {
        tsx.Commit();
    } catch (const platform::RuntimeError& error) {
        platform::Raise(error.Number(), error.Source(), error.Description(), error.HelpContext(),
                        error.Reason() + (error.Reason().empty() ? "" : "; ") + "its picture, '" +
                            picture + "', was written all the same");
    }
}

TsxTileset ParseTsx(std::string_view text) {
    TsxParser parser;
    parser.Parse(text);
    return std::move(parser.Tileset());
}

PictureTiles TilesFromTsx(const std::string& tsx) {
    std::string text;
    {
        platform::BinaryFile file(tsx);
        if (file.Length() > kMostTsxBytes) {
            Refuse("the file holds " + std::to_string(file.Length()) + " bytes, more than the " +
                   std::to_string(kMostTsxBytes) + " of the largest Tiled tileset read");
        }
        text.resize(static_cast<std::size_t>(file.Length()));
        file.Get(1, std::span(reinterpret_cast<BYTE*>(text.data()), text.size()));
    }
    const TsxTileset tileset = ParseTsx(text);
    if (tileset.tileWidth != kTileSize || tileset.tileHeight != kTileSize) {
        Refuse("its tiles are " + std::to_string(tileset.tileWidth) + " x " +
               std::to_string(tileset.tileHeight) + " pixels: a tileset's are 32 x 32");
    }
    if (tileset.embeddedImage) {
        Refuse(
            "its picture is held in the file itself: only a picture in a file of its own is "
            "read");
    }
    if (tileset.image.empty()) {
        Refuse(tileset.imageCollection
                   ? "it is a collection of pictures, one a tile: only a tileset cut from one "
                     "picture makes a tileset file"
                   : "it names no picture");
    }
    const std::string picture = (fs::path(tsx).parent_path() / tileset.image).string();
    PictureTiles tiles;
    try {
        tiles = TilesFromGrid(
            picture, {.margin = tileset.margin,
                      .spacing = tileset.spacing,
                      .trans = tileset.trans,
                      .tileCount = tileset.tileCount,
                      .record = [&](std::string_view keyword) -> std::optional<std::string> {
                          const auto at = tileset.records.find(keyword);
                          return at == tileset.records.end()
                                     ? std::nullopt
                                     : std::optional<std::string>(at->second);
                      }});
    } catch (const platform::RuntimeError& error) {
        RaiseAbout(error, "the picture it names, '" + picture + "'");
    }
    tiles.ignored = tileset.ignored;
    return tiles;
}

PictureTiles TilesFromPicture(const std::string& picture) {
    std::array<BYTE, 64> start{};
    const std::size_t got = platform::BinaryFile(picture).Get(1, start);
    std::string_view text(reinterpret_cast<const char*>(start.data()), got);
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first != std::string_view::npos && text[first] == '<') {
        return TilesFromTsx(picture);
    }
    return TilesFromPng(picture);
}

}  // namespace orvane::tileset
