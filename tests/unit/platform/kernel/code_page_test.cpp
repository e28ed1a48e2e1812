#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "winbase.h"
#include "winnls.h"
#include "kernel_test_values.h"

namespace {

using ce::kernel::test::kUntouched;

// Converts with the size query first, as the programs do, and checks the two agree.
std::u16string ToWide(UINT codePage, DWORD flags, const std::string& bytes) {
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
    if (needed == 0) {
        return u"<failed>";
    }
    std::u16string wide(static_cast<std::size_t>(needed), u'\0');
    EXPECT_EQ(MultiByteToWideChar(codePage, flags, bytes.data(), length, wide.data(), needed),
              needed);
    return wide;
}

std::string ToBytes(UINT codePage, DWORD flags, const std::u16string& wide) {
    const int length = static_cast<int>(wide.size());
    const int needed =
        WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed == 0) {
        return "<failed>";
    }
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    EXPECT_EQ(WideCharToMultiByte(codePage, flags, wide.data(), length, bytes.data(), needed,
                                  nullptr, nullptr),
              needed);
    return bytes;
}

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::u16string expected;  // with ill-formed parts replaced
    bool wellFormed;
};

// Ill-formed input becomes one U+FFFD per maximal subpart: the longest start of a well-formed
// sequence, or a single byte that starts none.
const std::vector<DecodeCase> kDecodeCases = {
    {"ascii", "Hello", u"Hello", true},
    {"two bytes", "\xC3\xA9", u"\u00E9", true},
    {"three bytes", "\xE2\x82\xAC", u"\u20AC", true},
    {"four bytes become a surrogate pair", "\xF0\x9F\x98\x80", u"\U0001F600", true},
    {"largest code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF", true},
    {"long ascii run then more",
     "abcdefghijklmnopqrstuvwxyz\xC3\xA9"
     "0123456789",
     u"abcdefghijklmnopqrstuvwxyz\u00E9"
     "0123456789",
     true},
    {"lone continuation byte",
     "a\x80"
     "b",
     u"a\uFFFD"
     "b",
     false},
    {"truncated sequence then ascii",
     "\xE2\x82"
     "A",
     u"\uFFFD"
     "A",
     false},
    {"truncated sequence at the end", "x\xF0\x9F\x98", u"x\uFFFD", false},
    {"overlong two-byte form", "\xC0\xAF", u"\uFFFD\uFFFD", false},
    {"overlong three-byte form", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD", false},
    {"overlong four-byte form", "\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD", false},
    {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false},
    {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", false},
    {"byte that never starts a sequence",
     "\xF5"
     "a\xFF",
     u"\uFFFD"
     "a\uFFFD",
     false},
    {"mixed example", "\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
     u"a\uFFFD\uFFFD\uFFFD"
     "b\uFFFD"
     "c\uFFFD\uFFFD"
     "d",
     false},
    {"bad byte inside an ascii block", "abcdefg\x80hijklmnop", u"abcdefg\uFFFDhijklmnop", false},
};

TEST(MultiByteToWideChar, DecodesAndReplacesIllFormedInput) {
    for (const auto& test : kDecodeCases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(ToWide(CP_UTF8, 0, test.bytes), test.expected);
        EXPECT_EQ(ToWide(CP_ACP, 0, test.bytes), test.expected);
    }
}

TEST(MultiByteToWideChar, FailsOnIllFormedInputWhenAsked) {
    for (const auto& test : kDecodeCases) {
        SCOPED_TRACE(test.name);
        SetLastError(kUntouched);
        const int result = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, test.bytes.data(),
                                               static_cast<int>(test.bytes.size()), nullptr, 0);
        if (test.wellFormed) {
            EXPECT_EQ(result, static_cast<int>(test.expected.size()));
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
        }
    }
}

TEST(MultiByteToWideChar, MinusOneLengthConvertsAndCountsTheTerminator) {
    WCHAR wide[8];
    std::fill(std::begin(wide), std::end(wide), u'x');
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xC3\xA9", -1, nullptr, 0), 3);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xC3\xA9", -1, wide, 8), 3);
    EXPECT_EQ(std::u16string(wide, 3), std::u16string(u"a\u00E9\0", 3));
}

TEST(MultiByteToWideChar, RejectsBadArguments) {
    WCHAR wide[4];
    struct Case {
        const char* name;
        UINT codePage;
        const char* input;
        int inputLength;
        WCHAR* output;
        int outputLength;
        DWORD error;
    };
    const Case cases[] = {
        {"output too small", CP_UTF8, "abcde", 5, wide, 4, ERROR_INSUFFICIENT_BUFFER},
        {"surrogate pair does not fit", CP_UTF8, "abc\xF0\x9F\x98\x80", 7, wide, 4,
         ERROR_INSUFFICIENT_BUFFER},
        {"empty input", CP_UTF8, "abc", 0, wide, 4, ERROR_INVALID_PARAMETER},
        {"negative length", CP_UTF8, "abc", -2, wide, 4, ERROR_INVALID_PARAMETER},
        {"null input", CP_UTF8, nullptr, 3, wide, 4, ERROR_INVALID_PARAMETER},
        {"null output with a size", CP_UTF8, "abc", 3, nullptr, 4, ERROR_INVALID_PARAMETER},
        {"other code page", 1252, "abc", 3, wide, 4, ERROR_INVALID_PARAMETER},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        SetLastError(kUntouched);
        EXPECT_EQ(MultiByteToWideChar(test.codePage, 0, test.input, test.inputLength, test.output,
                                      test.outputLength),
                  0);
        EXPECT_EQ(GetLastError(), test.error);
    }
}

struct EncodeCase {
    const char* name;
    std::u16string wide;
    std::string expected;
    bool wellFormed;
};

const std::vector<EncodeCase> kEncodeCases = {
    {"ascii", u"Hello", "Hello", true},
    {"two bytes", u"\u00E9", "\xC3\xA9", true},
    {"three bytes", u"\u20AC\uFFFF", "\xE2\x82\xAC\xEF\xBF\xBF", true},
    {"surrogate pair", u"\U0001F600", "\xF0\x9F\x98\x80", true},
    {"ascii block then more", u"abcdefgh\u00E9", "abcdefgh\xC3\xA9", true},
    {"lone high surrogate", std::u16string(u"a") + char16_t(0xD800) + u"b",
     "a\xEF\xBF\xBD"
     "b",
     false},
    {"lone low surrogate", std::u16string(1, char16_t(0xDC00)) + u"a",
     "\xEF\xBF\xBD"
     "a",
     false},
    {"high surrogate at the end", std::u16string(u"ab") + char16_t(0xDBFF), "ab\xEF\xBF\xBD",
     false},
    {"two high surrogates", std::u16string{char16_t(0xD800), char16_t(0xD800), char16_t(0xDC00)},
     "\xEF\xBF\xBD\xF0\x90\x80\x80", false},
};

TEST(WideCharToMultiByte, EncodesAndReplacesLoneSurrogates) {
    for (const auto& test : kEncodeCases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(ToBytes(CP_UTF8, 0, test.wide), test.expected);
        EXPECT_EQ(ToBytes(CP_ACP, 0, test.wide), test.expected);
    }
}

TEST(WideCharToMultiByte, FailsOnLoneSurrogatesWhenAsked) {
    for (const auto& test : kEncodeCases) {
        SCOPED_TRACE(test.name);
        SetLastError(kUntouched);
        const int result =
            WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, test.wide.data(),
                                static_cast<int>(test.wide.size()), nullptr, 0, nullptr, nullptr);
        if (test.wellFormed) {
            EXPECT_EQ(result, static_cast<int>(test.expected.size()));
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
        }
    }
}

TEST(WideCharToMultiByte, MinusOneLengthConvertsAndCountsTheTerminator) {
    char bytes[8] = "xxxxxxx";
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a\u00E9", -1, nullptr, 0, nullptr, nullptr), 4);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a\u00E9", -1, bytes, 8, nullptr, nullptr), 4);
    EXPECT_EQ(std::string(bytes, 4), std::string("a\xC3\xA9\0", 4));
}

TEST(WideCharToMultiByte, DefaultCharacterOnlyForTheSystemCodePage) {
    const std::u16string lone = std::u16string(u"a") + char16_t(0xD800);
    char bytes[8] = {};
    BOOL used = TRUE;

    SetLastError(kUntouched);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, lone.data(), 2, bytes, 8, "?", nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(kUntouched);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, lone.data(), 2, bytes, 8, nullptr, &used), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, lone.data(), 2, bytes, 8, "?", &used), 2);
    EXPECT_EQ(std::string(bytes, 2), "a?");
    EXPECT_EQ(used, TRUE);

    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"ab", 2, bytes, 8, "?", &used), 2);
    EXPECT_EQ(used, FALSE);

    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, lone.data(), 2, bytes, 8, nullptr, &used), 4);
    EXPECT_EQ(std::string(bytes, 4), "a\xEF\xBF\xBD");
    EXPECT_EQ(used, TRUE);
}

TEST(WideCharToMultiByte, RejectsBadArguments) {
    char bytes[4];
    struct Case {
        const char* name;
        UINT codePage;
        const WCHAR* input;
        int inputLength;
        char* output;
        int outputLength;
        DWORD error;
    };
    const Case cases[] = {
        {"output too small", CP_UTF8, u"abcde", 5, bytes, 4, ERROR_INSUFFICIENT_BUFFER},
        {"multi-byte character does not fit", CP_UTF8, u"abc\u00E9", 4, bytes, 4,
         ERROR_INSUFFICIENT_BUFFER},
        {"empty input", CP_UTF8, u"abc", 0, bytes, 4, ERROR_INVALID_PARAMETER},
        {"null input", CP_UTF8, nullptr, 3, bytes, 4, ERROR_INVALID_PARAMETER},
        {"null output with a size", CP_UTF8, u"abc", 3, nullptr, 4, ERROR_INVALID_PARAMETER},
        {"other code page", 437, u"abc", 3, bytes, 4, ERROR_INVALID_PARAMETER},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        SetLastError(kUntouched);
        EXPECT_EQ(WideCharToMultiByte(test.codePage, 0, test.input, test.inputLength, test.output,
                                      test.outputLength, nullptr, nullptr),
                  0);
        EXPECT_EQ(GetLastError(), test.error);
    }
}

// Every scalar value, encoded independently here, goes through both directions unchanged.
TEST(CodePage, EveryScalarValueRoundTrips) {
    std::u16string wide;
    std::string bytes;
    for (char32_t c = 1; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        if (c < 0x10000) {
            wide += static_cast<char16_t>(c);
        } else {
            wide += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            wide += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (c < 0x800) {
            bytes += static_cast<char>(0xC0 | (c >> 6));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            bytes += static_cast<char>(0xE0 | (c >> 12));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | (c >> 18));
            bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    EXPECT_TRUE(ToBytes(CP_UTF8, WC_ERR_INVALID_CHARS, wide) == bytes);
    EXPECT_TRUE(ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, bytes) == wide);
}

}  // namespace
