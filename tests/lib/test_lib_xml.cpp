// XML access: walking elements, reading attributes with defaults, references, escaping.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Lib_trace.h"
#include "Lib_xml.h"
#include "temp_dir.h"

namespace {

// Loads an XML text through a real file, as every reader does.
struct Loaded {
    Temp_dir dir;
    myXMLdocument doc;
    Xml_element root;
    explicit Loaded(const std::string& xml) { root = xml_load_file(dir.write("t.xml", xml).c_str(), &doc); }
};

} // namespace

TEST(XmlLoad, ReturnsTheRootElementAfterADeclarationAndComment) {
    Loaded f("<?xml version='1.0' encoding='utf-8' ?>\r\n<!-- hi -->\r\n<SETUP><A/></SETUP>\r\n");
    ASSERT_TRUE(f.root);
    EXPECT_STREQ(xml_element_name(f.root), "SETUP");
    EXPECT_EQ(f.doc.error_text(), "");
}

TEST(XmlLoad, MissingArgumentsGiveNone) {
    myXMLdocument doc;
    EXPECT_FALSE(xml_load_file(nullptr, &doc));
    EXPECT_FALSE(xml_load_file("x", nullptr));
}

TEST(XmlWalk, SkipsTextAndCommentsAndToleratesNone) {
    Loaded f("<R>text<!-- c --><A/>more<B/><C>only text</C></R>");
    const Xml_element a = xml_first_child_element(f.root);
    EXPECT_TRUE(xml_element_is(a, "A"));
    const Xml_element b = xml_next_sibling_element(a);
    EXPECT_TRUE(xml_element_is(b, "B"));
    const Xml_element c = xml_next_sibling_element(b);
    EXPECT_TRUE(xml_element_is(c, "C"));
    EXPECT_FALSE(xml_first_child_element(c));
    EXPECT_FALSE(xml_next_sibling_element(c));
    EXPECT_FALSE(xml_first_child_element(Xml_element()));
    EXPECT_FALSE(xml_next_sibling_element(Xml_element()));
    EXPECT_EQ(xml_element_name(Xml_element()), nullptr);
}

TEST(XmlNames, ElementNamesAreCaseSensitiveButIfNamedIsNot) {
    Loaded f("<R><STATION/><PATH_DATA_BIN path='c:\\d'/></R>");
    const Xml_element station = xml_first_child_element(f.root);
    EXPECT_FALSE(xml_element_is(station, "station"));
    EXPECT_TRUE(xml_element_is(station, "STATION"));
    EXPECT_FALSE(xml_element_is(station, nullptr));
    char path[512] = "keep";
    EXPECT_FALSE(xml_read_attribute_if_named(station, "path_data_bin", "path", VALUE_TEXT, path, 512));
    EXPECT_STREQ(path, "keep"); // another element's name leaves the buffer alone
    EXPECT_TRUE(xml_read_attribute_if_named(xml_next_sibling_element(station), "path_data_bin", "path",
                                            VALUE_TEXT, path, 512));
    EXPECT_STREQ(path, "c:\\d");
}

TEST(XmlAttributeIs, ComparesKeywordsIgnoringCase) {
    Loaded f("<R compare='LT' other='lte'/>");
    EXPECT_TRUE(xml_attribute_is(f.root, "compare", "lt"));
    EXPECT_FALSE(xml_attribute_is(f.root, "other", "lt"));
    EXPECT_FALSE(xml_attribute_is(f.root, "absent", "lt"));
    EXPECT_FALSE(xml_attribute_is(f.root, "compare", nullptr));
}

TEST(XmlReadAttribute, AbsentKeepsPresetAndBadNumbersKeepPartialValue) {
    Loaded f("<R a=' - 3' b='12x' c='abc' r='2.5V'/>");
    int32_t value = 5;
    EXPECT_FALSE(xml_read_attribute(f.root, "absent", VALUE_INT, &value, 0));
    EXPECT_EQ(value, 5);
    EXPECT_TRUE(xml_read_attribute(f.root, "a", VALUE_INT, &value, 0));
    EXPECT_EQ(value, -3);
    EXPECT_FALSE(xml_read_attribute(f.root, "b", VALUE_INT, &value, 0));
    EXPECT_EQ(value, 12);
    EXPECT_FALSE(xml_read_attribute(f.root, "c", VALUE_INT, &value, 0));
    EXPECT_EQ(value, 0);
    double real = 0;
    EXPECT_FALSE(xml_read_attribute(f.root, "r", VALUE_REAL, &real, 0));
    EXPECT_EQ(real, 2.5);
    EXPECT_FALSE(xml_read_attribute(f.root, "a", VALUE_INT, nullptr, 0));
    EXPECT_FALSE(xml_read_attribute(Xml_element(), "a", VALUE_INT, &value, 0));
}

TEST(XmlReadAttribute, TextIsEmptiedFirstAndCutToSizeMinusOne) {
    const std::string text64(64, 'd');
    Loaded f("<R description='" + text64 + "'/>");
    char buffer[64] = "preset";
    EXPECT_FALSE(xml_read_attribute(f.root, "absent", VALUE_TEXT, buffer, 64));
    EXPECT_STREQ(buffer, "");
    EXPECT_FALSE(xml_read_attribute(f.root, "description", VALUE_TEXT, buffer, 64));
    EXPECT_EQ(std::string(buffer), std::string(63, 'd'));
    char untouched[8] = "keep";
    EXPECT_FALSE(xml_read_attribute(f.root, nullptr, VALUE_TEXT, untouched, 8));
    EXPECT_STREQ(untouched, "keep");
}

TEST(XmlReadAttribute, TraceLabelGivesOneLinePerCleanRead) {
    Loaded f("<R n='7' t='x' r='1.5' u='3'/>");
    Trace_capture capture;
    int32_t n = 0;
    char t[8];
    double r;
    uint32_t u;
    xml_read_attribute(f.root, "n", VALUE_INT, &n, 0, "Tlabel");
    xml_read_attribute(f.root, "t", VALUE_TEXT, t, 8, "Tlabel");
    xml_read_attribute(f.root, "r", VALUE_REAL, &r, 0, "Tlabel");
    xml_read_attribute(f.root, "u", VALUE_UINT, &u, 0, "Tlabel");
    xml_read_attribute(f.root, "n", VALUE_INT, &n, 0);
    EXPECT_EQ(capture.text(), "Tlabel  n=\"7\"\nTlabel  t=\"x\"\nTlabel  r=\"1.500000\"\n");
}

TEST(XmlReferences, EntitiesAndByteReferencesResolveToSingleBytes) {
    Loaded f("<R a='&lt;&gt;&amp;&apos;&quot;' b='&#xe9;&#x9;&#xA;&#65;&#x0041;' "
             "c='&#x100;&#xFFFFFFFF;&#0;&#x;&nbsp;&amp' d='a&amp;amp;b'/>");
    EXPECT_EQ(*xml_attribute_text(f.root, "a"), "<>&'\"");
    EXPECT_EQ(*xml_attribute_text(f.root, "b"), "\xe9\t\nAA");
    EXPECT_EQ(*xml_attribute_text(f.root, "c"), "&#x100;&#xFFFFFFFF;&#0;&#x;&nbsp;&amp");
    EXPECT_EQ(*xml_attribute_text(f.root, "d"), "a&amp;b"); // resolved once, not twice
    EXPECT_FALSE(xml_attribute_text(f.root, "absent"));
}

TEST(XmlReferences, RawBytesAndLineEndsPassUnchanged) {
    Loaded f(std::string("<R a='\xe9\xff\t\r\nx'/>"));
    EXPECT_EQ(*xml_attribute_text(f.root, "a"), "\xe9\xff\t\r\nx");
}

TEST(XmlEscape, MarkupBytesAboveAsciiAndControls) {
    char out[512];
    xml_escape_text(out, "a<b & \"c\"", 512);
    EXPECT_STREQ(out, "a&lt;b &amp; &quot;c&quot;");
    xml_escape_text(out, "\xb0", 512);
    EXPECT_STREQ(out, "&#xb0;");
    xml_escape_text(out, "\t'>\x05", 512);
    EXPECT_STREQ(out, "\t&apos;&gt;\x05");
    xml_escape_text(out, "", 512);
    EXPECT_STREQ(out, "");
}

TEST(XmlEscape, KeepsItsOwnBound) {
    char out[512];
    xml_escape_text(out, std::string(600, 'p').c_str(), 512);
    EXPECT_EQ(std::string(out), std::string(505, 'p'));
    // The first byte is always processed: an area of 7 bytes holds one escaped byte.
    char small[7];
    xml_escape_text(small, "\xe9\xe9", 7);
    EXPECT_STREQ(small, "&#xe9;");
}

TEST(XmlEscape, NeverWritesPastTheArea) {
    for (int size = 0; size <= 16; ++size) {
        char area[32];
        std::memset(area, '#', sizeof area);
        xml_escape_text(area, "\"\xe9&<>abc\xff", size);
        for (int i = size; i < 32; ++i)
            ASSERT_EQ(area[i], '#') << "size " << size << " byte " << i;
        if (size > 0) {
            EXPECT_NE(std::memchr(area, 0, static_cast<size_t>(size)), nullptr) << size;
        }
    }
}

TEST(XmlEscape, WholeFieldIsNeverCut) {
    const std::string high(255, '\xe9');
    EXPECT_EQ(xml_escape_field(high.c_str(), 256).size(), 255u * 6);
    const std::string quotes(511, '"');
    EXPECT_EQ(xml_escape_field(quotes.c_str(), 512).size(), 511u * 6);
    // Only the field's own characters: at most field_size - 1 of them.
    EXPECT_EQ(xml_escape_field("abcdef", 4), "abc");
    EXPECT_EQ(xml_escape_field(nullptr, 4), "");
}

TEST(XmlEscape, EveryByteComesBackThroughAFile) {
    std::string all;
    for (int b = 1; b <= 255; ++b)
        all += static_cast<char>(b);
    // Escaped both ways: by the bounded escape into an area that holds it all, and by the field escape.
    std::vector<char> area(all.size() * 6 + 8, '#');
    xml_escape_text(area.data(), all.c_str(), static_cast<int>(area.size()));
    const std::string bounded(area.data());
    EXPECT_EQ(bounded, xml_escape_field(all.c_str(), all.size() + 1));
    Loaded f("<?xml version='1.0' encoding='utf-8' ?>\r\n<R v=\"" + bounded + "\"/>\r\n");
    ASSERT_TRUE(f.root) << f.doc.error_text();
    char buffer[256];
    EXPECT_TRUE(xml_read_attribute(f.root, "v", VALUE_TEXT, buffer, 256));
    EXPECT_EQ(std::string(buffer), all);
}
