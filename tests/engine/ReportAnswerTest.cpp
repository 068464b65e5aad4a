#include "engine/ReportAnswer.h"

#include <gtest/gtest.h>

using Engine::CanSendTokenAsHeader;
using Engine::ExtractJsonString;
using Engine::HasSuccessMarker;

TEST(ReportAnswer, SuccessMarkerIsTheEightBytesOnly) {
    EXPECT_TRUE(HasSuccessMarker("{\"code\":0,\"data\":{}}"));
    EXPECT_TRUE(HasSuccessMarker("{\"code\":05}"));
    EXPECT_TRUE(HasSuccessMarker("xx\"code\":0"));
    EXPECT_FALSE(HasSuccessMarker("{\"code\": 0}"));
    EXPECT_FALSE(HasSuccessMarker("{\"code\":1}"));
    EXPECT_FALSE(HasSuccessMarker("{\"Code\":0}"));
    EXPECT_FALSE(HasSuccessMarker(""));
}

TEST(ReportAnswer, ExtractsRawValues) {
    const std::string body =
        "{\"code\":0,\"data\":{\"main_url\":\"http://h/p.zip\",\"version\":\"2.0.1.7\",\"token\":\"t-1\"}}";
    EXPECT_EQ(ExtractJsonString(body, "main_url"), "http://h/p.zip");
    EXPECT_EQ(ExtractJsonString(body, "version"), "2.0.1.7");
    EXPECT_EQ(ExtractJsonString(body, "token"), "t-1");
    EXPECT_EQ(ExtractJsonString(body, "missing"), "");
}

TEST(ReportAnswer, BlanksAroundTheColonHideTheMember) {
    EXPECT_EQ(ExtractJsonString("{\"main_url\" : \"http://h\"}", "main_url"), "");
    EXPECT_EQ(ExtractJsonString("{\"main_url\": \"http://h\"}", "main_url"), "");
}

TEST(ReportAnswer, EscapesAreKeptAndTheFirstUnescapedQuoteEnds) {
    EXPECT_EQ(ExtractJsonString("{\"token\":\"a\\\"b\",\"x\":1}", "token"), "a\\\"b");
    EXPECT_EQ(ExtractJsonString("{\"main_url\":\"http:\\/\\/h\\/p\"}", "main_url"), "http:\\/\\/h\\/p");
    EXPECT_EQ(ExtractJsonString("{\"version\":\"\"}", "version"), "");
    // An escaped backslash does not escape the quote after it; a third backslash does.
    EXPECT_EQ(ExtractJsonString("{\"token\":\"a\\\\\",\"x\":\"y\"}", "token"), "a\\\\");
    EXPECT_EQ(ExtractJsonString("{\"token\":\"a\\\\\\\"b\"}", "token"), "a\\\\\\\"b");
}

TEST(ReportAnswer, UnterminatedValueRunsToTheEnd) {
    EXPECT_EQ(ExtractJsonString("{\"token\":\"abc", "token"), "abc");
    EXPECT_EQ(ExtractJsonString("{\"token\":\"", "token"), "");
    EXPECT_EQ(ExtractJsonString("{\"token\":\"ab\\\"", "token"), "ab\\\"");
}

TEST(ReportAnswer, FirstOccurrenceWins) {
    EXPECT_EQ(ExtractJsonString("{\"version\":\"1\",\"version\":\"2\"}", "version"), "1");
    // A key that is the tail of a longer key is still found inside it (the search is plain text).
    EXPECT_EQ(ExtractJsonString("{\"app_version\":\"9\",\"version\":\"2\"}", "version"), "2");
}

TEST(ReportAnswer, TokenTravelsAsHeaderOnlyWithoutControlBytes) {
    const struct {
        std::string token;
        bool sent;
    } cases[] = {
        {"t-1", true},
        {"a b~!", true},
        {"\x80\xff\xc3\xa9", true},  // sent byte for byte
        {"", false},
        {std::string("a\0b", 3), false},
        {"a\rb", false},
        {"a\nb", false},
        {"a\r\nX-Other: 1", false},
        {"a\tb", false},
        {"a\x1f"
         "b",
         false},
        {"\x01", false},
        {"a\x7f", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CanSendTokenAsHeader(c.token), c.sent) << c.token;
}
