// Canon EOS objects: folder-listing parsers on good and hostile data, the walk
// against a scripted camera, and the thumbnail cut on a real file.
#include "eos/eos_objects.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "generic/objects.h"
#include "ptp_eos.h"
#include "ptp_objects.h"
#include "support/capture_script.h"
#include "support/test_data.h"

namespace {

using namespace scripted;

constexpr uint32_t kFolder = 0x3001;
constexpr uint32_t kJpeg = 0x3801;
constexpr uint32_t kRoot = 0xFFFFFFFF;

struct Obj {
    uint32_t handle;
    uint32_t format;
    std::string name;
    uint32_t storage = 0x00010001;
    uint32_t word1 = 0;
    uint32_t word2 = 0;
};

// A 0x9109/0x9170 record: u32 size, +4 handle, +8 storage, +12 format, +24 and
// +28 the listing words, +36 the name, then tail bytes: its NUL, then filler.
void write_sized(ByteWriter& w, const Obj& o, uint32_t tail = 1) {
    uint32_t size = uint32_t(36 + o.name.size() + tail);
    write_u32(w, size);
    write_u32(w, o.handle);
    write_u32(w, o.storage);
    write_u32(w, o.format);
    write_u32(w, 0xAAAAAAAA);
    write_u32(w, 0xBBBBBBBB);
    write_u32(w, o.word1);
    write_u32(w, o.word2);
    write_u32(w, 0xCCCCCCCC);
    write_bytes(w, o.name.data(), o.name.size());
    for (uint32_t i = 0; i < tail; ++i)
        write_u8(w, i ? 0xEE : 0);
}

// The listing op answers; a 0x917A record: +4 handle, +8 storage, +12 format,
// +44 a PTP string.
Bytes listing(uint16_t op, const std::vector<Obj>& objs) {
    ByteWriter w;
    write_u32(w, uint32_t(objs.size()));
    for (const Obj& o : objs) {
        if (op != 0x917A) {
            write_sized(w, o);
            continue;
        }
        write_u32(w, 0x11111111);
        write_u32(w, o.handle);
        write_u32(w, o.storage);
        write_u32(w, o.format);
        for (int i = 0; i < 7; ++i)
            write_u32(w, 0x22222222);
        write_ptp_string(w, o.name.c_str());
    }
    return w.buf;
}

using testdata::heap_copy;
using testdata::operator+;

std::vector<PtpEosObjectEntry> parse(uint16_t op, const Bytes& data, uint16_t filter = 0,
                                     PtpResult* rc = nullptr) {
    std::vector<PtpEosObjectEntry> out;
    PtpResult r =
        PtpEos_ParseFolderListing(op, heap_copy(data).get(), uint32_t(data.size()), filter, &out);
    if (rc) *rc = r;
    return out;
}

TEST(EosListing, RecordsBecomeEntries) {
    Obj a{0x9000001, kJpeg, "IMG_0001.JPG", 0x00020001, 0x1234, 0x5678};
    Obj b{0x9000002, kFolder, std::string(200, 'N')}; // longer than the entry's name
    for (uint16_t op : {uint16_t(0x9109), uint16_t(0x9170), uint16_t(0x917A)}) {
        SCOPED_TRACE(op);
        // 0x917A listings carry no listing words, and the filter does not apply to them.
        const bool named = op == 0x917A;
        PtpResult rc = 0;
        std::vector<PtpEosObjectEntry> e = parse(op, listing(op, {a, b}), named ? 0x300D : 0, &rc);
        ASSERT_EQ(rc, PtpResult_Ok);
        ASSERT_EQ(e.size(), 2u);
        EXPECT_EQ(e[0].handle, 0x9000001u);
        EXPECT_EQ(e[0].storage, 0x00020001u);
        EXPECT_EQ(e[0].format, kJpeg);
        EXPECT_EQ(e[0].listingWord1, named ? 0u : 0x1234u);
        EXPECT_EQ(e[0].listingWord2, named ? 0u : 0x5678u);
        EXPECT_EQ(e[0].reserved1, 0u);
        EXPECT_EQ(e[0].reserved2, 0u);
        EXPECT_EQ(e[0].extra, 0u);
        EXPECT_STREQ(e[0].fileName, "IMG_0001.JPG");
        EXPECT_EQ(e[1].format, kFolder);
        EXPECT_EQ(std::string(e[1].fileName), std::string(63, 'N'));
    }
    // The next record starts size bytes on, whatever follows the name; a name
    // without its NUL ends with its record.
    ByteWriter w;
    write_u32(w, 3);
    write_sized(w, a, 10);
    write_sized(w, {3, kJpeg, "ABCD"}, 0);
    write_sized(w, b);
    std::vector<PtpEosObjectEntry> e = parse(0x9109, w.buf);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_STREQ(e[1].fileName, "ABCD");
    EXPECT_EQ(e[2].handle, 0x9000002u);
}

TEST(EosListing, FormatFilter) {
    std::vector<Obj> objs = {{1, kFolder, "DCIM"},     {2, 0xB982, "MVI_1.MP4"},
                             {3, 0x300D, "MVI_2.MOV"}, {4, kJpeg, "IMG_4.JPG"},
                             {5, 0xB104, "MVI_5.MP4"}, {6, 0xB105, "MVI_6.MP4"}};
    struct Case {
        uint16_t filter;
        std::vector<uint32_t> kept;
    } cases[] = {{0, {1, 2, 3, 4, 5, 6}}, {0x300D, {1, 2, 3, 5, 6}}, {0xB982, {1, 2}}};
    for (const Case& c : cases) {
        std::vector<uint32_t> kept;
        for (const PtpEosObjectEntry& e : parse(0x9109, listing(0x9109, objs), c.filter))
            kept.push_back(e.handle);
        EXPECT_EQ(kept, c.kept) << std::hex << c.filter;
    }
}

TEST(EosListing, HostileListingsAreRefused) {
    const std::vector<Obj> two = {{1, kJpeg, "A.JPG"}, {2, kJpeg, "B.JPG"}};
    Bytes good = listing(0x9109, two);
    auto with_u32 = [](Bytes b, size_t at, uint32_t v) {
        put_u32(b.data() + at, v);
        return b;
    };
    size_t second = 4 + 36 + 6; // the second record's size field
    struct Case {
        const char* what;
        uint16_t op;
        Bytes data;
    } cases[] = {
        {"count beyond the data", 0x9109, with_u32(good, 0, 3)},
        {"huge count", 0x9109, with_u32(good, 0, 0xFFFFFFFF)},
        {"record size below 40", 0x9109, with_u32(good, second, 39)},
        {"record size 0", 0x9109, with_u32(good, 4, 0)},
        {"record past the end", 0x9109, with_u32(good, second, 43)},
        {"record size wraps", 0x9109, with_u32(good, second, 0xFFFFFFFC)},
        {"named: huge count", 0x917A, with_u32(listing(0x917A, {{1, kJpeg, "A"}}), 0, 1000)},
    };
    for (const Case& c : cases) {
        PtpResult rc = 0;
        std::vector<PtpEosObjectEntry> e = parse(c.op, c.data, 0, &rc);
        EXPECT_EQ(rc, PtpResult_BadReply) << c.what;
        EXPECT_TRUE(e.empty()) << c.what;
    }
    // Every truncation of a good listing is refused (the empty one too).
    for (uint16_t op : {uint16_t(0x9109), uint16_t(0x917A)}) {
        const Bytes full = listing(op, two);
        for (size_t n = 0; n < full.size(); ++n) {
            PtpResult rc = 0;
            parse(op, Bytes(full.begin(), full.begin() + n), 0, &rc);
            EXPECT_EQ(rc, PtpResult_BadReply) << std::hex << op << std::dec << " at " << n;
        }
    }
}

Bytes extra_table(uint32_t stride, const std::vector<std::pair<uint32_t, uint32_t>>& rows,
                  uint32_t count = 0xFFFFFFFF) {
    ByteWriter w;
    write_u32(w, count == 0xFFFFFFFF ? uint32_t(rows.size()) : count);
    write_u32(w, stride);
    for (auto [handle, attribute] : rows) {
        Bytes row(stride, 0x55);
        if (stride >= 4) put_u32(row.data(), handle);
        if (stride >= 20) put_u32(row.data() + 16, attribute);
        write_bytes(w, row.data(), row.size());
    }
    return w.buf;
}

TEST(EosExtraAttributes, TablesThatDoNotFitAreIgnored) {
    struct Case {
        const char* what;
        Bytes table;
    } cases[] = {
        {"stride below 20", extra_table(16, {{10, 5}})},
        {"stride 0", extra_table(0, {}, 5)},
        {"count beyond the data", extra_table(20, {{10, 5}}, 2)},
        {"count times stride wraps", extra_table(0x10000000, {}, 0x10)},
        {"short header", Bytes{1, 0, 0, 0, 20}},
    };
    for (const Case& c : cases) {
        PtpEosObjectEntry entry = {};
        entry.handle = 10;
        EXPECT_FALSE(PtpEos_ApplyExtraAttributes(heap_copy(c.table).get(), uint32_t(c.table.size()),
                                                 &entry, 1))
            << c.what;
        EXPECT_EQ(entry.extra, 0u) << c.what;
    }
}

// A camera's folders: the listing of each (storage, parent), and the extra
// attributes of each folder. Listings not given answer as empty folders.
struct Card {
    std::map<std::pair<uint32_t, uint32_t>, std::vector<Obj>> folders;
    std::map<uint32_t, Bytes> extra;
    std::vector<uint32_t> storages = {0x00010001};
    std::map<uint32_t, PtpResult> failingStorage; // storage -> listing answer
};

Bytes storage_ids(const std::vector<uint32_t>& ids) {
    ByteWriter w;
    write_u32(w, uint32_t(ids.size()));
    for (int i = 0; i < 3; ++i)
        write_u32(w, 0); // 0x9101 keeps 12 bytes before the IDs
    for (uint32_t id : ids)
        write_u32(w, id);
    return w.buf;
}

class EosWalk : public ::testing::Test {
  protected:
    void SetUp() override { use({0x9101, 0x9109, 0x9135, 0x910A}); }
    void TearDown() override { camera().responder = nullptr; }
    void use(const std::vector<uint16_t>& ops) {
        connect("Canon Inc.", ops);
        camera().responder = [this](const Command& c) { return reply(c); };
    }
    Reply reply(const Command& c) {
        switch (c.op) {
        case 0x9101: return with_data(storage_ids(card.storages));
        case 0x9109:
        case 0x9170:
        case 0x917A: {
            // A walk that does not stop fails here instead of running for ever.
            if (++listings > 2000) return answer(0x2002);
            auto failing = card.failingStorage.find(c.params[0]);
            if (failing != card.failingStorage.end()) return answer(failing->second);
            auto it = card.folders.find({c.params[0], c.params[1]});
            std::vector<Obj> objs = it == card.folders.end() ? std::vector<Obj>{} : it->second;
            return with_data(listing(uint16_t(c.op), objs));
        }
        case 0x9135: {
            auto it = card.extra.find(c.params[1]);
            return it == card.extra.end() ? answer(0x2002) : with_data(it->second);
        }
        default: return ok();
        }
    }
    std::vector<PtpEosObjectEntry> all(PtpResult* rc, bool extra = false, uint16_t filter = 0) {
        PtpEosObjectEntry* entries = nullptr;
        uint32_t count = 0;
        *rc = PtpEosInterface_GetAllObjectsInfo(&entries, &count, extra, filter);
        std::vector<PtpEosObjectEntry> out(entries, entries + count);
        if (count == 0) EXPECT_EQ(entries, nullptr);
        std::free(entries);
        return out;
    }
    static std::vector<uint32_t> handles(const std::vector<PtpEosObjectEntry>& e) {
        std::vector<uint32_t> out;
        for (const PtpEosObjectEntry& x : e)
            out.push_back(x.handle);
        return out;
    }
    Card card;
    int listings = 0;
};

TEST_F(EosWalk, FoldersAreWalkedDepthFirstAfterTheirListing) {
    const uint32_t s = 0x00010001;
    card.folders[{s, kRoot}] = {
        {100, kFolder, "DCIM"}, {101, kJpeg, "ROOT.JPG"}, {102, kFolder, "MISC"}};
    card.folders[{s, 100}] = {{200, kFolder, "100CANON"}, {201, kJpeg, "A.JPG"}};
    card.folders[{s, 200}] = {{300, kJpeg, "IMG_0001.JPG"}, {301, 0x300D, "MVI_0002.MOV"}};
    card.folders[{s, 102}] = {{400, kJpeg, "B.JPG"}};
    PtpResult rc = 0;
    std::vector<PtpEosObjectEntry> e = all(&rc);
    ASSERT_EQ(rc, PtpResult_Ok);
    EXPECT_EQ(handles(e), (std::vector<uint32_t>{100, 101, 102, 200, 201, 300, 301, 400}));
    std::vector<Call> listings;
    for (const Call& c : calls())
        if (c.op == 0x9109) listings.push_back(c);
    std::vector<Call> want = {{0x9109, {s, kRoot, 0x200000}},
                              {0x9109, {s, 100, 0x200000}},
                              {0x9109, {s, 200, 0x200000}},
                              {0x9109, {s, 102, 0x200000}}};
    EXPECT_EQ(listings, want);

    // GetObjectHandles2 keeps the handles only.
    uint32_t* list = nullptr;
    uint32_t count = 0;
    ASSERT_EQ(PtpGenericInterface_GetObjectHandles2(&list, &count), PtpResult_Ok);
    EXPECT_EQ(std::vector<uint32_t>(list, list + count),
              (std::vector<uint32_t>{100, 101, 102, 200, 201, 300, 301, 400}));
    std::free(list);
}

TEST_F(EosWalk, ListingOperationChoice) {
    const uint32_t s = 0x00010001;
    card.folders[{s, kRoot}] = {{1, kJpeg, "A.JPG"}};
    struct Case {
        std::vector<uint16_t> ops;
        bool ex9170Fails;
        std::vector<uint16_t> sent;
    } cases[] = {
        {{0x9101, 0x917A, 0x9170, 0x9109}, false, {0x917A}},
        {{0x9101, 0x9170, 0x9109}, false, {0x9170}},
        {{0x9101, 0x9170, 0x9109}, true, {0x9170, 0x9109}},
        {{0x9101, 0x9109}, false, {0x9109}},
    };
    for (const Case& c : cases) {
        use(c.ops);
        camera().responder = [this, &c](const Command& cmd) {
            if (cmd.op == 0x9170 && c.ex9170Fails) return answer(0x2002);
            return reply(cmd);
        };
        PtpResult rc = 0;
        std::vector<PtpEosObjectEntry> e = all(&rc);
        EXPECT_EQ(rc, PtpResult_Ok);
        EXPECT_EQ(handles(e), std::vector<uint32_t>{1});
        std::vector<uint16_t> ops;
        for (const Call& call : calls())
            if (call.op != 0x9101) ops.push_back(call.op);
        EXPECT_EQ(ops, c.sent);
    }
    // Nothing listed at all: the last operation's refusal.
    use({0x9101});
    PtpResult rc = 0;
    all(&rc);
    EXPECT_EQ(rc, PtpResult_OperationNotSupported);
}

TEST_F(EosWalk, FilterKeepsFoldersSoTheirContentsAreFound) {
    const uint32_t s = 0x00010001;
    card.folders[{s, kRoot}] = {{100, kFolder, "DCIM"}, {101, kJpeg, "ROOT.JPG"}};
    card.folders[{s, 100}] = {
        {200, 0xB982, "MVI_1.MP4"}, {201, 0x300D, "MVI_2.MOV"}, {202, kJpeg, "IMG_3.JPG"}};
    PtpResult rc = 0;
    EXPECT_EQ(handles(all(&rc, false, 0x300D)), (std::vector<uint32_t>{100, 200, 201}));
    EXPECT_EQ(rc, PtpResult_Ok);
    // A filter that keeps nothing: OK, no entries, no buffer.
    card.folders[{s, kRoot}] = {{101, kJpeg, "ROOT.JPG"}};
    EXPECT_TRUE(all(&rc, false, 0xB108).empty());
    EXPECT_EQ(rc, PtpResult_Ok);
}

TEST_F(EosWalk, ExtraAttributesGoToTheSubFolderEntries) {
    const uint32_t s = 0x00010001;
    card.folders[{s, kRoot}] = {{100, kFolder, "DCIM"}, {101, kJpeg, "ROOT.JPG"}};
    card.folders[{s, 100}] = {{200, kJpeg, "A.JPG"}, {201, kJpeg, "B.JPG"}};
    // The first row of a handle wins; all ones reads as 0; the root's entries get none.
    card.extra[100] = extra_table(20, {{201, 7}, {101, 8}, {200, 0xFFFFFFFF}, {201, 9}});
    PtpResult rc = 0;
    std::vector<PtpEosObjectEntry> e = all(&rc, true);
    ASSERT_EQ(rc, PtpResult_Ok);
    std::map<uint32_t, uint32_t> extra;
    for (const PtpEosObjectEntry& x : e)
        extra[x.handle] = x.extra;
    EXPECT_EQ(extra, (std::map<uint32_t, uint32_t>{{100, 0}, {101, 0}, {200, 0}, {201, 7}}));
    bool asked = false;
    for (const Call& c : calls())
        if (c.op == 0x9135) {
            asked = true;
            EXPECT_EQ(c.params, (std::vector<uint32_t>{s, 100, 3, 0x200000}));
        }
    EXPECT_TRUE(asked);

    clear_sent();
    all(&rc, false);
    for (const Call& c : calls())
        EXPECT_NE(c.op, 0x9135) << "asked without fetchExtra";
}

TEST_F(EosWalk, FolderCyclesAndDepthEndTheDescentNotTheListing) {
    const uint32_t s = 0x00010001;
    // DCIM lists itself and the root's handle; 100CANON lists DCIM again.
    card.folders[{s, kRoot}] = {{100, kFolder, "DCIM"}};
    card.folders[{s, 100}] = {
        {100, kFolder, "DCIM"}, {kRoot, kFolder, "ROOT"}, {200, kFolder, "100CANON"}};
    card.folders[{s, 200}] = {{100, kFolder, "DCIM"}, {300, kJpeg, "IMG.JPG"}};
    PtpResult rc = 0;
    std::vector<PtpEosObjectEntry> e = all(&rc);
    ASSERT_EQ(rc, PtpResult_Ok);
    EXPECT_EQ(handles(e), (std::vector<uint32_t>{100, 100, kRoot, 200, 100, 300}));

    // A chain of folders, each holding the next under a new handle.
    card.folders.clear();
    card.folders[{s, kRoot}] = {{1000, kFolder, "FOLDER"}};
    for (uint32_t h = 1000; h < 1100; ++h)
        card.folders[{s, h}] = {{h + 1, kFolder, "FOLDER"}};
    e = all(&rc);
    ASSERT_EQ(rc, PtpResult_Ok);
    size_t listings = 0;
    for (const Call& c : calls())
        if (c.op == 0x9109) ++listings;
    EXPECT_LE(listings, 40u);
    EXPECT_GE(e.size(), 30u);
}

TEST_F(EosWalk, FailingStoragesAreLeftOut) {
    card.storages = {0x00010001, 0x00020001, 0x00030001};
    card.folders[{0x00010001, kRoot}] = {{1, kJpeg, "A.JPG"}};
    card.folders[{0x00030001, kRoot}] = {{3, kJpeg, "C.JPG"}};
    card.failingStorage[0x00020001] = 0x2008;
    PtpResult rc = 0;
    EXPECT_EQ(handles(all(&rc)), (std::vector<uint32_t>{1, 3}));
    EXPECT_EQ(rc, PtpResult_Ok);

    // A failing sub-folder fails its storage.
    card.folders[{0x00010001, kRoot}] = {{1, kJpeg, "A.JPG"}, {10, kFolder, "DCIM"}};
    camera().responder = [this](const Command& c) {
        if (c.op == 0x9109 && c.params[1] == 10) return answer(0x2009);
        return reply(c);
    };
    EXPECT_EQ(handles(all(&rc)), (std::vector<uint32_t>{3}));
    EXPECT_EQ(rc, PtpResult_Ok);

    // Every storage failing is a failure, not an empty camera.
    card.failingStorage[0x00010001] = 0x2008;
    card.failingStorage[0x00030001] = 0x2009;
    EXPECT_TRUE(all(&rc).empty());
    EXPECT_EQ(rc, 0x2008);

    // No storages at all: OK and nothing.
    card.failingStorage.clear();
    card.storages.clear();
    EXPECT_TRUE(all(&rc).empty());
    EXPECT_EQ(rc, PtpResult_Ok);

    EXPECT_EQ(PtpEosInterface_GetAllObjectsInfo(nullptr, nullptr, false, 0),
              PtpResult_InvalidArgument);
}

TEST_F(EosWalk, AReplyWithoutDataIsABadReply) {
    camera().responder = [this](const Command& c) { return c.op == 0x9109 ? ok() : reply(c); };
    PtpResult rc = 0;
    EXPECT_TRUE(all(&rc).empty());
    EXPECT_EQ(rc, PtpResult_BadReply);
}

const Bytes kTinyJpeg = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00, 0x11, 0x22, 0xFF, 0xD9};

struct Cut {
    PtpResult rc;
    Bytes data;
    uint8_t orientation;
};

// Runs the cut on an exact-size heap copy.
Cut cut(const Bytes& in, bool wantOrientation) {
    testdata::HeapCopy copy = heap_copy(in);
    uint32_t length = uint32_t(in.size());
    Cut out{0, {}, 0xEE};
    out.rc = PtpEosInterface_ExtractThumbnail(copy.get(), &length,
                                              wantOrientation ? &out.orientation : nullptr);
    if (out.rc == PtpResult_Ok) out.data.assign(copy.get(), copy.get() + length);
    return out;
}

TEST(EosThumbnail, OrientationFromTheSampleAndTheJpegAfterIt) {
    Bytes sample = testdata::ReadSample("Canon1DmkIII-orient6.jpg");
    ASSERT_FALSE(sample.empty());
    // The sample's own thumbnail is a placeholder, not a JPEG: a camera
    // thumbnail is the EXIF block followed by the image, so append one.
    Bytes file = sample + kTinyJpeg;
    Cut c = cut(file, true);
    ASSERT_EQ(c.rc, PtpResult_Ok);
    EXPECT_EQ(c.orientation, 6); // MANIFEST.tsv
    EXPECT_EQ(c.data, kTinyJpeg);

    // Without an orientation output the search starts at 0, where the file's
    // own start marker (FF D8 FF E1) is not followed by a table.
    c = cut(file, false);
    ASSERT_EQ(c.rc, PtpResult_Ok);
    EXPECT_EQ(c.data, kTinyJpeg);

    // The sample alone holds no image.
    EXPECT_EQ(cut(sample, true).rc, PtpResult_InvalidArgument);
}

TEST(EosThumbnail, EdgeCases) {
    Bytes noTag = Bytes{0x00, 0x01, 0x02} + kTinyJpeg;
    // Without the Orientation tag: fails with an orientation output, not without.
    Cut c = cut(noTag, true);
    EXPECT_EQ(c.rc, PtpResult_InvalidArgument);
    EXPECT_EQ(c.orientation, 0xEE);
    c = cut(noTag, false);
    EXPECT_EQ(c.rc, PtpResult_Ok);
    EXPECT_EQ(c.data, kTinyJpeg);

    // The image needs a byte after its 4-byte marker.
    EXPECT_EQ(cut({0x00, 0xFF, 0xD8, 0xFF, 0xC4}, false).rc, PtpResult_InvalidArgument);
    EXPECT_EQ(cut({0x00, 0xFF, 0xD8, 0xFF, 0xC4, 0x00}, false).rc, PtpResult_Ok);
    EXPECT_EQ(cut({0xFF, 0xD8, 0xFF, 0xE0, 0x00}, false).rc, PtpResult_InvalidArgument);

    // A tag whose value byte would lie past the end: no orientation is read.
    for (size_t tail = 0; tail <= 8; ++tail) {
        Bytes t = {0x12, 0x01};
        t.resize(2 + tail, 0x07);
        c = cut(t, true);
        EXPECT_EQ(c.rc, PtpResult_InvalidArgument) << tail;
        EXPECT_EQ(c.orientation, 0xEE) << tail;
    }

    uint32_t length = 0;
    uint8_t byte = 0;
    EXPECT_EQ(PtpEosInterface_ExtractThumbnail(nullptr, &length, nullptr),
              PtpResult_InvalidArgument);
    EXPECT_EQ(PtpEosInterface_ExtractThumbnail(&byte, &length, nullptr), PtpResult_InvalidArgument);
    EXPECT_EQ(PtpEosInterface_ExtractThumbnail(&byte, nullptr, nullptr), PtpResult_InvalidArgument);
}

TEST_F(EosWalk, GetThumbnailAsksForTheCanonThumbnailAndCutsIt) {
    Bytes exif = {0x49, 0x49, 0x2A, 0x00, 0x12, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x08};
    Bytes thumb = exif + kTinyJpeg;
    camera().responder = [&thumb](const Command& c) {
        return c.op == 0x910A ? with_data(thumb) : ok();
    };
    uint8_t* data = nullptr;
    uint32_t length = 0;
    uint8_t orientation = 0;
    ASSERT_EQ(PtpGenericInterface_GetThumbnail(0x9000001, &data, &length, &orientation),
              PtpResult_Ok);
    EXPECT_EQ(Bytes(data, data + length), kTinyJpeg);
    EXPECT_EQ(orientation, 8);
    std::free(data);
    EXPECT_EQ(calls(), (std::vector<Call>{{0x910A, {0x9000001, 102400}}}));

    // A cut that fails hands out nothing; so does a refusal.
    thumb = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(PtpGenericInterface_GetThumbnail(1, &data, &length, &orientation),
              PtpResult_InvalidArgument);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(length, 0u);
    camera().responder = [](const Command&) { return answer(0x2009); };
    EXPECT_EQ(PtpGenericInterface_GetThumbnail(1, &data, &length, nullptr), 0x2009);
    EXPECT_EQ(data, nullptr);
}

} // namespace
