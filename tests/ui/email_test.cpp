#include <gtest/gtest.h>

#include <string>

#include "ui/email.h"

using tabulora::ui::IsValidEmailAddress;

TEST(IsValidEmailAddress, AcceptsTheFormsOfThePattern) {
    const char* accepted[] = {
        "a@b.c",          "john.doe@example.com",  "John.Doe@Example.COM",
        "a_b+c-d.e@x.io", ".lead.and.trail.@x.io", "user@mail.example.co.uk",
        "user@---.com",   "user@a.-.-9",           "user@a..b",
        "0@1.2",
    };
    for (const char* address : accepted) EXPECT_TRUE(IsValidEmailAddress(address)) << address;
}

TEST(IsValidEmailAddress, RejectsEverythingElse) {
    const std::string rejected[] = {
        "",
        "john.example.com",                  // no "@"
        "a@b@c.com",                         // two "@"
        "john@.com",                         // nothing between "@" and the dot
        "john@example",                      // no dot after "@"
        "@example.com",                      // nothing before "@"
        "john@example.com.",                 // ends in a dot
        "john@example.com-",                 // ends in a hyphen
        "john@example.",                     // nothing after the dot
        "j\xC3\xB6hn@example.com",           // non-ASCII letter before "@"
        "john@ex\xC3\xA4mple.com",           // non-ASCII letter in the label
        "john@example.c\xD0\xBE",            // Cyrillic letter at the end
        "john@example.com\xF0\x9F\x98\x80",  // a character outside the BMP
        "jo hn@example.com",                 // a space inside
        " john@example.com",                 // an untrimmed blank
        "john@example.com ",
        "jo!hn@example.com",  // "!" is not a name character
        "john@exa_mple.com",  // "_" is not a label character
        "john@example.co_m",
        "john\r\n@example.com",
        std::string("john@example.com\0x", 18),  // a NUL does not end the text
    };
    for (const std::string& address : rejected) EXPECT_FALSE(IsValidEmailAddress(address)) << address;
}
