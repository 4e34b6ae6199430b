// The test card: rendered a row at a time (a 100-megapixel card never exists
// as pixels), encoded with libjpeg with a restart marker after each row of
// MCUs, so the rows of the stamp band (time and counter) can be encoded again
// on their own and put in place of the card's: with the same tables and the
// DC predictors reset at each marker, the spliced scan decodes as if the
// whole picture had been encoded with the new stamp.
#include "sim_test_card.h"

#include "comms/bytes.h"

#include "sim_jpeg.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <tuple>

namespace {

constexpr uint32_t kMinSide = 64;
constexpr uint32_t kMaxSide = 65000; // libjpeg's limit is 65500
constexpr int kQuality = 90;
constexpr uint32_t kMcuRows = 16; // YCbCr 4:2:0: an MCU is 16 pixel rows high
constexpr uint32_t kThumbWidth = 160;
constexpr uint32_t kGlyphRows = 7, kGlyphCell = 6; // 5 x 7 glyphs, a column apart

// 5 x 7 glyphs, one row per byte, bit 4 the leftmost column.
struct Glyph {
    char c;
    uint8_t rows[kGlyphRows];
};
const Glyph kFont[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'A', {0x0E, 0x11, 0x11, 0x11, 0x1F, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'#', {0x0A, 0x1F, 0x0A, 0x0A, 0x0A, 0x1F, 0x0A}},
};

uint8_t glyph_row(char c, uint32_t row) {
    c = char(std::toupper(static_cast<unsigned char>(c)));
    for (const Glyph& g : kFont)
        if (g.c == c) return g.rows[row];
    return 0; // space and anything unknown
}

int cell_noise(uint32_t cx, uint32_t cy) { // -16..15, fixed per cell
    uint32_t h = cx * 0x9E3779B1u ^ (cy + 0x7F4A7C15u) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return int(h & 31) - 16;
}

uint8_t clamp8(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

// Where things are on a card of one size.
struct Layout {
    uint32_t w = 0, h = 0;
    std::string name, stamp; // the stamp is blank on the card kept
    uint32_t bars_end = 0, panel_end = 0;
    uint32_t name_y = 0, name_scale = 1, stamp_y = 0, stamp_scale = 1;
    uint32_t band_row = 0, band_rows = 0; // the stamp's rows of MCUs
};

Layout layout_for(const char* name, uint32_t w, uint32_t h) {
    Layout l;
    l.w = w;
    l.h = h;
    l.name = name;
    l.bars_end = h * 36 / 100;
    l.panel_end = h * 64 / 100;
    const uint32_t panel = l.panel_end - l.bars_end;
    const uint32_t cells = uint32_t(l.name.size() + 1) * kGlyphCell;
    l.name_scale = std::max<uint32_t>(1, std::min(panel * 2 / 5 / kGlyphRows, w * 9 / 10 / cells));
    l.name_y = l.bars_end + panel / 8;
    l.stamp_scale = std::max<uint32_t>(1, l.name_scale / 2);
    l.stamp_y = l.panel_end - panel / 8 - kGlyphRows * l.stamp_scale;
    l.band_row = l.stamp_y / kMcuRows;
    l.band_rows = (l.stamp_y + kGlyphRows * l.stamp_scale + kMcuRows - 1) / kMcuRows - l.band_row;
    return l;
}

void draw_text(uint8_t* row, const Layout& l, uint32_t y, uint32_t top, uint32_t scale,
               const std::string& text) {
    if (y < top || y >= top + kGlyphRows * scale || text.empty()) return;
    const uint32_t gr = (y - top) / scale;
    const uint64_t text_w = uint64_t(text.size()) * kGlyphCell * scale;
    const uint32_t x0 = text_w < l.w ? uint32_t((l.w - text_w) / 2) : 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const uint8_t bits = glyph_row(text[i], gr);
        for (uint32_t col = 0; col < 5; ++col) {
            if (!(bits & (0x10 >> col))) continue;
            const uint64_t from = x0 + (uint64_t(i) * kGlyphCell + col) * scale;
            for (uint64_t x = from; x < from + scale && x < l.w; ++x)
                std::memset(row + x * 3, 245, 3);
        }
    }
}

// Colour bars over a dark panel with the name and stamp, over a textured
// field; the texture gives the file the size of a photograph's.
void render_row(const Layout& l, uint32_t y, uint8_t* row) {
    static const uint8_t kBars[8][3] = {{191, 191, 191}, {191, 191, 0}, {0, 191, 191},
                                        {0, 191, 0},     {191, 0, 191}, {191, 0, 0},
                                        {0, 0, 191},     {16, 16, 16}};
    uint8_t* p = row;
    for (uint32_t x = 0; x < l.w; ++x, p += 3) {
        if (y < l.bars_end) {
            const uint8_t* c = kBars[uint64_t(x) * 8 / l.w];
            const int n = cell_noise(x / 2, y / 2) / 2;
            p[0] = clamp8(c[0] + n);
            p[1] = clamp8(c[1] + n);
            p[2] = clamp8(c[2] + n);
        } else if (y < l.panel_end) {
            p[0] = p[1] = 38;
            p[2] = 46;
        } else {
            const int depth = int(uint64_t(y - l.panel_end) * 80 / (l.h - l.panel_end + 1));
            const int ramp = int(uint64_t(x) * 60 / l.w);
            const int n = cell_noise(x / 3, y / 3);
            p[0] = clamp8(50 + ramp / 2 + depth / 2 + n);
            p[1] = clamp8(100 + ramp + depth + n);
            p[2] = clamp8(40 + n / 2);
        }
    }
    draw_text(row, l, y, l.name_y, l.name_scale, l.name);
    draw_text(row, l, y, l.stamp_y, l.stamp_scale, l.stamp);
}

struct CardRows {
    const Layout* l;
    uint32_t first_row;
    std::vector<uint8_t> row;
};

const uint8_t* card_row(void* ctx, uint32_t y) {
    CardRows* c = static_cast<CardRows*>(ctx);
    render_row(*c->l, c->first_row + y, c->row.data());
    return c->row.data();
}

// Encodes rows first_row .. first_row + rows of the layout's card, with a
// restart marker after each row of MCUs so its stamp band can be spliced.
bool encode_to(const Layout& l, uint32_t first_row, uint32_t rows, const std::vector<uint8_t>* app1,
               std::vector<uint8_t>* out) {
    CardRows c{&l, first_row, std::vector<uint8_t>(size_t(l.w) * 3)};
    SimJpegEncode e;
    e.width = l.w;
    e.height = rows;
    e.quality = kQuality;
    e.restart_each_row = true;
    if (app1) {
        e.app1 = app1->data();
        e.app1_len = app1->size();
    }
    return SimJpeg_Encode(e, card_row, &c, out);
}

// Where each restart interval of a JPEG's one scan starts, and where the scan
// ends (its EOI marker). False when there is no scan or no EOI.
bool find_intervals(const std::vector<uint8_t>& j, std::vector<size_t>* starts, size_t* end) {
    ByteReader r = make_reader(j.data(), j.size());
    skip(r, 2); // SOI
    size_t scan = 0;
    while (r.ok && scan == 0) {
        if (read_u8(r) != 0xFF) return false;
        const uint8_t marker = read_u8(r);
        const uint16_t len = read_u16_be(r); // itself included
        if (!r.ok || len < 2 || bytes_left(r) < size_t(len - 2)) return false;
        skip(r, len - 2);
        if (marker == 0xDA) scan = r.pos;
    }
    if (scan == 0) return false;
    starts->assign(1, scan);
    for (size_t i = scan; j.size() - i >= 2; ++i) {
        if (j[i] != 0xFF) continue;
        const uint8_t b = j[i + 1];
        if (b >= 0xD0 && b <= 0xD7) {
            starts->push_back(i + 2);
        } else if (b == 0xD9) {
            *end = i;
            return true;
        }
        ++i; // a stuffed zero or the marker's second byte
    }
    return false;
}

constexpr size_t kExifHeader = 6; // "Exif\0\0", then the TIFF structure
constexpr size_t kTimeLen = 20;   // "YYYY:MM:DD HH:MM:SS" and its NUL
constexpr size_t kDescLen = 13;   // "Frame NNNNNN" and its NUL

// The EXIF block and where its changing fields lie inside it.
struct Exif {
    std::vector<uint8_t> bytes;
    size_t desc_at = 0, time_at = 0, time_original_at = 0;
};

// Little-endian TIFF: IFD0, the Exif IFD and IFD1 back to back, then their
// values, then the thumbnail.
Exif build_exif(const SimCameraModel& model, uint32_t width, uint32_t height,
                const std::vector<uint8_t>& thumb) {
    constexpr uint16_t kAscii = 2, kShort = 3, kLong = 4;
    constexpr uint32_t kIfd0 = 8, kIfd0Entries = 6, kExifEntries = 3, kIfd1Entries = 3;
    constexpr uint32_t kExifIfd = kIfd0 + 2 + kIfd0Entries * 12 + 4;
    constexpr uint32_t kIfd1 = kExifIfd + 2 + kExifEntries * 12 + 4;
    constexpr uint32_t kValues = kIfd1 + 2 + kIfd1Entries * 12 + 4;

    ByteWriter values; // placed at kValues
    auto value = [&](const void* p, size_t n) {
        uint32_t at = kValues + uint32_t(values.buf.size());
        write_bytes(values, p, n);
        if (values.buf.size() & 1) write_u8(values, 0); // word alignment
        return at;
    };
    const std::string blank(kTimeLen, '\0');
    const size_t make_len = std::strlen(model.manufacturer) + 1;
    const size_t model_len = std::strlen(model.model) + 1;
    const uint32_t desc = value(blank.data(), kDescLen);
    const uint32_t make = value(model.manufacturer, make_len);
    const uint32_t name = value(model.model, model_len);
    const uint32_t time = value(blank.data(), kTimeLen);
    const uint32_t time_original = value(blank.data(), kTimeLen);
    const uint32_t thumb_at = value(thumb.data(), thumb.size());

    ByteWriter w;
    write_bytes(w, "Exif\0\0II", 8);
    write_u16(w, 42);
    write_u32(w, kIfd0);
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t v) {
        write_u16(w, tag);
        write_u16(w, type);
        write_u32(w, count);
        write_u32(w, v); // a SHORT sits in the first two bytes (little-endian)
    };
    // ASCII counts include the NUL; every value here is longer than four bytes.
    write_u16(w, kIfd0Entries);
    entry(0x010E, kAscii, kDescLen, desc); // ImageDescription: the frame counter
    entry(0x010F, kAscii, uint32_t(make_len), make);
    entry(0x0110, kAscii, uint32_t(model_len), name);
    entry(0x0112, kShort, 1, 1); // Orientation: upright
    entry(0x0132, kAscii, kTimeLen, time);
    entry(0x8769, kLong, 1, kExifIfd);
    write_u32(w, kIfd1);
    write_u16(w, kExifEntries);
    entry(0x9003, kAscii, kTimeLen, time_original);
    entry(0xA002, kLong, 1, width);
    entry(0xA003, kLong, 1, height);
    write_u32(w, 0);
    write_u16(w, kIfd1Entries);
    entry(0x0103, kShort, 1, 6); // Compression: JPEG
    entry(0x0201, kLong, 1, thumb_at);
    entry(0x0202, kLong, 1, uint32_t(thumb.size()));
    write_u32(w, 0);
    write_bytes(w, values.buf.data(), values.buf.size());

    Exif e;
    e.bytes = std::move(w.buf);
    e.desc_at = kExifHeader + desc;
    e.time_at = kExifHeader + time;
    e.time_original_at = kExifHeader + time_original;
    return e;
}

// A card as kept: the encoded file and what a shot changes in it.
struct Card {
    Layout layout;
    std::vector<uint8_t> jpeg;
    std::vector<size_t> intervals; // restart intervals (one per row of MCUs)
    size_t scan_end = 0;
    size_t desc_at = 0, time_at = 0, time_original_at = 0; // in the file
    bool spliceable = false; // the stamp band can be encoded again and put in
};

// The APP1 segment is the first after SOI: its body starts at byte 6.
constexpr size_t kApp1Body = 6;

std::shared_ptr<const Card> make_card(const SimCameraModel& model, uint32_t width,
                                      uint32_t height) {
    auto card = std::make_shared<Card>();
    card->layout = layout_for(model.model, width, height);
    const uint32_t thumb_h =
        std::max<uint32_t>(16, uint32_t(uint64_t(height) * kThumbWidth / width) & ~1u);
    std::vector<uint8_t> thumb;
    if (!encode_to(layout_for(model.model, kThumbWidth, thumb_h), 0, thumb_h, nullptr, &thumb))
        return nullptr;
    Exif exif = build_exif(model, width, height, thumb);
    if (!encode_to(card->layout, 0, height, &exif.bytes, &card->jpeg)) return nullptr;
    if (card->jpeg.size() < kApp1Body + exif.bytes.size() ||
        std::memcmp(card->jpeg.data() + kApp1Body, "Exif", 4) != 0)
        return nullptr;
    card->desc_at = kApp1Body + exif.desc_at;
    card->time_at = kApp1Body + exif.time_at;
    card->time_original_at = kApp1Body + exif.time_original_at;
    const Layout& l = card->layout;
    card->spliceable = find_intervals(card->jpeg, &card->intervals, &card->scan_end) &&
                       card->intervals.size() == (height + kMcuRows - 1) / kMcuRows &&
                       l.band_row + l.band_rows < card->intervals.size();
    return card;
}

struct Kept {
    std::mutex lock;
    // By model key and size; guarded by lock. A card is made under the lock,
    // so two hubs of one body never encode it twice.
    std::map<std::tuple<std::string, uint32_t, uint32_t>, std::shared_ptr<const Card>> cards;
};

Kept& kept() {
    static Kept k;
    return k;
}

std::shared_ptr<const Card> card_for(const SimCameraModel& model, uint32_t width, uint32_t height) {
    Kept& k = kept();
    std::lock_guard<std::mutex> guard(k.lock);
    auto key = std::make_tuple(std::string(model.key), width, height);
    auto it = k.cards.find(key);
    if (it != k.cards.end()) return it->second;
    auto card = make_card(model, width, height);
    if (card) k.cards.emplace(key, card);
    return card;
}

// The card's file with the stamp band encoded again showing `stamp`; the
// card's own file when that fails.
std::vector<uint8_t> stamped(const Card& card, const std::string& stamp) {
    const std::vector<uint8_t>& base = card.jpeg;
    if (!card.spliceable) return base;
    Layout l = card.layout;
    l.stamp = stamp;
    std::vector<uint8_t> band;
    std::vector<size_t> band_starts;
    size_t band_end = 0;
    if (!encode_to(l, l.band_row * kMcuRows, l.band_rows * kMcuRows, nullptr, &band) ||
        !find_intervals(band, &band_starts, &band_end) || band_starts.size() != l.band_rows)
        return base;
    const size_t first = card.intervals[l.band_row];
    const size_t after = card.intervals[l.band_row + l.band_rows];
    std::vector<uint8_t> out;
    out.reserve(base.size() + band.size());
    out.insert(out.end(), base.begin(), base.begin() + long(first));
    for (uint32_t i = 0; i < l.band_rows; ++i) {
        const size_t from = band_starts[i];
        const size_t to = i + 1 < l.band_rows ? band_starts[i + 1] - 2 : band_end;
        out.insert(out.end(), band.begin() + long(from), band.begin() + long(to));
        out.push_back(0xFF);
        out.push_back(uint8_t(0xD0 + ((l.band_row + i) & 7))); // RST0..RST7 in turn
    }
    out.insert(out.end(), base.begin() + long(after), base.end());
    return out;
}

} // namespace

std::shared_ptr<const std::vector<uint8_t>> SimTestCard_Picture(const SimCameraModel& model,
                                                                uint32_t width, uint32_t height,
                                                                uint32_t counter,
                                                                std::time_t when) {
    if (width < kMinSide || height < kMinSide || width > kMaxSide || height > kMaxSide)
        return nullptr;
    auto card = card_for(model, width, height);
    if (!card) return nullptr;
    std::tm t{};
    localtime_r(&when, &t);
    char exif_time[kTimeLen + 8], shown[64], desc[kDescLen + 8];
    std::strftime(exif_time, sizeof exif_time, "%Y:%m:%d %H:%M:%S", &t);
    std::strftime(shown, sizeof shown, "%Y-%m-%d %H:%M:%S", &t);
    std::snprintf(desc, sizeof desc, "Frame %06u", counter % 1000000);
    auto out = std::make_shared<std::vector<uint8_t>>(
        stamped(*card, std::string(shown) + "  #" + std::to_string(counter)));
    std::memcpy(out->data() + card->time_at, exif_time, kTimeLen);
    std::memcpy(out->data() + card->time_original_at, exif_time, kTimeLen);
    std::memcpy(out->data() + card->desc_at, desc, kDescLen);
    return out;
}

std::shared_ptr<const std::vector<uint8_t>> SimTestCard_NextShot(SimCameraState& cam) {
    if (!cam.test_card || !cam.model->picture_width) return nullptr;
    return SimTestCard_Picture(*cam.model, cam.model->picture_width, cam.model->picture_height,
                               ++cam.test_card_shots, std::time(nullptr));
}
