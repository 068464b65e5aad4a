#include "engine/GpuSelection.h"
#include "engine/ProfileJson.h"

#include <gtest/gtest.h>

using namespace Engine;

namespace {

std::string Escaped(const std::string& raw) {
    std::string out;
    AppendJsonEscaped(out, raw);
    return out;
}

}  // namespace

TEST(ProfileJson, EscapesQuoteBackslashAndControlBytes) {
    EXPECT_EQ(Escaped("a\"b"), "a\\\"b");
    EXPECT_EQ(Escaped("C:\\dir"), "C:\\\\dir");
    EXPECT_EQ(Escaped("x\ty"), "x\\ty");
    EXPECT_EQ(Escaped(std::string("\x01", 1)), "\\u0001");
    EXPECT_EQ(Escaped(std::string("\x1f\x00", 2)), std::string("\\u001f\\u0000"));
    EXPECT_EQ(Escaped("\b\n\f\r"), "\\b\\n\\f\\r");
    EXPECT_EQ(Escaped("\x7f"), "\x7f");
}

TEST(ProfileJson, CopiesUtf8AndSlashUnchanged) {
    EXPECT_EQ(Escaped("欧贝林-PC"), "欧贝林-PC");
    EXPECT_EQ(Escaped("http://a/b"), "http://a/b");
    EXPECT_EQ(Escaped(""), "");
}

TEST(ProfileJson, BytesOutsideWellFormedUtf8BecomeReplacementCharacters) {
    const std::string fffd = "\xef\xbf\xbd";
    const struct {
        std::string raw;
        std::string escaped;
    } cases[] = {
        {"\xff", fffd},
        {"\x80", fffd},
        {"\xc3", fffd},                                                    // cut short
        {"a\xe6\xac!", "a" + fffd + fffd + "!"},                           // cut short before an ASCII byte
        {"\xc0\xaf", fffd + fffd},                                         // overlong "/"
        {"\xe0\x80\xaf", fffd + fffd + fffd},                              // overlong "/"
        {"\xed\xa0\x80", fffd + fffd + fffd},                              // a surrogate
        {"\xf4\x90\x80\x80", fffd + fffd + fffd + fffd},                   // above U+10FFFF
        {"\xf0\x9f\x98\x80\xed\x9f\xbf", "\xf0\x9f\x98\x80\xed\x9f\xbf"},  // U+1F600, U+D7FF
        {"\xc2\x80\xf4\x8f\xbf\xbf", "\xc2\x80\xf4\x8f\xbf\xbf"},          // U+0080, U+10FFFF
        {"\xff\"", fffd + "\\\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Escaped(c.raw), c.escaped) << c.raw;
}

TEST(ProfileJson, TokenBytesBecomeOneCharacterEach) {
    const struct {
        std::string token;
        std::string text;
    } cases[] = {
        {"abc", "abc"},
        {"A\xe9", "A\xc3\xa9"},
        {"", ""},
        {std::string("t\0k", 3), std::string("t\0k", 3)},
        {std::string("\0", 1), std::string("\0", 1)},
        {"\x7f\x80\xbf\xc0\xff", "\x7f\xc2\x80\xc2\xbf\xc3\x80\xc3\xbf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TokenAsProfileText(c.token), c.text) << c.token;
}

TEST(ProfileJson, TokenWithNulIsEscapedInTheDocument) {
    ProfileJsonWriter json;
    json.String("token", TokenAsProfileText(std::string("a\0\xff", 3)));
    EXPECT_EQ(json.Finish(), "{\"token\":\"a\\u0000\xc3\xbf\"}");
}

TEST(ProfileJson, WriterEscapesKeys) {
    ProfileJsonWriter json;
    json.String("a\"b\\", "v");
    json.Number("\n", 1);
    EXPECT_EQ(json.Finish(), "{\"a\\\"b\\\\\":\"v\",\"\\n\":1}");
}

TEST(ProfileJson, WriterKeepsOrderWithoutWhitespace) {
    ProfileJsonWriter json;
    json.String("scene", "install");
    json.Number("cpu_cores", 8);
    json.Number("neg", -3);
    json.String("q", "a\"b");
    EXPECT_EQ(json.Finish(), "{\"scene\":\"install\",\"cpu_cores\":8,\"neg\":-3,\"q\":\"a\\\"b\"}");
    EXPECT_EQ(ProfileJsonWriter().Finish(), "{}");
}

TEST(ProfileJson, UtcOffsetTexts) {
    EXPECT_EQ(FormatUtcOffset(-480), "UTC+08:00");
    EXPECT_EQ(FormatUtcOffset(0), "UTC+00:00");
    EXPECT_EQ(FormatUtcOffset(210), "UTC-03:30");
    EXPECT_EQ(FormatUtcOffset(30), "UTC-00:30");
    EXPECT_EQ(FormatUtcOffset(-345), "UTC+05:45");
    EXPECT_EQ(FormatUtcOffset(-840), "UTC+14:00");
    EXPECT_EQ(FormatUtcOffset(720), "UTC-12:00");
}

TEST(ProfileJson, ArchitectureNames) {
    EXPECT_STREQ(ArchitectureName(0), "x86");
    EXPECT_STREQ(ArchitectureName(5), "arm");
    EXPECT_STREQ(ArchitectureName(9), "x64");
    EXPECT_STREQ(ArchitectureName(12), "unknown");  // ARM64
    EXPECT_STREQ(ArchitectureName(6), "unknown");
    EXPECT_STREQ(ArchitectureName(0xFFFF), "unknown");
}

TEST(ProfileJson, DeviceIdIsLowerCaseGuidWithoutBraces) {
    const uint8_t tail[8] = {0xAB, 0xCD, 0x01, 0x02, 0x03, 0x04, 0x05, 0xFF};
    EXPECT_EQ(FormatDeviceId(0x0A1B2C3D, 0x00EF, 0xBEEF, tail), "0a1b2c3d-00ef-beef-abcd-0102030405ff");
    const uint8_t zeros[8] = {};
    EXPECT_EQ(FormatDeviceId(0, 0, 0, zeros).size(), 36u);
}

TEST(ProfileJson, MebibytesTruncateIntoThirtyTwoBits) {
    EXPECT_EQ(ToMebibytes((1ull << 20) - 1), 0);
    EXPECT_EQ(ToMebibytes(3ull << 20 | 5), 3);
    EXPECT_EQ(ToMebibytes(16ull << 30), 16384);
}

TEST(GpuSelection, SkipsBasicRenderAndPrefersMostMemoryLaterOnTies) {
    AdapterPicker picker;
    picker.Offer(L"Basic Render", 0x1414, 0x8C, 512ull << 20);
    EXPECT_TRUE(picker.Picked().name.empty());
    picker.Offer(L"First", 0x10DE, 1, 0);  // the first eligible adapter is taken even with 0 bytes
    EXPECT_EQ(picker.Picked().name, L"First");
    picker.Offer(L"Big", 0x10DE, 2, 4ull << 30);
    picker.Offer(L"Small", 0x8086, 3, 128ull << 20);
    picker.Offer(L"Tie", 0x1002, 4, 4ull << 30);
    EXPECT_EQ(picker.Picked().name, L"Tie");
    EXPECT_EQ(picker.Picked().memoryMb, 4096);
    picker.Offer(L"Microsoft other", 0x1414, 0x8D, 8ull << 30);  // only the exact pair is skipped
    EXPECT_EQ(picker.Picked().name, L"Microsoft other");
}

TEST(GpuSelection, OnlyFailuresInARowEndTheAdapterWalk) {
    AdapterPicker picker;
    for (int i = 1; i < AdapterPicker::kMaxFailuresInARow; ++i)
        EXPECT_TRUE(picker.Failure()) << i;
    picker.Offer(L"GPU", 0x10DE, 1, 1 << 20);  // an adapter in between starts the count again
    for (int i = 1; i < AdapterPicker::kMaxFailuresInARow; ++i)
        EXPECT_TRUE(picker.Failure()) << i;
    EXPECT_FALSE(picker.Failure());
    EXPECT_EQ(picker.Picked().name, L"GPU");
}

TEST(GpuSelection, DriverVersionComesFromTheMatchingClassEntry) {
    GpuInfo fromAdapters;
    fromAdapters.name = L"NVIDIA GeForce";
    fromAdapters.memoryMb = 2048;
    DisplayClassMatcher matcher(fromAdapters);
    EXPECT_FALSE(matcher.Offer(L"", L"1.0"));
    EXPECT_FALSE(matcher.Offer(L"Intel UHD", L"27.1"));
    EXPECT_FALSE(matcher.Offer(L"nvidia geforce", L"9.9"));  // case matters
    EXPECT_TRUE(matcher.Offer(L"NVIDIA GeForce", L"31.0.15"));
    const GpuInfo result = matcher.Result();
    EXPECT_EQ(result.name, L"NVIDIA GeForce");
    EXPECT_EQ(result.memoryMb, 2048);
    EXPECT_EQ(result.driver, L"31.0.15");
}

TEST(GpuSelection, WithoutAnAdapterTheFirstClassDescriptionIsReported) {
    DisplayClassMatcher matcher{GpuInfo()};
    EXPECT_FALSE(matcher.Offer(L"", L"x"));
    EXPECT_FALSE(matcher.Offer(L"Wine Display", L"8.0"));
    EXPECT_FALSE(matcher.Offer(L"Second", L"1"));
    const GpuInfo result = matcher.Result();
    EXPECT_EQ(result.name, L"Wine Display");
    EXPECT_EQ(result.memoryMb, 0);
    EXPECT_EQ(result.driver, L"");
}
