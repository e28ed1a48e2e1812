// CString: the formatter, searching and cutting, conversion from 8-bit text, buffers.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

#include "afxwin.h"
#include "ce/resources.h"

namespace {

std::u16string Text(const CString& text) {
    return std::u16string(static_cast<LPCTSTR>(text));
}

struct FormatCase {
    const char* name;
    std::u16string expected;
    std::function<CString()> make;
};

CString Formatted(LPCTSTR format, auto... args) {
    CString text;
    text.Format(format, args...);
    return text;
}

TEST(MfcStringFormat, FormatsEachConversionWithItsFlagsWidthAndPrecision) {
    const FormatCase cases[] = {
        {"sync record", u"2011/03/04 05:06,512",
         [] { return Formatted(u"%04d/%02d/%02d %02d:%02d,%d", 2011, 3, 4, 5, 6, 512); }},
        {"empty package", u"2011/03/04 05:06,0",
         [] { return Formatted(u"%04d/%02d/%02d %02d:%02d,%d", 2011, 3, 4, 5, 6, 0); }},
        {"smallest int", u"-2147483648", [] { return Formatted(u"%i", INT_MIN); }},
        {"width and alignment", u"   42|42   |-0042|  -42",
         [] { return Formatted(u"%5d|%-5d|%05d|%05.2d", 42, 42, -42, -42); }},
        {"precision", u"005|  005|", [] { return Formatted(u"%.3d|%5.3d|%.0d", 5, 5, 0); }},
        {"unsigned and hex", u"4294967295 ff FF 0000beef",
         [] { return Formatted(u"%u %x %X %08x", UINT_MAX, 255u, 255u, 0xbeefu); }},
        {"characters", u"OK", [] { return Formatted(u"%c%c", u'O', u'K'); }},
        {"strings", u"wide|also|narrow|hs",
         [] { return Formatted(u"%s|%ls|%S|%hs", u"wide", u"also", "narrow", "hs"); }},
        {"string width and precision", u"ab    |    ab|ab",
         [] { return Formatted(u"%-6s|%6s|%.2s", u"ab", u"ab", u"abc"); }},
        {"8-bit text in UTF-8", u"Gr\u00fc\u00dfe",
         [] {
             return Formatted(u"%S",
                              "Gr\xc3\xbc\xc3\x9f"
                              "e");
         }},
        {"null string", u"(null)", [] { return Formatted(u"%s", static_cast<LPCTSTR>(nullptr)); }},
        {"percent and unknown", u"100% %q", [] { return Formatted(u"100%% %q"); }},
        {"append", u"a=1, b=2",
         [] {
             CString text(u"a=1");
             text.AppendFormat(u", b=%d", 2);
             return text;
         }},
    };
    for (const FormatCase& c : cases) {
        EXPECT_EQ(Text(c.make()), c.expected) << c.name;
    }
}

TEST(MfcString, FindsAndCutsLikeMfc) {
    const CString record(u"2011/03/04 05:06,512,x");
    const int comma = record.Find(u',');
    EXPECT_EQ(comma, 16);
    EXPECT_EQ(Text(record.Left(comma)), u"2011/03/04 05:06");
    EXPECT_EQ(Text(record.Mid(comma + 1)), u"512,x");
    EXPECT_EQ(Text(record.Mid(5, 2)), u"03");
    EXPECT_EQ(Text(record.Right(5)), u"512,x");
    EXPECT_EQ(record.ReverseFind(u','), 20);
    EXPECT_EQ(record.Find(u"05"), 11);
    EXPECT_EQ(record.Find(u',', comma + 1), 20);
    EXPECT_EQ(record.Find(u'#'), -1);
    EXPECT_EQ(record.Find(u"0", 30), -1);

    // Counts and positions outside the string are clamped.
    EXPECT_EQ(Text(record.Left(-1)), u"");
    EXPECT_EQ(Text(record.Left(100)), Text(record));
    EXPECT_EQ(Text(record.Mid(100)), u"");
    EXPECT_EQ(Text(record.Mid(2, -1)), u"");
    EXPECT_EQ(Text(record.Mid(-3, 4)), u"2011");
    EXPECT_EQ(record.GetAt(100), u'\0');
    EXPECT_EQ(record[std::size_t{4}], u'/');
}

TEST(MfcString, ConvertsCompareAndConcatenates) {
    const CString fromUtf8(
        "Gr\xc3\xbc\xc3\x9f"
        "e");
    EXPECT_EQ(Text(fromUtf8), u"Gr\u00fc\u00dfe");
    EXPECT_EQ(fromUtf8.GetLength(), 5);
    EXPECT_TRUE(CString("").IsEmpty());

    CString path(u"\\opt\\x");
    path += u"\\";
    const CString full = path + u"kelmaris.cab";
    EXPECT_TRUE(full == u"\\opt\\x\\kelmaris.cab");
    EXPECT_TRUE(full != path);
    EXPECT_TRUE(CString(u"10.0.0.1") < CString(u"10.0.0.2"));
    EXPECT_TRUE(u"abc" == CString(u"abc"));
    EXPECT_EQ(Text(u"<" + CString(u"a") + u'>'), u"<a>");

    CString text(u"  Mixed Case\t\r\n");
    text.TrimLeft().TrimRight();
    EXPECT_EQ(Text(text), u"Mixed Case");
    EXPECT_EQ(Text(CString(text).MakeUpper()), u"MIXED CASE");
    EXPECT_EQ(Text(text.MakeLower()), u"mixed case");
    text.Empty();
    EXPECT_TRUE(text.IsEmpty());
}

TEST(MfcString, BuffersTakeTextWrittenIntoThem) {
    CString text(u"old");
    LPTSTR buffer = text.GetBuffer(8);
    std::u16string_view(u"new\0rest", 8).copy(buffer, 8);
    text.ReleaseBuffer();
    EXPECT_EQ(Text(text), u"new");

    buffer = text.GetBufferSetLength(2);
    buffer[1] = u'o';
    text.ReleaseBuffer(2);
    EXPECT_EQ(Text(text), u"no");
}

TEST(MfcString, LoadsStringsOfTheProgram) {
    const ce::StringResource strings[] = {{1, u"2.0.2.0"}};
    const ce::ResourceTable table{{}, {}, {}, strings};
    const ce::ResourceRegistration registration(table);
    CString text(u"unchanged");
    EXPECT_FALSE(text.LoadString(2));
    EXPECT_EQ(Text(text), u"unchanged");
    EXPECT_TRUE(text.LoadString(1));
    EXPECT_EQ(Text(text), u"2.0.2.0");
}

}  // namespace
