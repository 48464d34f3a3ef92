// The table printer's model: defaults, resizing, the "all" setters, index and count errors, and
// the dispatch interface the library's type information gives it.
#include "frame/Interfaces.h"
#include "tableprint/TablePrintFixture.h"

using namespace tptest;

namespace {

std::wstring CellText(_clsTablePrint* t, long r, long c) {
    BSTR b = nullptr;
    EXPECT_EQ(t->get_TextMatrix(r, c, &b), S_OK);
    std::wstring s = Text(b);
    SysFreeString(b);
    return s;
}

}  // namespace

TEST(TablePrintModel, NewTableHasItsDefaults) {
    auto t = NewTable();
    ASSERT_TRUE(t);
    long n = 0;
    t->get_Rows(&n);
    EXPECT_EQ(n, 5);
    t->get_Cols(&n);
    EXPECT_EQ(n, 2);
    t->get_HeaderRows(&n);
    EXPECT_EQ(n, 1);
    VARIANT_BOOL b = 0;
    t->get_HasFooter(&b);
    EXPECT_EQ(b, VARIANT_TRUE);
    t->get_PrintHeaderOnEveryPage(&b);
    EXPECT_EQ(b, VARIANT_FALSE);
    short thick = 0;
    t->get_LineThickness(&thick);
    EXPECT_EQ(thick, 1);
    t->get_HeaderLineThickness(&thick);
    EXPECT_EQ(thick, 1);
    t->get_FooterLineThickness(&thick);
    EXPECT_EQ(thick, 1);
    float w = 0;
    t->get_ColWidth(0, &w);
    EXPECT_EQ(w, 15.0f);
    t->get_ColWidth(1, &w);
    EXPECT_EQ(w, 15.0f);
    float m = -1;
    t->get_MarginTop(&m);
    EXPECT_EQ(m, 0.0f);

    // Unset cells hold null text and no objects.
    BSTR text = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(t->get_TextMatrix(4, 1, &text), S_OK);
    EXPECT_EQ(text, nullptr);
    IFontDisp* font = reinterpret_cast<IFontDisp*>(1);
    EXPECT_EQ(t->get_FontMatrix(0, 0, &font), S_OK);
    EXPECT_EQ(font, nullptr);
    EXPECT_EQ(ErrorNumber(t->get_TextMatrix(5, 0, &text)), 9);
    EXPECT_EQ(ErrorNumber(t->get_TextMatrix(0, 2, &text)), 9);
    EXPECT_EQ(ErrorNumber(t->get_TextMatrix(-1, 0, &text)), 9);
    // A read that fails leaves a caller's uninitialised result as Nothing, not as it came.
    text = reinterpret_cast<BSTR>(1);
    font = reinterpret_cast<IFontDisp*>(1);
    EXPECT_EQ(ErrorNumber(t->get_TextMatrix(5, 0, &text)), 9);
    EXPECT_EQ(ErrorNumber(t->get_FontMatrix(5, 0, &font)), 9);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(font, nullptr);
}

TEST(TablePrintModel, ResizingDiscardsEverythingAndResetsWidths) {
    auto t = NewTable();
    Bstr a(L"A");
    t->put_TextMatrix(0, 0, a.get());
    t->put_ColWidth(1, 999);
    t->put_ColAlignment(0, 2);
    t->put_MergeCol(0, VARIANT_TRUE);
    t->put_HeaderText(0, 0, a.get());
    ASSERT_EQ(t->put_Cols(3), S_OK);
    EXPECT_EQ(CellText(t.get(), 0, 0), L"");
    for (long c = 0; c < 3; ++c) {
        float w = 0;
        t->get_ColWidth(c, &w);
        EXPECT_EQ(w, 15.0f);
    }
    long align = -1;
    t->get_ColAlignment(0, &align);
    EXPECT_EQ(align, 0);
    VARIANT_BOOL merge = VARIANT_TRUE;
    t->get_MergeCol(0, &merge);
    EXPECT_EQ(merge, VARIANT_FALSE);
    BSTR h = nullptr;
    t->get_HeaderText(0, 0, &h);
    EXPECT_EQ(h, nullptr);
    // Rows and HeaderRows resize the same way.
    t->put_TextMatrix(0, 0, a.get());
    t->put_HeaderRows(2);
    EXPECT_EQ(CellText(t.get(), 0, 0), L"");
}

TEST(TablePrintModel, NoBodyRowsMeansNoBodyTables) {
    auto t = NewTable();
    ASSERT_EQ(t->put_Rows(0), S_OK);
    BSTR text = nullptr;
    EXPECT_EQ(ErrorNumber(t->get_TextMatrix(0, 0, &text)), 9);
    Bstr x(L"x");
    EXPECT_EQ(ErrorNumber(t->put_TextMatrix(-1, -1, x.get())), 9);
    IFontDisp* font = nullptr;
    EXPECT_EQ(ErrorNumber(t->get_ColFont(0, &font)), 9);
    VARIANT_BOOL merge = 0;
    EXPECT_EQ(ErrorNumber(t->get_MergeRow(0, &merge)), 9);
    EXPECT_EQ(t->put_HeaderText(0, 0, x.get()), S_OK);
    EXPECT_EQ(t->get_HeaderText(0, 0, &text), S_OK);
    EXPECT_EQ(Text(text), L"x");
    SysFreeString(text);
}

TEST(TablePrintModel, CountsBelowTheirMinimumRaise380AndChangeNothing) {
    auto t = NewTable();
    Bstr keep(L"keep");
    t->put_TextMatrix(1, 1, keep.get());
    EXPECT_EQ(ErrorNumber(t->put_Cols(0)), 380);
    EXPECT_EQ(ErrorNumber(t->put_HeaderRows(0)), 380);
    EXPECT_EQ(ErrorNumber(t->put_Rows(-1)), 380);
    long n = 0;
    t->get_Cols(&n);
    EXPECT_EQ(n, 2);
    t->get_HeaderRows(&n);
    EXPECT_EQ(n, 1);
    t->get_Rows(&n);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(CellText(t.get(), 1, 1), L"keep");
    // A table too large for memory is refused the same way: old count, old content.
    EXPECT_EQ(ErrorNumber(t->put_Rows(0x7FFFFFFF)), 7);
    t->get_Rows(&n);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(CellText(t.get(), 1, 1), L"keep");
}

TEST(TablePrintModel, FooterTablesFollowHasFooterOnlyAtTheNextResize) {
    auto t = NewTable();
    BSTR text = nullptr;
    EXPECT_EQ(t->get_FooterText(1, &text), S_OK);
    t->put_HasFooter(VARIANT_FALSE);
    EXPECT_EQ(t->get_FooterText(1, &text), S_OK);  // still there until a resize
    t->put_Cols(4);
    EXPECT_EQ(ErrorNumber(t->get_FooterText(0, &text)), 9);
    t->put_HasFooter(VARIANT_TRUE);
    EXPECT_EQ(ErrorNumber(t->get_FooterText(0, &text)), 9);
    Bstr f(L"f");
    EXPECT_EQ(ErrorNumber(t->put_FooterText(-1, f.get())), 9);
    t->put_Rows(3);
    EXPECT_EQ(t->get_FooterText(3, &text), S_OK);
}

TEST(TablePrintModel, NegativeIndicesSetWholeRowsColumnsAndTables) {
    auto t = NewTable();
    t->put_Cols(3);
    Bstr x(L"x"), y(L"y"), z(L"z");
    ASSERT_EQ(t->put_TextMatrix(-1, 2, x.get()), S_OK);
    for (long r = 0; r < 5; ++r) EXPECT_EQ(CellText(t.get(), r, 2), L"x");
    EXPECT_EQ(CellText(t.get(), 0, 1), L"");
    ASSERT_EQ(t->put_TextMatrix(3, -5, y.get()), S_OK);
    for (long c = 0; c < 3; ++c) EXPECT_EQ(CellText(t.get(), 3, c), L"y");
    EXPECT_EQ(CellText(t.get(), 2, 2), L"x");
    ASSERT_EQ(t->put_TextMatrix(-1, -1, z.get()), S_OK);
    EXPECT_EQ(CellText(t.get(), 4, 0), L"z");
    EXPECT_EQ(ErrorNumber(t->put_TextMatrix(5, -1, x.get())), 9);
    EXPECT_EQ(ErrorNumber(t->put_TextMatrix(-1, 3, x.get())), 9);

    ASSERT_EQ(t->put_ColWidth(-1, 2000), S_OK);
    for (long c = 0; c < 3; ++c) {
        float w = 0;
        t->get_ColWidth(c, &w);
        EXPECT_EQ(w, 2000.0f);
    }
    float w = 0;
    EXPECT_EQ(ErrorNumber(t->get_ColWidth(-1, &w)), 9);
    t->put_ColAlignment(-1, 2);
    long align = 0;
    t->get_ColAlignment(2, &align);
    EXPECT_EQ(align, 2);
    t->put_FooterText(-1, z.get());
    BSTR f = nullptr;
    t->get_FooterText(2, &f);
    EXPECT_EQ(Text(f), L"z");
    SysFreeString(f);

    t->put_HeaderRows(2);
    t->put_HeaderText(-1, 1, x.get());
    BSTR h = nullptr;
    t->get_HeaderText(1, 1, &h);
    EXPECT_EQ(Text(h), L"x");
    SysFreeString(h);
    t->get_HeaderText(1, 0, &h);
    EXPECT_EQ(h, nullptr);
}

TEST(TablePrintModel, FontsAndPicturesAreTheCallersObjects) {
    auto t = NewTable();
    auto bold = wxtest::MakeFont(L"Arial", 12, true);
    auto plain = wxtest::MakeFont(L"Arial", 9);
    auto picture = wxtest::MakePicture(8, 8, RGB(255, 0, 0), RGB(0, 0, 0));
    ComPtr<IFontDisp> boldFont = bold.as<IFontDisp>(IID_IFontDisp);
    ComPtr<IFontDisp> plainFont = plain.as<IFontDisp>(IID_IFontDisp);
    ComPtr<IPictureDisp> pic = picture.as<IPictureDisp>(IID_IPictureDisp);

    ASSERT_EQ(t->putref_ColFont(1, boldFont.get()), S_OK);
    for (long r = 0; r < 5; ++r) {
        IFontDisp* f = nullptr;
        t->get_FontMatrix(r, 1, &f);
        EXPECT_EQ(f, boldFont.get());
        if (f) f->Release();
    }
    IFontDisp* f = nullptr;
    t->get_ColFont(1, &f);
    EXPECT_EQ(f, boldFont.get());
    if (f) f->Release();
    t->putref_FontMatrix(0, -1, plainFont.get());
    t->get_ColFont(1, &f);
    EXPECT_EQ(f, plainFont.get());
    if (f) f->Release();
    t->putref_HeaderFont(-1, -1, boldFont.get());
    t->get_HeaderFont(0, 1, &f);
    EXPECT_EQ(f, boldFont.get());
    if (f) f->Release();
    t->putref_FooterFont(-1, plainFont.get());
    t->get_FooterFont(1, &f);
    EXPECT_EQ(f, plainFont.get());
    if (f) f->Release();

    ASSERT_EQ(t->putref_PictureMatrix(2, 1, pic.get()), S_OK);
    IPictureDisp* p = nullptr;
    t->get_PictureMatrix(2, 1, &p);
    EXPECT_EQ(p, pic.get());
    if (p) p->Release();
    t->get_PictureMatrix(2, 0, &p);
    EXPECT_EQ(p, nullptr);
}

TEST(TablePrintModel, MergeFlagsHaveNoAllForm) {
    auto t = NewTable();
    EXPECT_EQ(ErrorNumber(t->put_MergeRow(-1, VARIANT_TRUE)), 9);
    EXPECT_EQ(ErrorNumber(t->put_MergeCol(-1, VARIANT_TRUE)), 9);
    EXPECT_EQ(ErrorNumber(t->put_MergeHeaderRow(1, VARIANT_TRUE)), 9);
    EXPECT_EQ(ErrorNumber(t->put_MergeHeaderCol(2, VARIANT_TRUE)), 9);
    EXPECT_EQ(t->put_MergeRow(4, VARIANT_TRUE), S_OK);
    VARIANT_BOOL v = 0;
    t->get_MergeRow(4, &v);
    EXPECT_EQ(v, VARIANT_TRUE);
    t->get_MergeRow(3, &v);
    EXPECT_EQ(v, VARIANT_FALSE);
}

// Hosts reach the object late-bound: names, parameter order and errors through IDispatch.
TEST(TablePrintModel, LateBoundMembersAndErrors) {
    auto t = NewTable();
    IDispatch* d = t.get();
    EXPECT_EQ(LatePut(d, L"TextMatrix", {Variant::Long(1), Variant::Long(0), Str(L"late")}).hr, S_OK);
    Outcome read = LateGet(d, L"TextMatrix", {Variant::Long(1), Variant::Long(0)});
    ASSERT_EQ(read.hr, S_OK);
    EXPECT_EQ(V_VT(read.value.get()), VT_BSTR);
    EXPECT_EQ(Text(V_BSTR(read.value.get())), L"late");
    Outcome bad = LatePut(d, L"Cols", {Variant::Long(0)});
    EXPECT_EQ(bad.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(bad.number, 380);
    Outcome out = LateGet(d, L"TextMatrix", {Variant::Long(5), Variant::Long(0)});
    EXPECT_EQ(out.number, 9);
    EXPECT_EQ(LatePut(d, L"PrintHeaderOnEveryPage", {Variant::Bool(true)}).hr, S_OK);
    VARIANT_BOOL b = 0;
    t->get_PrintHeaderOnEveryPage(&b);
    EXPECT_EQ(b, VARIANT_TRUE);
    EXPECT_EQ(LatePut(d, L"RowHeightMin", {Variant::Double(312.5)}).hr, S_OK);
    Outcome min = LateGet(d, L"RowHeightMin");
    EXPECT_EQ(V_VT(min.value.get()), VT_R4);
    EXPECT_EQ(V_R4(min.value.get()), 312.5f);
    auto font = wxtest::MakeFont(L"Arial", 10);
    EXPECT_EQ(Late(d, L"HeaderFont", DISPATCH_PROPERTYPUTREF,
                   {Variant::Long(-1), Variant::Long(-1), Variant::Object(font.get())}).hr, S_OK);

    // The interface is described member by member, in order, in the private type information.
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(d->GetTypeInfo(0, 0, info.put()), S_OK);
    const wchar_t* order[] = {L"PrintHeaderOnEveryPage", L"CenterMergedHeader", L"RowHeightMin", L"HeaderRowHeightMin",
                              L"FooterRowHeightMin", L"ResizeCellsToPicHeight", L"CalcNumRowsPerPage", L"PictureMatrix",
                              L"HeaderRows", L"DrawTable", L"CellXOffset", L"CellYOffset", L"FooterLineThickness",
                              L"HeaderLineThickness", L"LineThickness", L"MarginLeft", L"MarginBottom", L"MarginTop",
                              L"FooterText", L"FooterFont", L"HasFooter", L"ColAlignment", L"HeaderFont", L"HeaderText",
                              L"ColFont", L"MergeHeaderRow", L"MergeHeaderCol", L"MergeRow", L"MergeCol", L"TextMatrix",
                              L"FontMatrix", L"Rows", L"Cols", L"ColWidth"};
    std::vector<std::wstring> seen;
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* fd = nullptr;
        if (FAILED(info->GetFuncDesc(i, &fd))) continue;
        BSTR name = nullptr;
        UINT got = 0;
        info->GetNames(fd->memid, &name, 1, &got);
        std::wstring n = Text(name);
        SysFreeString(name);
        if (n != L"QueryInterface" && n != L"AddRef" && n != L"Release" && n != L"GetTypeInfoCount" &&
            n != L"GetTypeInfo" && n != L"GetIDsOfNames" && n != L"Invoke" && (seen.empty() || seen.back() != n))
            seen.push_back(n);
        info->ReleaseFuncDesc(fd);
    }
    info->ReleaseTypeAttr(attr);
    ASSERT_EQ(seen.size(), sizeof order / sizeof order[0]);
    for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], order[i]) << i;
}

// The library file carries the printer's type information as its second type library, and
// registering the library leaves that one out (run after registration, as CTest does).
TEST(TablePrintModel, LibraryCarriesThePrivateTypeLibraryUnregistered) {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dll(exe);
    dll = dll.substr(0, dll.find_last_of(L"\\/")) + L"\\WENDRAX1.dll\\2";
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLibEx(dll.c_str(), REGKIND_NONE, lib.put()), S_OK);
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(lib->GetTypeInfoOfGuid(IID__clsTablePrint, info.put()), S_OK);
    EXPECT_EQ(lib->GetTypeInfoOfGuid(DIID___clsTablePrint, info.put()), S_OK);
    // Nothing in it is a class: there is no identity to create the printer by.
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        TYPEKIND kind;
        lib->GetTypeInfoType(i, &kind);
        EXPECT_NE(kind, TKIND_COCLASS);
    }
    BSTR path = nullptr;
    if (FAILED(QueryPathOfRegTypeLib(LIBID_WENDRAX1, 1, 0, 0, &path))) GTEST_SKIP() << "library not registered";
    SysFreeString(path);
    path = nullptr;
    EXPECT_TRUE(FAILED(QueryPathOfRegTypeLib(LIBID_WENDRAX1TablePrint, 1, 0, 0, &path)));
    SysFreeString(path);
}
