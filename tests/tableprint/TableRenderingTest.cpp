// A whole table rendered for real: three pages with a two-row header band merged across and down,
// merged body cells, a picture column and a footer, drawn with real fonts on the drawing double.
// The pages are written under build/tableprint-pages/ for a person to look at, and each page,
// reduced to black and white, must match the rendering a person checked and put under
// tests/tableprint/expected/.
#include "tableprint/TablePrintFixture.h"
#include <cstdint>

using namespace tptest;
using wxtest::DrawingSurface;

namespace {

std::wstring WinePath(const char* unixPath) {
    std::string p = unixPath;
    return L"Z:" + std::wstring(p.begin(), p.end());
}

uint32_t Le(const std::string& s, size_t at, size_t bytes) {
    uint32_t v = 0;
    for (size_t i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(s[at + i])) << (8 * i);
    return v;
}

void PutLe(std::string& s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A 24-bit BMP reduced to a 1-bit BMP: a pixel is black when its luminance is below the middle.
std::string BlackAndWhite(const std::string& bmp) {
    const size_t width = Le(bmp, 18, 4), height = Le(bmp, 22, 4);
    const size_t data = Le(bmp, 10, 4);
    const size_t inRow = (width * 3 + 3) & ~size_t(3);
    const size_t outRow = ((width + 31) / 32) * 4;
    std::string out;
    out += "BM";
    PutLe(out, static_cast<uint32_t>(14 + 40 + 8 + outRow * height), 4);
    PutLe(out, 0, 4);
    PutLe(out, 14 + 40 + 8, 4);
    PutLe(out, 40, 4);
    PutLe(out, static_cast<uint32_t>(width), 4);
    PutLe(out, static_cast<uint32_t>(height), 4);
    PutLe(out, 1, 2);
    PutLe(out, 1, 2);
    PutLe(out, 0, 4);
    PutLe(out, static_cast<uint32_t>(outRow * height), 4);
    PutLe(out, 3780, 4);
    PutLe(out, 3780, 4);
    PutLe(out, 2, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0x000000, 4);  // palette: 0 black, 1 white
    PutLe(out, 0xFFFFFF, 4);
    for (size_t y = 0; y < height; ++y) {
        std::string row(outRow, '\0');
        for (size_t x = 0; x < width; ++x) {
            size_t at = data + y * inRow + x * 3;
            double b = static_cast<unsigned char>(bmp[at]), g = static_cast<unsigned char>(bmp[at + 1]),
                   r = static_cast<unsigned char>(bmp[at + 2]);
            bool white = 0.299 * r + 0.587 * g + 0.114 * b >= 128;
            if (white) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        }
        out += row;
    }
    return out;
}

std::string ReadWhole(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD got = 0;
    if (!bytes.empty()) ::ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

void WriteWhole(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// Pixels that differ between two black-and-white renderings of the same size.
long Differences(const std::string& a, const std::string& b) {
    if (a.size() != b.size() || a.size() < 62) return -1;
    long n = 0;
    for (size_t i = 62; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i] ^ b[i]);
        while (x) { n += x & 1; x >>= 1; }
    }
    return n;
}

void Set(_clsTablePrint* t, long r, long c, const wchar_t* text) {
    Bstr b(text);
    t->put_TextMatrix(r, c, b.get());
}

void SetHeader(_clsTablePrint* t, long r, long c, const wchar_t* text) {
    Bstr b(text);
    t->put_HeaderText(r, c, b.get());
}

}  // namespace

TEST(TablePrintRendering, ThreePagesLookAsAPersonCheckedThem) {
    auto t = NewTable();
    auto s = DrawingSurface::Make(320, 240);
    LatePut(s.get(), L"ScaleMode", {Variant::Long(3)});
    auto sink = PageSink::Make();
    sink->Connect(t.get());
    sink->onNewPage = [](IDispatch* surface, VARIANT_BOOL&, VARIANT_BOOL&, long) { LateGet(surface, L"NewPage"); };

    auto body = wxtest::MakeFont(L"Arial", 8);
    auto header = wxtest::MakeFont(L"Arial", 8, true);
    ComPtr<IFontDisp> bodyFont = body.as<IFontDisp>(IID_IFontDisp), headerFont = header.as<IFontDisp>(IID_IFontDisp);

    t->put_HasFooter(VARIANT_TRUE);
    t->put_HeaderRows(2);
    t->put_Cols(4);
    t->put_Rows(20);
    const float widths[] = {40, 110, 90, 60};
    for (long c = 0; c < 4; ++c) t->put_ColWidth(c, widths[c]);
    t->put_ColAlignment(0, DT_RIGHT);
    t->put_ColAlignment(3, DT_CENTER);
    t->put_MarginLeft(10);
    t->put_MarginTop(10);
    t->put_MarginBottom(10);
    t->put_CellXOffset(3);
    t->put_CellYOffset(2);
    t->put_HeaderLineThickness(2);
    t->put_FooterLineThickness(2);
    t->put_PrintHeaderOnEveryPage(VARIANT_TRUE);
    t->put_CenterMergedHeader(VARIANT_TRUE);
    t->putref_FontMatrix(-1, -1, bodyFont.get());
    t->putref_HeaderFont(-1, -1, headerFont.get());
    t->putref_FooterFont(-1, headerFont.get());

    // Header: "No." and "Picture" run down both rows; "Produce" runs across two columns.
    SetHeader(t.get(), 0, 0, L"No.");
    SetHeader(t.get(), 1, 0, L"No.");
    SetHeader(t.get(), 0, 1, L"Produce");
    SetHeader(t.get(), 0, 2, L"Produce");
    SetHeader(t.get(), 1, 1, L"Name");
    SetHeader(t.get(), 1, 2, L"Group");
    SetHeader(t.get(), 0, 3, L"Picture");
    SetHeader(t.get(), 1, 3, L"Picture");
    t->put_MergeHeaderRow(0, VARIANT_TRUE);
    t->put_MergeHeaderCol(0, VARIANT_TRUE);
    t->put_MergeHeaderCol(3, VARIANT_TRUE);

    const wchar_t* names[] = {L"Apple", L"Pear", L"Plum", L"Cherry", L"Fig", L"Kiwi", L"Lime",
                              L"Carrot", L"Leek", L"Onion", L"Kale", L"Pea & Bean", L"Beet",
                              L"Almond", L"Walnut", L"Pecan", L"Hazel", L"Cashew", L"Brazil", L"Pistachio"};
    const COLORREF colours[] = {RGB(200, 0, 0), RGB(0, 140, 0), RGB(0, 0, 200)};
    std::vector<ComPtr<IDispatch>> pictures;
    for (int i = 0; i < 3; ++i) pictures.push_back(wxtest::MakePicture(24, 10, colours[i], RGB(0, 0, 0)));
    for (long r = 0; r < 20; ++r) {
        Set(t.get(), r, 0, std::to_wstring(r + 1).c_str());
        Set(t.get(), r, 1, names[r]);
        size_t group = r < 7 ? 0 : r < 13 ? 1 : 2;
        Set(t.get(), r, 2, group == 0 ? L"Fruit" : group == 1 ? L"Vegetable" : L"Nut");
        t->putref_PictureMatrix(r, 3, pictures[group].as<IPictureDisp>(IID_IPictureDisp).get());
    }
    t->put_MergeCol(2, VARIANT_TRUE);
    // Row 9 is one cell across name and group.
    Set(t.get(), 9, 1, L"(out of season)");
    Set(t.get(), 9, 2, L"(out of season)");
    t->put_MergeRow(9, VARIANT_TRUE);
    Bstr total(L"Total"), items(L"20 items");
    t->put_FooterText(1, total.get());
    t->put_FooterText(2, items.get());

    s->setCurrentY(10);
    ASSERT_EQ(Draw(t.get(), s.get()), S_OK);
    ASSERT_EQ(sink->breaks.size(), 2u);
    ASSERT_EQ(s->pagesStarted(), 2);

    const std::wstring pages = WinePath(WX_TABLEPRINT_PAGES);
    const std::wstring expected = WinePath(WX_TABLEPRINT_EXPECTED);
    CreateDirectoryW(pages.c_str(), nullptr);
    for (int page = 0; page < 3; ++page) {
        int index = page < 2 ? page : -1;  // the last page is the one still on the surface
        std::wstring name = L"page-" + std::to_wstring(page + 1) + L".bmp";
        ASSERT_TRUE(s->save(pages + L"\\" + name, index));
        std::string mono = BlackAndWhite(s->bitmapFile(index));
        WriteWhole(pages + L"\\bw-" + name, mono);
        std::string wanted = ReadWhole(expected + L"\\" + name);
        if (wanted.empty()) {
            ADD_FAILURE() << "no expected rendering for page " << page + 1
                          << "; look at build/tableprint-pages/ and check bw-page-" << page + 1 << ".bmp in";
            continue;
        }
        EXPECT_EQ(Differences(mono, wanted), 0) << "page " << page + 1 << " differs from the checked rendering";
    }
}
