// Pages known to be the same by what they are drawn from, read with qpdf:
// equal however the file numbers its objects, different for any change
// that shows, and not concluded from files that are damaged or locked.
#include "differences/content_pairing.h"
#include "pdf/pdf_page_fingerprints.h"
#include "pdf/pdf_page_signatures.h"
#include "tests/pdf/test_pdf_writer.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace {

test::Pdf_Page Sheet(int Content, const std::string& Extra = {})
{
    test::Pdf_Page page;
    page.Content = test::Sheet_Frame() + test::Box(60 + Content * 90, 300, 80, 120) + Extra;
    return page;
}

class Pdf_Fingerprints : public ::testing::Test {
protected:
    std::string Write(const std::string& Name, const std::string& Bytes)
    {
        const std::string path = (dir.Path / Name).string();
        std::ofstream(path, std::ios::binary) << Bytes;
        return path;
    }
    std::string Pdf(const std::string& Name, const std::vector<test::Pdf_Page>& Pages)
    {
        return Write(Name, test::Make_Pdf(Pages));
    }

    test::Scratch_Dir dir;
};

TEST_F(Pdf_Fingerprints, EqualForTheSameDrawingWhereverItsObjectsAreAndDifferentForAnyChange)
{
    test::Pdf_Page courier = Sheet(1, "BT /F1 9 Tf 400 60 Td (A-101) Tj ET");
    courier.Resources = test::Helvetica_Font;
    test::Pdf_Page helvetica = courier;
    courier.Resources =
        "<< /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Courier >> >> >>";
    test::Pdf_Page taller = Sheet(2);
    taller.Height = 900;
    // The second file has a sheet inserted first, so every object of the
    // others has another number there.
    const auto base =
        Pdf_Page_Fingerprints(Pdf("a.pdf", {Sheet(0), Sheet(1), Sheet(2), helvetica}));
    const auto modified = Pdf_Page_Fingerprints(
        Pdf("b.pdf", {Sheet(5), Sheet(0), Sheet(1, test::Box(70, 80, 1, 1)), taller, courier}));
    ASSERT_EQ(base.size(), 4u);
    ASSERT_EQ(modified.size(), 5u);
    EXPECT_EQ(base[0], modified[1]);
    EXPECT_NE(base[1], modified[2]) << "a one-point mark added";
    EXPECT_NE(base[2], modified[3]) << "the same drawing on taller paper";
    EXPECT_NE(base[3], modified[4]) << "the same text in another font";
    for (std::uint64_t fingerprint : modified)
        EXPECT_NE(fingerprint, 0u);
}

TEST_F(Pdf_Fingerprints, NothingIsConcludedFromDamagedLockedOrOtherFiles)
{
    const std::string good = Pdf("good.pdf", {Sheet(0), Sheet(1)});
    std::string bytes = test::Make_Pdf({Sheet(0), Sheet(1)});
    // The cross-reference table points one byte off: readers repair that
    // each in their own way.
    const std::size_t xref = bytes.find("0000000009 00000 n");
    ASSERT_NE(xref, std::string::npos);
    bytes.replace(xref, 10, "0000000010");
    const std::string locked = (dir.Path / "locked.pdf").string();
    const std::string command =
        "qpdf --encrypt secret secret 256 -- '" + good + "' '" + locked + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << "qpdf is needed to encrypt a test PDF";
    EXPECT_EQ(Pdf_Page_Fingerprints(good).size(), 2u);
    EXPECT_TRUE(Pdf_Page_Fingerprints(Write("damaged.pdf", bytes)).empty());
    EXPECT_TRUE(Pdf_Page_Fingerprints(locked).empty());
    EXPECT_TRUE(Pdf_Page_Fingerprints(Write("text.pdf", "not a PDF\n")).empty());
    EXPECT_TRUE(Pdf_Page_Fingerprints((dir.Path / "missing.pdf").string()).empty());
}

TEST_F(Pdf_Fingerprints, PagesDrawnFromTheSameAreTheSameAndAChangedDimensionIsNot)
{
    // A3 sheets drawn small for their signatures, one with a dimension's
    // text changed: about a pixel high at that size.
    auto a3 = [](int Content, const std::string& Extra) {
        test::Pdf_Page page = Sheet(Content, Extra);
        page.Width = 1191, page.Height = 842;
        page.Content =
            test::Sheet_Frame(1191, 842) + test::Box(60 + Content * 90, 300, 80, 120) + Extra;
        return page;
    };
    const std::string dimension = "BT /F1 5 Tf 900 100 Td (5600) Tj ET ";
    const std::string changed_dimension = "BT /F1 5 Tf 900 100 Td (5650) Tj ET ";
    const std::atomic<bool> never(false);
    const T_Pair_Signatures signatures = Pdf_Pair_Signatures(
        Pdf("a.pdf", {a3(0, dimension), a3(1, dimension), a3(2, dimension)}),
        Pdf("b.pdf", {a3(0, dimension), a3(1, changed_dimension), a3(2, dimension)}), never);
    ASSERT_EQ(signatures.Left.size(), 3u);
    ASSERT_EQ(signatures.Right.size(), 3u);
    // A page drawn from the same takes its counterpart's signature.
    EXPECT_EQ(signatures.Right[2].Ink, signatures.Left[2].Ink);
    const T_Content_Pairing pairing = Pair_By_Content(signatures.Left, signatures.Right);
    EXPECT_EQ(pairing.Pairs.Left_To_Right, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(pairing.Left[0], T_Page_Match::Same);
    EXPECT_NE(pairing.Left[1], T_Page_Match::Same);
    EXPECT_EQ(pairing.Left[2], T_Page_Match::Same);
}

// A sheet of a longer set: a frame, and a box at its own place on a grid.
test::Pdf_Page Set_Sheet(int Content, const std::string& Extra = {})
{
    test::Pdf_Page page;
    page.Content = test::Sheet_Frame() +
                   test::Box(60 + (Content % 5) * 90, 120 + (Content / 5) * 150, 80, 120) + Extra;
    return page;
}

int Drawn_Count(const std::vector<T_Page_Signature>& Pages)
{
    return int(std::count_if(Pages.begin(), Pages.end(),
                             [](const T_Page_Signature& Page) { return !Page.Ink.empty(); }));
}

TEST_F(Pdf_Fingerprints, TwinsAreNotDrawnAndTheSetPairsAsWhenEveryPageIsDrawn)
{
    // Twenty sheets; the revision has one inserted near the front, one
    // changed by a small mark, two swapped and the last removed.
    std::vector<test::Pdf_Page> base, modified;
    for (int sheet = 0; sheet < 20; ++sheet)
        base.push_back(Set_Sheet(sheet));
    modified = base;
    modified[7] = Set_Sheet(7, test::Box(300, 700, 30, 20));
    std::swap(modified[12], modified[13]);
    modified.pop_back();
    modified.insert(modified.begin() + 2, Set_Sheet(2, test::Box(420, 650, 60, 60)));
    const std::string left = Pdf("a.pdf", base), right = Pdf("b.pdf", modified);
    const std::atomic<bool> never(false);

    const T_Pair_Signatures known = Pdf_Pair_Signatures(left, right, never);
    ASSERT_EQ(known.Left.size(), 20u);
    ASSERT_EQ(known.Right.size(), 20u);
    // Drawn: the changed and the removed base sheets, and a few twins for the
    // set's frame; on the revision its two new sheets and those same twins.
    EXPECT_LE(Drawn_Count(known.Left), 2 + 6);
    EXPECT_LE(Drawn_Count(known.Right), 2 + 6);
    EXPECT_GE(Drawn_Count(known.Left), 2 + 4);
    const T_Content_Pairing pairing = Pair_By_Content(known.Left, known.Right);

    const T_Content_Pairing drawn =
        Pair_By_Content(Pdf_Page_Signatures(left, never), Pdf_Page_Signatures(right, never));
    EXPECT_EQ(pairing.Pairs.Left_To_Right, drawn.Pairs.Left_To_Right);
    EXPECT_EQ(pairing.Pairs.Right_To_Left, drawn.Pairs.Right_To_Left);
    EXPECT_EQ(pairing.Left_Moved, drawn.Left_Moved);
    EXPECT_EQ(pairing.Pairs.Left_To_Right[7], 8);
    EXPECT_EQ(pairing.Pairs.Left_To_Right[12], 14);
    EXPECT_EQ(pairing.Pairs.Right_To_Left[2], -1) << "the inserted sheet";
    using M = T_Page_Match;
    EXPECT_EQ(pairing.Left[19], M::Unpaired);
    EXPECT_EQ(pairing.Left[7], M::Changed);
    for (int sheet : {0, 1, 5, 12, 13, 18})
        EXPECT_EQ(pairing.Left[std::size_t(sheet)], M::Same) << "sheet " << sheet;
}

TEST_F(Pdf_Fingerprints, WithoutFingerprintsOnOneSideEveryPageIsDrawn)
{
    std::vector<test::Pdf_Page> sheets;
    for (int sheet = 0; sheet < 8; ++sheet)
        sheets.push_back(Set_Sheet(sheet));
    std::string damaged = test::Make_Pdf(sheets);
    const std::size_t xref = damaged.find("0000000009 00000 n");
    ASSERT_NE(xref, std::string::npos);
    damaged.replace(xref, 10, "0000000010");
    const std::atomic<bool> never(false);
    const T_Pair_Signatures signatures =
        Pdf_Pair_Signatures(Pdf("a.pdf", sheets), Write("damaged.pdf", damaged), never);
    ASSERT_EQ(signatures.Right.size(), 8u);
    EXPECT_EQ(Drawn_Count(signatures.Left), 8);
    EXPECT_EQ(Drawn_Count(signatures.Right), 8);
    EXPECT_EQ(Pair_By_Content(signatures.Left, signatures.Right).Pairs.Left_To_Right,
              (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
}

} // namespace
