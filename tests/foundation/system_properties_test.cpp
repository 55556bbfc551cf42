#include <gtest/gtest.h>
#include <host_properties.h>
#include <sys/system_properties.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "scoped_property.h"

namespace {

std::string Get(const char *name, int *len = nullptr) {
    char value[PROP_VALUE_MAX];
    memset(value, 'x', sizeof value);
    const int n = __system_property_get(name, value);
    if (len)
        *len = n;
    return value;
}

void WriteFile(const std::string &text) {
    FILE *f = fopen(orv_host_property_file(), "w");
    ASSERT_NE(nullptr, f);
    fputs(text.c_str(), f);
    fclose(f);
}

TEST(SystemProperties, UnsetGivesZeroAndEmptyString) {
    int len = -1;
    EXPECT_EQ("", Get("orv.log.level", &len));
    EXPECT_EQ(0, len);
    EXPECT_EQ(0, __system_property_get(nullptr, nullptr));
}

TEST(SystemProperties, EveryCallSeesTheLatestValue) {
    orvtest::SetProperty("ro.product.model", "R5Q");
    int len = 0;
    EXPECT_EQ("R5Q", Get("ro.product.model", &len));
    EXPECT_EQ(3, len);
    orvtest::SetProperty("ro.product.model", "X1");
    EXPECT_EQ("X1", Get("ro.product.model", &len));
    EXPECT_EQ(2, len);
    orvtest::SetProperty("ro.product.model", "");
    EXPECT_EQ("", Get("ro.product.model", &len));
    EXPECT_EQ(0, len);
}

TEST(SystemProperties, ValuesAreCutToNinetyOneCharacters) {
    const std::string exact(91, 'a');
    orvtest::SetProperty("long.value", exact);
    int len = 0;
    EXPECT_EQ(exact, Get("long.value", &len));
    EXPECT_EQ(91, len);
    orvtest::SetProperty("long.value", std::string(200, 'b'));
    EXPECT_EQ(std::string(91, 'b'), Get("long.value", &len));
    EXPECT_EQ(91, len);
}

TEST(SystemProperties, FileFormatCommentsSpacesAndLastLineWins) {
    WriteFile(
        "# comment\n  orv.log.level = 3 \nnot a property line\nro.product.model=A\n"
        "ro.product.model=B\n=no name\n");
    EXPECT_EQ("3", Get("orv.log.level"));
    EXPECT_EQ("B", Get("ro.product.model"));
    EXPECT_EQ("", Get("not a property line"));
}

TEST(SystemProperties, SetKeepsOtherPropertiesAndRefusesBadNames) {
    orvtest::SetProperty("a.one", "1");
    orvtest::SetProperty("a.two", "2");
    orvtest::SetProperty("a.one", "11");
    EXPECT_EQ("11", Get("a.one"));
    EXPECT_EQ("2", Get("a.two"));
    errno = 0;
    EXPECT_EQ(-1, orv_host_property_set("bad=name", "v"));
    EXPECT_EQ(EINVAL, errno);
    EXPECT_EQ(-1, orv_host_property_set("a.one", "two\nlines"));
    EXPECT_EQ("11", Get("a.one"));
}

TEST(SystemProperties, MissingFileMeansUnsetAndLeavesErrnoAlone) {
    const std::string saved = orv_host_property_file();
    setenv("ORV_PROPERTIES_FILE", "/nonexistent/dir/props", 1);
    errno = 1234;
    int len = -1;
    EXPECT_EQ("", Get("orv.log.level", &len));
    EXPECT_EQ(0, len);
    EXPECT_EQ(1234, errno);
    setenv("ORV_PROPERTIES_FILE", saved.c_str(), 1);
}

TEST(SystemProperties, ScopedPropertyRestoresThePreviousValue) {
    orvtest::SetProperty("ro.product.model", "R4Q");
    {
        orvtest::ScopedProperty p("ro.product.model", "R5Q");
        EXPECT_EQ("R5Q", Get("ro.product.model"));
    }
    EXPECT_EQ("R4Q", Get("ro.product.model"));
}

}  // namespace
