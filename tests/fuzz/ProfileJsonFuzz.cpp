// The profile writer: for any keys and values the document is strict, compact JSON with the fields
// in the order written; well-formed UTF-8 comes back unchanged, and the token comes back as one
// character per byte.
#include "FuzzSupport.h"

#include <fuzzer/FuzzedDataProvider.h>

#include "engine/ProfileJson.h"

namespace {

struct Field {
    std::string key;
    bool isString = false;
    std::string value;  // a number as std::to_string writes it
    int32_t number = 0;
};

struct Profile {
    std::string token;
    std::vector<Field> fields;
};

Profile ReadProfile(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    Profile profile;
    profile.token = input.ConsumeRandomLengthString(64);
    while (input.remaining_bytes() > 0 && profile.fields.size() < 16) {
        Field field;
        // Keys are C strings: the writer sees them up to the first NUL.
        field.key = input.ConsumeRandomLengthString(32).c_str();
        field.isString = input.ConsumeBool();
        if (field.isString) {
            field.value = input.ConsumeRandomLengthString(256);
        } else {
            field.number = input.ConsumeIntegral<int32_t>();
            field.value = std::to_string(field.number);
        }
        profile.fields.push_back(field);
    }
    return profile;
}

std::string DescribeProfile(const uint8_t* data, size_t size) {
    const Profile profile = ReadProfile(data, size);
    std::string text = "token \"" + Fuzz::PrintableBytes(profile.token) + "\"";
    for (const Field& field : profile.fields) {
        const char* quote = field.isString ? "\"" : "";
        text += "; " + Fuzz::PrintableBytes(field.key) + ": " + quote + Fuzz::PrintableBytes(field.value) + quote;
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fuzz::KeepInput(data, size, DescribeProfile);
    Profile profile = ReadProfile(data, size);

    // One character per token byte, as well-formed UTF-8.
    const std::string tokenText = Engine::TokenAsProfileText(profile.token);
    std::vector<uint32_t> codePoints;
    FUZZ_CHECK(Fuzz::DecodeUtf8(tokenText, &codePoints));
    FUZZ_CHECK(codePoints.size() == profile.token.size());
    for (size_t i = 0; i < profile.token.size(); ++i)
        FUZZ_CHECK(codePoints[i] == static_cast<unsigned char>(profile.token[i]));
    Field tokenField;
    tokenField.key = "token";
    tokenField.isString = true;
    tokenField.value = tokenText;
    profile.fields.push_back(tokenField);

    Engine::ProfileJsonWriter writer;
    for (const Field& field : profile.fields) {
        if (field.isString)
            writer.String(field.key.c_str(), field.value);
        else
            writer.Number(field.key.c_str(), field.number);
    }
    const std::string document = writer.Finish();

    Fuzz::JsonDocument parsed;
    FUZZ_CHECK(Fuzz::ParseJson(document, &parsed));
    FUZZ_CHECK(parsed.isObject && !parsed.hasWhitespace);
    FUZZ_CHECK(parsed.members.size() == profile.fields.size());
    for (size_t i = 0; i < profile.fields.size(); ++i) {
        const Field& field = profile.fields[i];
        const Fuzz::JsonMember& member = parsed.members[i];
        FUZZ_CHECK(member.isString == field.isString);
        if (Fuzz::IsUtf8(field.key))
            FUZZ_CHECK(member.key == field.key);
        if (!field.isString || Fuzz::IsUtf8(field.value))
            FUZZ_CHECK(member.value == field.value);
    }
    FUZZ_CHECK(parsed.members.back().value == tokenText);
    return 0;
}
